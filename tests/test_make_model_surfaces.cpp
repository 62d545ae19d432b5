// The model maker's surface readers on damaged files made here: counts and indices the bytes do
// not back, coordinates that are not finite or absurd. Each is refused with its own line before
// anything is built; well-formed files of every format still read whole, and a pile of repeated
// faces no longer stalls the decimation.

#include "TestDriver.h"
#include "tools/make_model/Surfaces.h"

#include <vtkMatrix4x4.h>
#include <vtkNew.h>
#include <vtkPLYWriter.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkReverseSense.h>
#include <vtkSTLWriter.h>
#include <vtkSphereSource.h>
#include <vtkVector.h>
#include <vtkVectorOperators.h>
#include <vtkXMLPolyDataWriter.h>

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>

namespace {

// Random bytes, the same on every run.
QByteArray
noise(int size)
{
  std::mt19937 generator(7);
  QByteArray bytes(size, '\0');
  for (char& byte : bytes) {
    byte = char(generator() & 0xff);
  }
  return bytes;
}

QByteArray
binaryStl(const std::vector<std::array<float, 9>>& triangles, std::uint32_t declared)
{
  QByteArray bytes(80, ' ');
  bytes.append(reinterpret_cast<const char*>(&declared), 4);
  for (const auto& corners : triangles) {
    bytes.append(QByteArray(12, '\0'));
    bytes.append(reinterpret_cast<const char*>(corners.data()), 36);
    bytes.append(QByteArray(2, '\0'));
  }
  return bytes;
}

} // namespace

class MakeModelSurfacesTest : public QObject
{
  Q_OBJECT

  QTemporaryDir directory;
  QString path(const QString& name) const { return directory.filePath(name); }

  void write(const QString& name, const QByteArray& bytes)
  {
    QFile file(path(name));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), qint64(bytes.size()));
  }

private slots:
  void initTestCase() { QVERIFY(directory.isValid()); }

  // Surfaces whose bytes do not back what they declare, or whose geometry is not finite.
  void damagedSurfaces_data()
  {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("problem");
    const QByteArray triangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
    QTest::newRow("OBJ face naming vertex 1,000,000,000")
      << "far.obj" << triangle + "f 1 2 1000000000\n"
      << "names vertex 1000000000";
    QTest::newRow("OBJ face naming a vertex before the first")
      << "before.obj" << triangle + "f -1 -2 -4\n"
      << "names vertex -4";
    QTest::newRow("OBJ vertex of NaN")
      << "nan.obj" << QByteArray("v nan 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n") << "not a finite number";
    QTest::newRow("OBJ of faces without area")
      << "flat.obj" << QByteArray("v 1 1 1\nv 1 1 1\nv 1 1 1\nv 2 2 2\nf 1 2 3\nf 1 2 4\n")
      << "no face with an area";
    QTest::newRow("random 5 KB STL") << "random.stl" << noise(5000) << "neither an ASCII STL";
    QTest::newRow("binary STL declaring 2e9 triangles")
      << "many.stl" << binaryStl({ { 0, 0, 0, 1, 0, 0, 0, 1, 0 } }, 2000000000u)
      << "neither an ASCII STL";
    QTest::newRow("binary STL with an infinite corner")
      << "inf.stl" << binaryStl({ { 0, 0, 0, INFINITY, 0, 0, 0, 1, 0 } }, 1)
      << "not a finite number";
    QTest::newRow("ASCII STL with a NaN corner")
      << "nan.stl"
      << QByteArray("solid s\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex NaN 0 0\n"
                    "vertex 0 1 0\nendloop\nendfacet\nendsolid s\n")
      << "not a finite number";
    QTest::newRow("ASCII STL 1e300 from its origin")
      << "far.stl"
      << QByteArray("solid s\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1e300 0 0\n"
                    "vertex 0 1 0\nendloop\nendfacet\nendsolid s\n")
      << "more than a kilometre";
    QTest::newRow("213-byte PLY declaring 3e8 vertices")
      << "many.ply"
      << QByteArray("ply\nformat binary_little_endian 1.0\nelement vertex 300000000\n"
                    "property float x\nproperty float y\nproperty float z\nelement face 1\n"
                    "property list uchar int vertex_indices\nend_header\n")
      << "declares 300000000 vertex elements";
    QTest::newRow("PLY declaring 10^6 vertices, holding one")
      << "short.ply"
      << QByteArray("ply\nformat ascii 1.0\nelement vertex 1000000\nproperty float x\n"
                    "property float y\nproperty float z\nend_header\n0 0 0\n")
      << "shorter than its header says";
    // At the limit of 3 x 2^21 points a declared count is believed (and the data found short);
    // one more is refused at once.
    for (const long long count : { 6291456LL, 6291457LL }) {
      QTest::newRow(qPrintable(QString("PLY declaring %1 vertices").arg(count)))
        << "limit.ply"
        << QByteArray("ply\nformat ascii 1.0\nelement vertex " + QByteArray::number(count) +
                      "\nproperty float x\nproperty float y\nproperty float z\nend_header\n"
                      "0 0 0\n")
        << (count == 6291456 ? "shorter than its header says" : "declares 6291457 vertex elements");
    }
    // Faces of up to 65,536 corners, all at one vertex, adding up to 2^21 triangles (32 of
    // 65,534 and one of 64) and the file ending before a last declared face: read to its end;
    // one corner more is refused at once.
    for (const int lastCorners : { 66, 67 }) {
      QByteArray bytes("ply\nformat binary_little_endian 1.0\nelement vertex 1\nproperty float x\n"
                       "property float y\nproperty float z\nelement face 34\n"
                       "property list int int vertex_indices\nend_header\n");
      bytes += QByteArray(12, '\0');
      for (int face = 0; face < 33; ++face) {
        const std::int32_t corners = face < 32 ? 65536 : lastCorners;
        bytes += QByteArray(reinterpret_cast<const char*>(&corners), sizeof corners);
        bytes += QByteArray(4 * corners, '\0');
      }
      QTest::newRow(qPrintable(QString("PLY of %1 triangles").arg(2097086 + lastCorners)))
        << "triangles.ply" << bytes
        << (lastCorners == 66 ? "shorter than its header says" : "more than 2097152 triangles");
    }
    QTest::newRow("PLY face naming vertex 7 of 3")
      << "index.ply"
      << QByteArray("ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\n"
                    "property float z\nelement face 1\nproperty list uchar int vertex_indices\n"
                    "end_header\n0 0 0\n1 0 0\n0 1 0\n3 0 1 7\n")
      << "names vertex 7 of 3";
    QTest::newRow("VTP declaring 2e9 points")
      << "many.vtp"
      << QByteArray("<VTKFile type=\"PolyData\" version=\"1.0\"><PolyData>"
                    "<Piece NumberOfPoints=\"2000000000\" NumberOfPolys=\"1\"></Piece>"
                    "</PolyData></VTKFile>\n")
      << "declares more than";
    QTest::newRow("VTP cell naming point 9 of 3")
      << "index.vtp"
      << QByteArray("<?xml version=\"1.0\"?>\n<VTKFile type=\"PolyData\" version=\"1.0\" "
                    "byte_order=\"LittleEndian\" header_type=\"UInt64\"><PolyData>"
                    "<Piece NumberOfPoints=\"3\" NumberOfPolys=\"1\"><Points><DataArray "
                    "type=\"Float32\" NumberOfComponents=\"3\" format=\"ascii\">0 0 0 1 0 0 0 1 0"
                    "</DataArray></Points><Polys><DataArray type=\"Int64\" Name=\"connectivity\" "
                    "format=\"ascii\">0 1 9</DataArray><DataArray type=\"Int64\" Name=\"offsets\" "
                    "format=\"ascii\">3</DataArray></Polys></Piece></PolyData></VTKFile>\n")
      << "names point 9 of 3";
  }

  void damagedSurfaces()
  {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, problem);
    write(name, bytes);
    const makemodel::SurfaceInput input = makemodel::readSurfaceInput(path(name).toStdString());
    QVERIFY2(QString::fromStdString(input.problem).contains(problem), input.problem.c_str());
    QVERIFY(!input.surface);
  }

  // Every format, as VTK's own writers (or the format's plain text) give it, reads whole.
  void wellFormedSurfaces_data()
  {
    QTest::addColumn<QString>("name");
    QTest::newRow("binary STL") << "sphere.stl";
    QTest::newRow("ASCII STL") << "sphere-ascii.stl";
    QTest::newRow("binary PLY, big-endian") << "sphere.ply";
    QTest::newRow("ASCII PLY") << "sphere-ascii.ply";
    QTest::newRow("VTP, compressed") << "sphere.vtp";
    QTest::newRow("OBJ with texture and normal indices, some counted from the end") << "sphere.obj";
  }

  void wellFormedSurfaces()
  {
    QFETCH(QString, name);
    vtkNew<vtkSphereSource> source;
    source->SetRadius(2);
    source->SetCenter(1, -3, 5);
    source->Update();
    vtkPolyData* sphere = source->GetOutput();
    const std::string file = path(name).toStdString();
    if (name.endsWith(".stl")) {
      vtkNew<vtkSTLWriter> writer;
      writer->SetInputData(sphere);
      writer->SetFileName(file.c_str());
      name.contains("ascii") ? writer->SetFileTypeToASCII() : writer->SetFileTypeToBinary();
      writer->Write();
    } else if (name.endsWith(".ply")) {
      vtkNew<vtkPLYWriter> writer;
      writer->SetInputData(sphere);
      writer->SetFileName(file.c_str());
      name.contains("ascii") ? writer->SetFileTypeToASCII() : writer->SetFileTypeToBinary();
      writer->SetDataByteOrderToBigEndian();
      writer->Write();
    } else if (name.endsWith(".vtp")) {
      vtkNew<vtkXMLPolyDataWriter> writer;
      writer->SetInputData(sphere);
      writer->SetFileName(file.c_str());
      writer->Write();
    } else {
      QByteArray text = "# made here\nmtllib none.mtl\n";
      for (vtkIdType point = 0; point < sphere->GetNumberOfPoints(); ++point) {
        const double* xyz = sphere->GetPoint(point);
        text += QByteArray("v ") + QByteArray::number(xyz[0], 'g', 17) + ' ' +
                QByteArray::number(xyz[1], 'g', 17) + ' ' + QByteArray::number(xyz[2], 'g', 17) +
                "\r\nvt 0 0\nvn 0 0 1\n";
      }
      const vtkIdType count = sphere->GetNumberOfPoints();
      for (vtkIdType cell = 0; cell < sphere->GetNumberOfPolys(); ++cell) {
        vtkIdType size = 0;
        const vtkIdType* ids = nullptr;
        sphere->GetPolys()->GetCellAtId(cell, size, ids);
        text += "f";
        for (vtkIdType corner = 0; corner < size; ++corner) {
          // Odd cells count from the end (-1 is the last vertex).
          const vtkIdType index = cell % 2 ? ids[corner] - count : ids[corner] + 1;
          text += ' ' + QByteArray::number(qlonglong(index)) + "/" +
                  QByteArray::number(qlonglong(index)) + "/" + QByteArray::number(qlonglong(index));
        }
        text += "\n";
      }
      write(name, text);
    }
    const makemodel::SurfaceInput input = makemodel::readSurfaceInput(file);
    QVERIFY2(input.problem.empty(), input.problem.c_str());
    QCOMPARE(input.surface->GetNumberOfPolys(), sphere->GetNumberOfPolys());
    double expected[6], bounds[6];
    sphere->GetBounds(expected);
    input.surface->GetBounds(bounds);
    for (int side = 0; side < 6; ++side) {
      QVERIFY2(std::abs(bounds[side] - expected[side]) < 1e-5, qPrintable(QString::number(side)));
    }
    // The same enclosed volume, whatever order the corners came in.
    QVERIFY(std::abs(std::abs(makemodel::signedVolume(input.surface)) -
                     std::abs(makemodel::signedVolume(sphere))) < 1e-6);
  }

  // A pile of identical faces on a closed tetrahedron: the repeats are dropped before the
  // decimation, which would otherwise run for minutes, and the tetrahedron is what remains.
  void repeatedFacesLeaveTheSurface()
  {
    QByteArray text = "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nf 1 3 2\nf 1 2 4\nf 2 3 4\nf 1 4 3\n";
    for (int face = 0; face < 300000; ++face) {
      text += "f 1 2 4\n";
    }
    write("pile.obj", text);
    const makemodel::SurfaceInput input =
      makemodel::readSurfaceInput(path("pile.obj").toStdString());
    QVERIFY2(input.problem.empty(), input.problem.c_str());
    vtkNew<vtkMatrix4x4> identity;
    const vtkSmartPointer<vtkPolyData> surface =
      makemodel::preparedSurface(input.surface, identity, 1000);
    QCOMPARE(surface->GetNumberOfPolys(), vtkIdType(4));
    QCOMPARE(makemodel::openOrSharedEdges(surface), vtkIdType(0));
    QVERIFY(std::abs(makemodel::signedVolume(surface) - 1.0 / 6.0) < 1e-9);
  }

  // Edges counted as a surface has them: in two triangles, in one (the open border) or in three
  // or more (a fin).
  void edgesAreCounted_data()
  {
    QTest::addColumn<QByteArray>("obj");
    QTest::addColumn<int>("all");
    QTest::addColumn<int>("open");
    QTest::addColumn<int>("shared");
    const QByteArray corners = "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nv 1 1 1\n";
    QTest::newRow("closed tetrahedron") << corners + "f 1 3 2\nf 1 2 4\nf 2 3 4\nf 1 4 3\n"
                                        << 6 << 0 << 0;
    QTest::newRow("one triangle") << corners + "f 1 2 3\n" << 3 << 3 << 0;
    QTest::newRow("three on one edge") << corners + "f 1 2 3\nf 1 2 4\nf 1 2 5\n" << 7 << 6 << 1;
  }
  void edgesAreCounted()
  {
    QFETCH(QByteArray, obj);
    write("edges.obj", obj);
    const makemodel::SurfaceInput input =
      makemodel::readSurfaceInput(path("edges.obj").toStdString());
    QVERIFY2(input.problem.empty(), input.problem.c_str());
    QFETCH(int, all);
    QFETCH(int, open);
    QFETCH(int, shared);
    const makemodel::EdgeCounts counts = makemodel::edgeCounts(input.surface);
    QCOMPARE(int(counts.all), all);
    QCOMPARE(int(counts.open), open);
    QCOMPARE(int(counts.shared), shared);
  }

  // The volume's return moves each point of a surface along its normal: a sphere of radius 1
  // becomes one of 1 + distance, and one wound the other way (its normals inward) of 1 - distance.
  void offsetFollowsTheNormals_data()
  {
    QTest::addColumn<double>("distance");
    QTest::addColumn<bool>("inwardWound");
    QTest::addColumn<double>("radius");
    QTest::newRow("out by 0.1") << 0.1 << false << 1.1;
    QTest::newRow("in by 0.25") << -0.25 << false << 0.75;
    QTest::newRow("wound inward, 0.1") << 0.1 << true << 0.9;
  }

  void offsetFollowsTheNormals()
  {
    QFETCH(double, distance);
    QFETCH(bool, inwardWound);
    QFETCH(double, radius);
    vtkNew<vtkSphereSource> source;
    source->SetRadius(1.0);
    source->SetThetaResolution(48);
    source->SetPhiResolution(48);
    source->Update();
    vtkNew<vtkReverseSense> reversed;
    reversed->SetInputConnection(source->GetOutputPort());
    reversed->Update();
    vtkNew<vtkPolyData> sphere;
    sphere->DeepCopy(inwardWound ? reversed->GetOutput() : source->GetOutput());
    vtkNew<vtkPoints> before;
    before->DeepCopy(sphere->GetPoints());
    makemodel::offsetAlongNormals(sphere, distance);
    // Each point out from the centre (or in) to the new radius. Area-weighted normals lean a
    // little towards the larger triangles of a latitude band: up to 1.2 % of the distance here.
    for (vtkIdType point = 0; point < sphere->GetNumberOfPoints(); ++point) {
      const vtkVector3d start(before->GetPoint(point));
      const double off = (vtkVector3d(sphere->GetPoint(point)) - start * radius).Norm();
      QVERIFY2(off < 0.02 * std::abs(distance),
               qPrintable(QString("point %1 off by %2").arg(point).arg(off)));
    }
  }

  // A tangle of triangles over few points is no surface to decimate edge by edge (each collapse
  // touches hundreds of triangles; this one took minutes): it comes out within the budget.
  void tangleComesOutWithinTheBudget()
  {
    std::mt19937 generator(11);
    std::uniform_real_distribution<double> place(0, 10);
    std::uniform_int_distribution<int> corner(1, 500);
    QByteArray text;
    for (int point = 0; point < 500; ++point) {
      text += QByteArray("v ") + QByteArray::number(place(generator)) + ' ' +
              QByteArray::number(place(generator)) + ' ' + QByteArray::number(place(generator)) +
              '\n';
    }
    for (int face = 0; face < 100000; ++face) {
      const int a = corner(generator);
      const int b = a % 500 + 1;
      const int c = (a + corner(generator)) % 500 + 1;
      if (c != a && c != b) {
        text += "f " + QByteArray::number(a) + ' ' + QByteArray::number(b) + ' ' +
                QByteArray::number(c) + '\n';
      }
    }
    write("tangle.obj", text);
    const makemodel::SurfaceInput input =
      makemodel::readSurfaceInput(path("tangle.obj").toStdString());
    QVERIFY2(input.problem.empty(), input.problem.c_str());
    vtkNew<vtkMatrix4x4> identity;
    const vtkSmartPointer<vtkPolyData> surface =
      makemodel::preparedSurface(input.surface, identity, 2000);
    QVERIFY2(surface->GetNumberOfPolys() > 0 && surface->GetNumberOfPolys() <= 2000,
             qPrintable(QString::number(surface->GetNumberOfPolys())));
  }
};

COCHLEX_TEST_CLASS(MakeModelSurfacesTest)
#include "test_make_model_surfaces.moc"
