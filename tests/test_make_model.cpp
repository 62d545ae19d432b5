// cochlex-make-model on label maps made here: closed surfaces that keep the labelled volume,
// names and colours from both colour-table forms, the patient's directions kept, sections that
// show the labels where the surfaces are, and one line with status 1 or 2 for each bad input.

#include "MakeModelRuns.h"
#include "TestDriver.h"
#include "loading/ModelManifest.h"
#include "loading/TeachingModel.h"
#include "tools/SampleAnatomy.h"
#include "tools/make_model/ColorTable.h"
#include "tools/make_model/ModelFrame.h"
#include "tools/make_model/Surfaces.h"
#include "viewer/StructurePicking.h"

#include <vtkImageData.h>
#include <vtkMatrix4x4.h>
#include <vtkNIFTIImageWriter.h>
#include <vtkNew.h>
#include <vtkPointData.h>
#include <vtkPolyData.h>
#include <vtkPolyDataReader.h>
#include <vtkSTLWriter.h>
#include <vtkSphereSource.h>
#include <vtkTransform.h>
#include <vtkXMLImageDataWriter.h>

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QVector3D>
#include <QtTest>

#include <array>
#include <cmath>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <set>
#include <sstream>

namespace {

// A label map in memory: voxels and the map from voxel index to LPS millimetres.
struct LabelMap
{
  std::array<int, 3> size;
  vtkNew<vtkMatrix4x4> indexToLps;
  std::vector<std::uint8_t> voxels;

  LabelMap(std::array<int, 3> dimensions,
           std::array<double, 3> spacing,
           double tiltDegrees,
           std::array<double, 3> centre,
           const std::function<int(const QVector3D&)>& label)
    : size(dimensions)
  {
    vtkNew<vtkTransform> transform;
    transform->PostMultiply();
    transform->Translate(-0.5 * (size[0] - 1), -0.5 * (size[1] - 1), -0.5 * (size[2] - 1));
    transform->Scale(spacing.data());
    transform->RotateWXYZ(tiltDegrees, 1, 1, 0);
    transform->Translate(centre.data());
    indexToLps->DeepCopy(transform->GetMatrix());
    fill(label);
  }

  // Any grid: placement maps voxel index (i, j, k) to LPS millimetres.
  LabelMap(std::array<int, 3> dimensions,
           vtkMatrix4x4* placement,
           const std::function<int(const QVector3D&)>& label)
    : size(dimensions)
  {
    indexToLps->DeepCopy(placement);
    fill(label);
  }

  void fill(const std::function<int(const QVector3D&)>& label)
  {
    voxels.resize(std::size_t(size[0]) * size[1] * size[2]);
    std::size_t index = 0;
    for (int k = 0; k < size[2]; ++k) {
      for (int j = 0; j < size[1]; ++j) {
        for (int i = 0; i < size[0]; ++i) {
          double point[4] = { double(i), double(j), double(k), 1 };
          indexToLps->MultiplyPoint(point, point);
          voxels[index++] = std::uint8_t(label(QVector3D(point[0], point[1], point[2])));
        }
      }
    }
  }

  double voxelVolume() const { return std::abs(indexToLps->Determinant()); }

  // The voxels with the spacing of each index axis (the columns' lengths).
  vtkSmartPointer<vtkImageData> image() const
  {
    vtkNew<vtkImageData> image;
    image->SetDimensions(size.data());
    image->AllocateScalars(VTK_UNSIGNED_CHAR, 1);
    std::copy(voxels.begin(), voxels.end(), static_cast<std::uint8_t*>(image->GetScalarPointer()));
    double spacing[3];
    for (int column = 0; column < 3; ++column) {
      spacing[column] = std::hypot(indexToLps->GetElement(0, column),
                                   indexToLps->GetElement(1, column),
                                   indexToLps->GetElement(2, column));
    }
    image->SetSpacing(spacing);
    return image;
  }

  // NIfTI is RAS: its sform is the LPS map with x and y turned round, the spacing factored out.
  void writeNifti(const QString& path) const
  {
    vtkSmartPointer<vtkImageData> voxelImage = image();
    vtkNew<vtkMatrix4x4> form;
    for (int column = 0; column < 4; ++column) {
      for (int row = 0; row < 3; ++row) {
        form->SetElement(row,
                         column,
                         (row < 2 ? -1 : 1) * indexToLps->GetElement(row, column) /
                           (column < 3 ? voxelImage->GetSpacing()[column] : 1.0));
      }
    }
    vtkNew<vtkNIFTIImageWriter> writer;
    writer->SetInputData(voxelImage);
    writer->SetFileName(QFile::encodeName(path).constData());
    writer->SetQFormMatrix(form);
    writer->SetSFormMatrix(form);
    writer->Write();
  }

  // VTK's own format carries the direction matrix; the frame is LPS.
  void writeVti(const QString& path) const
  {
    vtkSmartPointer<vtkImageData> voxelImage = image();
    double direction[9];
    for (int index = 0; index < 9; ++index) {
      direction[index] =
        indexToLps->GetElement(index / 3, index % 3) / voxelImage->GetSpacing()[index % 3];
    }
    voxelImage->SetDirectionMatrix(direction);
    voxelImage->SetOrigin(
      indexToLps->GetElement(0, 3), indexToLps->GetElement(1, 3), indexToLps->GetElement(2, 3));
    vtkNew<vtkXMLImageDataWriter> writer;
    writer->SetInputData(voxelImage);
    writer->SetFileName(QFile::encodeName(path).constData());
    writer->Write();
  }

  // MetaImage is LPS; its TransformMatrix lists the unit direction of each index axis in turn
  // (ITK writes direction[axis][component] at axis * 3 + component).
  void writeMha(const QString& path) const
  {
    std::ofstream file(QFile::encodeName(path).constData(), std::ios::binary);
    file.precision(12);
    file << "ObjectType = Image\nNDims = 3\nBinaryData = True\nBinaryDataByteOrderMSB = False\n"
            "CompressedData = False\nTransformMatrix =";
    double spacing[3];
    for (int axis = 0; axis < 3; ++axis) {
      spacing[axis] = std::hypot(indexToLps->GetElement(0, axis),
                                 indexToLps->GetElement(1, axis),
                                 indexToLps->GetElement(2, axis));
      for (int component = 0; component < 3; ++component) {
        file << ' ' << indexToLps->GetElement(component, axis) / spacing[axis];
      }
    }
    file << "\nOffset = " << indexToLps->GetElement(0, 3) << ' ' << indexToLps->GetElement(1, 3)
         << ' ' << indexToLps->GetElement(2, 3)
         << "\nAnatomicalOrientation = RAI\nElementSpacing = " << spacing[0] << ' ' << spacing[1]
         << ' ' << spacing[2] << "\nDimSize = " << size[0] << ' ' << size[1] << ' ' << size[2]
         << "\nElementType = MET_UCHAR\nElementDataFile = LOCAL\n";
    file.write(reinterpret_cast<const char*>(voxels.data()), std::streamsize(voxels.size()));
  }

  void writeNrrd(const QString& path) const
  {
    std::ofstream file(QFile::encodeName(path).constData(), std::ios::binary);
    auto column = [&](int axis) {
      std::ostringstream text;
      text.precision(12);
      text << '(' << indexToLps->GetElement(0, axis) << ',' << indexToLps->GetElement(1, axis)
           << ',' << indexToLps->GetElement(2, axis) << ')';
      return text.str();
    };
    file << "NRRD0004\ntype: uint8\ndimension: 3\nspace: left-posterior-superior\nsizes: "
         << size[0] << ' ' << size[1] << ' ' << size[2] << "\nspace directions: " << column(0)
         << ' ' << column(1) << ' ' << column(2) << "\nspace origin: " << column(3)
         << "\nendian: little\nencoding: raw\n\n";
    file.write(reinterpret_cast<const char*>(voxels.data()), std::streamsize(voxels.size()));
  }
};

int
ellipsoids(const QVector3D& p)
{
  const QVector3D radii(0.9f, 0.7f, 0.55f);
  if (((p - QVector3D(10, -20, 29.3f)) / radii).lengthSquared() < 1) {
    return 1;
  }
  return ((p - QVector3D(10.3f, -20.2f, 30.7f)) / radii).lengthSquared() < 1 ? 2 : 0;
}

// A torus around the z axis and a ball 1.8 mm to the patient's left of it.
int
torusAndBall(const QVector3D& p)
{
  const float ring = std::hypot(p.x(), p.y()) - 1.1f;
  if (ring * ring + p.z() * p.z() < 0.35f * 0.35f) {
    return 3;
  }
  return (p - QVector3D(1.8f, 0, 0)).length() < 0.4f ? 5 : 0;
}

int
thinTube(const QVector3D& p)
{
  return std::hypot(p.x(), p.z()) < 0.1f && std::abs(p.y()) < 1.5f ? 1 : 0;
}

// The label map a test file is written from, by the file's name.
std::unique_ptr<LabelMap>
labelMapFor(const QString& file)
{
  return std::unique_ptr<LabelMap>(
    file.startsWith("ellipsoids")
      ? new LabelMap({ 60, 60, 60 }, { 0.07, 0.06, 0.08 }, 30, { 10, -20, 30 }, ellipsoids)
    : file.startsWith("torus")
      ? new LabelMap({ 80, 80, 22 }, { 0.05, 0.05, 0.05 }, 0, { 0.35, 0, 0 }, torusAndBall)
      : new LabelMap({ 12, 70, 12 }, { 0.05, 0.05, 0.05 }, 0, { 0, 0, 0 }, thinTube));
}

} // namespace

class MakeModelTest : public QObject
{
  Q_OBJECT

  QTemporaryDir directory;
  QString path(const QString& name) const { return directory.filePath(name); }

  static int run(const QStringList& arguments, QString* errors = nullptr)
  {
    return makemodeltest::runTool(arguments, errors);
  }

  void writeText(const QString& name, const char* text)
  {
    QFile file(path(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
  }

private slots:
  void initTestCase()
  {
    writeText("plain.txt",
              "# label name R G B A\n0 Background 0 0 0 0\n1 Lower ball 255 0 0 255\n"
              "2 Upper ball 0 0 255 128\n3 Ring 0 200 0 255\n5 Ball 255 255 0 255\n");
    writeText("quoted.txt",
              "# ITK-SnAP Label Description File\n"
              "  0 0 0 0 0 0 0 \"Clear Label\"\n"
              "  1 255 0 0 1 1 1 \"Lower ball\"\n"
              "  2 0 0 255 0.5 1 1 \"Upper ball\"\n");
    writeText("bad-table.txt", "1 Good 1 2 3 255\n2 Bad 300 0 0 255\n");
    labelMapFor("ellipsoids")->writeNifti(path("ellipsoids.nii.gz"));
    labelMapFor("torus")->writeNrrd(path("torus.nrrd"));
    labelMapFor("tube")->writeNifti(path("tube.nii"));
    // Bad inputs.
    writeText("damaged.nii", "not a NIfTI header at all");
    writeText(
      "flat.nrrd",
      "NRRD0004\ntype: uint8\ndimension: 3\nsizes: 4 4 1\nencoding: raw\n\n0123456789abcdef");
    LabelMap({ 20, 4, 4 }, { 1, 1, 1 }, 0, { 0, 0, 0 }, [](const QVector3D& p) {
      return int(p.x() + 10) / 2 + 1;
    }).writeNrrd(path("ten.nrrd"));
    LabelMap({ 130, 4, 4 }, { 1, 1, 1 }, 0, { 0, 0, 0 }, [](const QVector3D& p) {
      return int(p.x() + 65) / 2 + 1;
    }).writeNrrd(path("sixty-five.nrrd"));
    QDir(directory.path()).mkpath("full/Joint");
    // The ball of torus.nrrd as a surface file, in the same LPS millimetres.
    vtkNew<vtkSphereSource> ball;
    ball->SetCenter(1.8, 0, 0);
    ball->SetRadius(0.4);
    ball->SetThetaResolution(64);
    ball->SetPhiResolution(64);
    vtkNew<vtkSTLWriter> writer;
    writer->SetInputConnection(ball->GetOutputPort());
    writer->SetFileName(QFile::encodeName(path("ball.stl")).constData());
    writer->Write();
  }

  void colorTables_data()
  {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QVector3D>("color");
    QTest::addColumn<double>("opacity");
    QTest::addColumn<QString>("problem");
    QTest::newRow("plain") << QByteArray("# c\n\n7 Long process  10 20 30 51\r\n") << "Long process"
                           << QVector3D(10, 20, 30) / 255 << 0.2 << "";
    QTest::newRow("quoted") << QByteArray(" 7 10 20 30 0.25 1 0 \"Chorda \\tympani\"\n")
                            << "Chorda \\tympani" << QVector3D(10, 20, 30) / 255 << 0.25 << "";
    QTest::newRow("colour over 255")
      << QByteArray("7 A 256 0 0 255\n") << "" << QVector3D() << 0.0 << "line 1";
    QTest::newRow("alpha over 1") << QByteArray("7 1 2 3 1.5 1 1 \"A\"\n") << "" << QVector3D()
                                  << 0.0 << "line 1";
    QTest::newRow("no name") << QByteArray("1 A 1 2 3 4\n7 1 2 3 4\n") << "" << QVector3D() << 0.0
                             << "line 2";
    QTest::newRow("CSV") << QByteArray("LabelValue,Name,Color_R,Color_G,Color_B,Color_A\r\n"
                                       "7,Long process,10,20,30,51\r\n")
                         << "Long process" << QVector3D(10, 20, 30) / 255 << 0.2 << "";
    QTest::newRow("CSV, quoted name with a comma and a quote, columns in another order")
      << QByteArray("Name,Color_A,LabelValue,Color_R,Color_G,Color_B,Category\n"
                    "\"Incus, \"\"long\"\" process\",255,7,10,20,30,Anatomy\n")
      << "Incus, \"long\" process" << QVector3D(10, 20, 30) / 255 << 1.0 << "";
    QTest::newRow("CSV, colour over 255")
      << QByteArray("LabelValue,Name,Color_R,Color_G,Color_B,Color_A\n7,A,256,0,0,255\n") << ""
      << QVector3D() << 0.0 << "line 2 is not \"LabelValue,Name,Color_R";
    QTest::newRow("CSV, quote left open")
      << QByteArray("LabelValue,Name,Color_R,Color_G,Color_B,Color_A\n7,\"A,1,2,3,4\n") << ""
      << QVector3D() << 0.0 << "line 2";
  }

  void colorTables()
  {
    QFETCH(QByteArray, text);
    QFETCH(QString, name);
    QFETCH(QVector3D, color);
    QFETCH(double, opacity);
    QFETCH(QString, problem);
    std::istringstream input(text.toStdString());
    const makemodel::ColorTable table = makemodel::parseColorTable(input);
    QVERIFY2(QString::fromStdString(table.problem).contains(problem), table.problem.c_str());
    if (problem.isEmpty()) {
      QCOMPARE(int(table.entries.size()), 1);
      const makemodel::ColorEntry& entry = table.entries[0];
      QCOMPARE(entry.label, 7L);
      QCOMPARE(QString::fromStdString(entry.name), name);
      QCOMPARE(QVector3D(entry.color[0], entry.color[1], entry.color[2]), color);
      QCOMPARE(entry.opacity, opacity);
    }
  }

  // Each row: a label map, its table, and what the viewer must find in the model: the names
  // and colours, closed surfaces holding the labelled volume, the second structure's centre
  // relative to the first in model axes (medial, posterior, superior), and sections that show
  // each structure's grey inside its surface and another outside.
  void shapes_data()
  {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QVector3D>("firstColor");
    QTest::addColumn<double>("volumeTolerance");
    QTest::addColumn<QVector3D>("shift");
    QTest::addColumn<double>("voxelSize");
    QTest::newRow("oblique anisotropic ellipsoids, NIfTI, quoted table")
      << QStringList{ "ellipsoids.nii.gz", "--colors", "quoted.txt" }
      << QStringList{ "Lower ball", "Upper ball" } << QVector3D(1, 0, 0) << 0.05
      << QVector3D(0.3f, -0.2f, 1.4f) << 0.08;
    QTest::newRow("torus and ball, NRRD, plain table")
      << QStringList{ "torus.nrrd", "--colors", "plain.txt" } << QStringList{ "Ring", "Ball" }
      << QVector3D(0, 200 / 255.0f, 0) << 0.05 << QVector3D(1.8f, 0, 0) << 0.05;
    QTest::newRow("labels chosen, and a surface file where the ball's label is")
      << QStringList{ "torus.nrrd", "--labels", "3,5", "--surface", "STL ball=ball.stl" }
      << QStringList{ "Structure 3", "Structure 5", "STL ball" } << QVector3D(0.94f, 0.90f, 0.78f)
      << 0.05 << QVector3D(1.8f, 0, 0) << 0.05;
    QTest::newRow("small triangle budget: voxels merged before contouring, then decimated")
      << QStringList{ "torus.nrrd", "--max-triangles", "2000" }
      << QStringList{ "Structure 3", "Structure 5" } << QVector3D(0.94f, 0.90f, 0.78f) << 0.05
      << QVector3D(1.8f, 0, 0) << 0.05;
    QTest::newRow("left ear: medial is the patient's right")
      << QStringList{ "torus.nrrd", "--side", "left" }
      << QStringList{ "Structure 3", "Structure 5" } << QVector3D(0.94f, 0.90f, 0.78f) << 0.05
      << QVector3D(-1.8f, 0, 0) << 0.05;
    QTest::newRow("thin tube four voxels across, with a CT")
      << QStringList{ "tube.nii", "--ct", "tube.nii", "--window", "0.5,1" }
      << QStringList{ "Structure 1" } << QVector3D(0.94f, 0.90f, 0.78f) << 0.15 << QVector3D()
      << 0.05;
    // --section-centre is in the label map's own millimetres: LPS for NRRD, RAS for NIfTI.
    QTest::newRow("centred on the ball, NRRD, LPS")
      << QStringList{ "torus.nrrd", "--section-centre", "1.8,0,0" }
      << QStringList{ "Structure 3", "Structure 5" } << QVector3D(0.94f, 0.90f, 0.78f) << 0.05
      << QVector3D(1.8f, 0, 0) << 0.05;
    QTest::newRow("centred on the upper ball, NIfTI, RAS")
      << QStringList{ "ellipsoids.nii.gz", "--section-centre", "-10.3,20.2,30.7" }
      << QStringList{ "Structure 1", "Structure 2" } << QVector3D(0.94f, 0.90f, 0.78f) << 0.05
      << QVector3D(0.3f, -0.2f, 1.4f) << 0.08;
  }

  void shapes()
  {
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, names);
    QFETCH(QVector3D, firstColor);
    QFETCH(double, volumeTolerance);
    QFETCH(QVector3D, shift);
    QFETCH(double, voxelSize);
    const QString model = path(QTest::currentDataTag()).replace(' ', '_');
    for (QString& argument : arguments) {
      const QString file = argument.section('=', -1);
      argument = QFile::exists(path(file))
                   ? argument.section('=', 0, -2, QString::SectionIncludeTrailingSep) + path(file)
                   : argument;
    }
    QString errors;
    QVERIFY2(run(arguments << model, &errors) == 0, qPrintable(errors));

    const makemodeltest::ReadModel read = makemodeltest::readModel(model);
    const TeachingModel& loaded = read.model;
    const std::vector<LoadedStructure>& structures = read.structures;
    QVERIFY2(
      loaded.problems.empty(),
      qPrintable(QString::fromStdString(loaded.problems.empty() ? "" : loaded.problems.front())));
    QCOMPARE(int(structures.size()), names.size());
    QVERIFY((QVector3D(structures[0].color[0], structures[0].color[1], structures[0].color[2]) -
             firstColor)
              .length() < 1e-4);

    const std::unique_ptr<LabelMap> map = labelMapFor(QFileInfo(arguments[0]).fileName());
    std::map<int, long> voxelCounts;
    for (std::uint8_t label : map->voxels) {
      ++voxelCounts[label];
    }
    // The section volume as the viewer places it: its manifest grid in the model frame.
    const SectionVolumeGrid& grid = loaded.volumeGrid;
    QVERIFY(grid.placed && loaded.volume != nullptr);
    vtkNew<vtkMatrix4x4> modelToVoxel;
    vtkMatrix4x4::Invert(sectionVoxelPlacement(grid), modelToVoxel);
    auto grey = [&](const double* point) -> int {
      double voxel[4] = { point[0], point[1], point[2], 1 };
      modelToVoxel->MultiplyPoint(voxel, voxel);
      long index[3];
      for (int axis = 0; axis < 3; ++axis) {
        index[axis] = std::lround(voxel[axis]);
        if (index[axis] < 2 || index[axis] > grid.dimensions[std::size_t(axis)] - 3) {
          return -1;
        }
      }
      return loaded.volume->GetScalarComponentAsDouble(
        int(index[0]), int(index[1]), int(index[2]), 0);
    };

    auto label = voxelCounts.begin();
    for (std::size_t index = 0; index < structures.size(); ++index) {
      vtkPolyData* surface = structures[index].surface;
      // A surface file after the labels stands where the last label is.
      label = std::next(label) == voxelCounts.end() ? label : std::next(label);
      QCOMPARE(structureNameFromPath(QString::fromStdString(structures[index].path)),
               names[int(index)]);
      QCOMPARE(makemodel::openOrSharedEdges(surface), vtkIdType(0));
      const double volume = makemodel::signedVolume(surface);
      const double voxels = label->second * map->voxelVolume();
      QVERIFY2(std::abs(volume - voxels) <= volumeTolerance * voxels,
               qPrintable(QString("%1 mm3 enclosed, %2 mm3 of voxels").arg(volume).arg(voxels)));

      // Half a voxel of the label map inside and outside the surface.
      vtkDataArray* normals = surface->GetPointData()->GetNormals();
      int checked = 0, wrong = 0, inside = -2;
      for (vtkIdType point = 0; point < surface->GetNumberOfPoints(); point += 7) {
        double at[3], in[3], out[3], normal[3];
        surface->GetPoint(point, at);
        normals->GetTuple(point, normal);
        for (int axis = 0; axis < 3; ++axis) {
          in[axis] = at[axis] - 0.7 * voxelSize * normal[axis];
          out[axis] = at[axis] + 0.7 * voxelSize * normal[axis];
        }
        const int greyIn = grey(in), greyOut = grey(out);
        if (greyIn < 0 || greyOut < 0) {
          continue;
        }
        inside = inside == -2 ? greyIn : inside;
        ++checked;
        // The CT is interpolated: near, not equal, inside; far outside.
        wrong += std::abs(greyIn - inside) > 48 || std::abs(greyOut - inside) <= 48;
      }
      QVERIFY(checked > 20);
      QVERIFY2(wrong <= checked / 20,
               qPrintable(QString("%1 of %2 sections disagree").arg(wrong).arg(checked)));
    }
    if (structures.size() > 1) {
      const QVector3D measured = makemodeltest::boxCentre(structures.back().surface) -
                                 makemodeltest::boxCentre(structures[0].surface);
      QVERIFY2(
        (measured - shift).length() < 0.1,
        qPrintable(QString("%1 %2 %3").arg(measured.x()).arg(measured.y()).arg(measured.z())));
    }
    // The orientation view's head stands round the ear: the structures' middle lies inside the
    // head's box, 46 mm lateral of its midline (the box's middle, the head being symmetric), and
    // its skin is closed.
    vtkNew<vtkPolyDataReader> headReader;
    headReader->SetFileName(qPrintable(model + "/Joint/Head_bone_transformed.vtp"));
    headReader->Update();
    vtkPolyData* head = headReader->GetOutput();
    QVERIFY(head->GetNumberOfPolys() > 1000);
    QCOMPARE(makemodel::openOrSharedEdges(head), vtkIdType(0));
    const QVector3D ear = 0.5f * (makemodeltest::boxCentre(structures.front().surface) +
                                  makemodeltest::boxCentre(structures.back().surface));
    const QVector3D headMiddle = makemodeltest::boxCentre(head);
    QVERIFY2(std::abs(headMiddle.x() - ear.x() - 46) < 3 &&
               std::abs(headMiddle.y() - ear.y()) < 60 && std::abs(headMiddle.z() - ear.z()) < 60,
             qPrintable(QString("head %1 %2 %3, ear %4 %5 %6")
                          .arg(headMiddle.x())
                          .arg(headMiddle.y())
                          .arg(headMiddle.z())
                          .arg(ear.x())
                          .arg(ear.y())
                          .arg(ear.z())));

    // The point named by --section-centre, the last structure's centre, is where the original
    // model's sections meet.
    if (arguments.contains("--section-centre")) {
      double middle[3];
      for (int axis = 0; axis < 3; ++axis) {
        middle[axis] = 0.5 * (sample::volumeDimensions[axis] - 1) * sample::volumeSpacing[axis];
      }
      vtkNew<vtkTransform> placement;
      sample::buildVolumePlacement(placement);
      placement->TransformPoint(middle, middle);
      QVERIFY((makemodeltest::boxCentre(structures.back().surface) -
               QVector3D(middle[0], middle[1], middle[2]))
                .length() < 0.05);
    }
  }

  // Three balls in a grid of random direction, anisotropic spacing and, in some rows, one axis
  // flipped: each surface must stand where this test's own index-to-LPS arithmetic puts its ball.
  // The model's axes are the right ear's medial, posterior and superior, which are LPS's own
  // (medial of the right ear is the patient's left), so the balls keep their LPS offsets from
  // each other; only the whole region is moved, to the section volume's centre.
  void obliqueGrids_data()
  {
    QTest::addColumn<QString>("format");
    QTest::addColumn<int>("seed");
    QTest::addColumn<bool>("flipped");
    for (const char* format : { "nii", "nrrd", "mha", "vti" }) {
      QTest::addRow("%s, oblique", format) << format << 11 << false;
      QTest::addRow("%s, oblique and flipped", format) << format << 29 << true;
    }
  }

  void obliqueGrids()
  {
    QFETCH(QString, format);
    QFETCH(int, seed);
    QFETCH(bool, flipped);
    std::mt19937 random(std::uint32_t(seed + format.size()));
    std::normal_distribution<double> normal;
    // A rotation from a random unit quaternion (w, x, y, z).
    std::array<double, 4> q{ normal(random), normal(random), normal(random), normal(random) };
    const double length = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
    for (double& component : q) {
      component /= length;
    }
    const double w = q[0], x = q[1], y = q[2], z = q[3];
    const double rotation[3][3] = {
      { 1 - 2 * (y * y + z * z), 2 * (x * y - w * z), 2 * (x * z + w * y) },
      { 2 * (x * y + w * z), 1 - 2 * (x * x + z * z), 2 * (y * z - w * x) },
      { 2 * (x * z - w * y), 2 * (y * z + w * x), 1 - 2 * (x * x + y * y) },
    };
    std::array<double, 3> spacing{ 0.05, 0.07, 0.09 };
    std::shuffle(spacing.begin(), spacing.end(), random);
    if (flipped) {
      spacing[std::size_t(seed) % 3] *= -1;
    }
    std::array<int, 3> dimensions{};
    vtkNew<vtkMatrix4x4> placement;
    for (int axis = 0; axis < 3; ++axis) {
      dimensions[axis] = int(std::ceil(3.2 / std::abs(spacing[axis])));
      for (int row = 0; row < 3; ++row) {
        placement->SetElement(row, axis, rotation[row][axis] * spacing[axis]);
      }
    }
    const double origin[3] = { 12.5, -21, 33 };
    for (int row = 0; row < 3; ++row) {
      placement->SetElement(row, 3, origin[row]);
    }
    // The balls' centres, placed at fractions of the grid and taken to LPS here.
    const double radius = 0.5;
    std::vector<QVector3D> centres;
    for (const std::array<double, 3>& fraction : std::vector<std::array<double, 3>>{
           { 0.3, 0.3, 0.3 }, { 0.72, 0.35, 0.6 }, { 0.35, 0.7, 0.72 } }) {
      double point[4] = { fraction[0] * (dimensions[0] - 1),
                          fraction[1] * (dimensions[1] - 1),
                          fraction[2] * (dimensions[2] - 1),
                          1 };
      placement->MultiplyPoint(point, point);
      centres.emplace_back(point[0], point[1], point[2]);
    }
    const LabelMap map(dimensions, placement, [&centres, radius](const QVector3D& point) {
      for (std::size_t ball = 0; ball < centres.size(); ++ball) {
        if ((point - centres[ball]).length() < radius) {
          return int(ball) + 1;
        }
      }
      return 0;
    });
    const QString input =
      path(QStringLiteral("oblique-%1-%2.%3").arg(seed).arg(flipped).arg(format));
    if (format == "nii") {
      map.writeNifti(input);
    } else if (format == "nrrd") {
      map.writeNrrd(input);
    } else if (format == "mha") {
      map.writeMha(input);
    } else {
      map.writeVti(input);
    }
    const QString model = input + "-model";
    QString errors;
    QVERIFY2(run({ input, "--side", "right", model }, &errors) == 0, qPrintable(errors));

    std::vector<vtkSmartPointer<vtkPolyData>> surfaces;
    for (const LoadedStructure& structure : makemodeltest::readModel(model).structures) {
      surfaces.push_back(structure.surface);
    }
    QCOMPARE(surfaces.size(), centres.size());
    // The region's move, from the first ball; the others must keep their offsets from it.
    const QVector3D move = makemodeltest::boxCentre(surfaces[0]) - centres[0];
    const double largestSpacing = 0.09;
    for (std::size_t ball = 0; ball < surfaces.size(); ++ball) {
      const QVector3D expected = centres[ball] + move;
      const QVector3D found = makemodeltest::boxCentre(surfaces[ball]);
      QVERIFY2((found - expected).length() < 0.05,
               qPrintable(QStringLiteral("ball %1 at %2 %3 %4, expected %5 %6 %7")
                            .arg(ball + 1)
                            .arg(found.x())
                            .arg(found.y())
                            .arg(found.z())
                            .arg(expected.x())
                            .arg(expected.y())
                            .arg(expected.z())));
      double worst = 0;
      for (vtkIdType point = 0; point < surfaces[ball]->GetNumberOfPoints(); ++point) {
        double at[3];
        surfaces[ball]->GetPoint(point, at);
        worst =
          std::max(worst, std::abs((QVector3D(at[0], at[1], at[2]) - expected).length() - radius));
      }
      QVERIFY2(worst < largestSpacing, qPrintable(QString::number(worst)));
      // Closed and facing out, holding the ball's volume.
      const double volume = makemodel::signedVolume(surfaces[ball]);
      const double ballVolume = 4 / 3.0 * M_PI * radius * radius * radius;
      QVERIFY2(std::abs(volume - ballVolume) < 0.1 * ballVolume,
               qPrintable(QString::number(volume)));
    }
  }

  // The section volume covers the labels and 2 mm around them at the CT's own spacing, and its
  // grey window comes from the tissue there: not from the -3024 padding outside the scan's round
  // field, which here is nearly half the CT and reaches into the labels' neighbourhood. A CT of
  // 0.3 mm slices is coarser than the ball (0.4 mm radius) is thick, not than the torus.
  void sectionVolumeFollowsTheCt()
  {
    const std::array<int, 3> size{ 120, 96, 80 };
    const std::array<double, 3> spacing{ 0.2, 0.25, 0.3 };
    std::vector<std::int16_t> voxels;
    for (int k = 0; k < size[2]; ++k) {
      for (int j = 0; j < size[1]; ++j) {
        for (int i = 0; i < size[0]; ++i) {
          const double x = -12 + i * spacing[0], y = -12 + j * spacing[1], z = -12 + k * spacing[2];
          const double tissue = 1000 * std::abs(std::sin(0.9 * x + 0.6 * y + 0.3 * z));
          voxels.push_back(std::int16_t(std::hypot(x + 9, y) < 10 ? std::lround(tissue) : -3024));
        }
      }
    }
    {
      std::ofstream file(QFile::encodeName(path("padded-ct.nrrd")).constData(), std::ios::binary);
      file << "NRRD0004\ntype: int16\ndimension: 3\nspace: left-posterior-superior\nsizes: "
           << size[0] << ' ' << size[1] << ' ' << size[2] << "\nspace directions: (" << spacing[0]
           << ",0,0) (0," << spacing[1] << ",0) (0,0," << spacing[2]
           << ")\nspace origin: (-12,-12,-12)\nendian: little\nencoding: raw\n\n";
      file.write(reinterpret_cast<const char*>(voxels.data()),
                 std::streamsize(voxels.size() * sizeof(std::int16_t)));
    }
    const QString model = path("ct-model");
    QString errors;
    QVERIFY2(run({ path("torus.nrrd"), "--ct", path("padded-ct.nrrd"), model }, &errors) == 0,
             qPrintable(errors));

    const QRegularExpression windowLine("window centre ([-0-9.e+]+), width ([-0-9.e+]+)");
    const QRegularExpressionMatch match = windowLine.match(errors);
    QVERIFY2(match.hasMatch(), qPrintable(errors));
    const double centre = match.captured(1).toDouble(), width = match.captured(2).toDouble();
    QVERIFY2(centre - width / 2 >= -1 && centre + width / 2 <= 1001 && width > 500,
             qPrintable(errors));
    QVERIFY2(errors.contains("warning: the CT's voxels (0.3 mm) are larger than Structure 5 is"),
             qPrintable(errors));
    QVERIFY2(!errors.contains("than Structure 3"), qPrintable(errors));

    const makemodeltest::ReadModel read = makemodeltest::readModel(model);
    const TeachingModel& loaded = read.model;
    const std::vector<LoadedStructure>& structures = read.structures;
    QVERIFY(loaded.problems.empty() && loaded.volume != nullptr);
    const SectionVolumeGrid& grid = loaded.volumeGrid;
    QVERIFY(grid.placed);
    double low[3] = { 1e300, 1e300, 1e300 }, high[3] = { -1e300, -1e300, -1e300 };
    for (const LoadedStructure& structure : structures) {
      double bounds[6];
      structure.surface->GetBounds(bounds);
      for (std::size_t axis = 0; axis < 3; ++axis) {
        low[axis] = std::min(low[axis], bounds[2 * axis]);
        high[axis] = std::max(high[axis], bounds[2 * axis + 1]);
      }
    }
    for (std::size_t axis = 0; axis < 3; ++axis) {
      // A right ear's model axes are LPS's: the CT's spacing along each, unchanged.
      QCOMPARE(grid.spacing[axis], spacing[axis]);
      const double first = grid.origin[axis];
      const double last = first + (grid.dimensions[axis] - 1) * spacing[axis];
      // On the CT's voxels: at most half a voxel (and the label map's 0.05 mm) from the margin.
      QVERIFY2(std::abs(first - (low[axis] - 2)) <= 0.5 * spacing[axis] + 0.06 &&
                 std::abs(last - (high[axis] + 2)) <= 1.5 * spacing[axis] + 0.06,
               qPrintable(QString("axis %1: %2 to %3 for structures from %4 to %5")
                            .arg(axis)
                            .arg(first)
                            .arg(last)
                            .arg(low[axis])
                            .arg(high[axis])));
    }
    // The tissue's greys, not a flat slab.
    std::set<int> greys;
    for (int k = 0; k < grid.dimensions[2]; k += 3) {
      greys.insert(int(loaded.volume->GetScalarComponentAsDouble(
        grid.dimensions[0] / 2, grid.dimensions[1] / 2, k, 0)));
    }
    QVERIFY2(greys.size() > 5, qPrintable(QString::number(greys.size())));
  }

  // A grid over 512 MB (here over a small bound) is coarsened the same in every direction.
  void largeGridIsCoarsened()
  {
    const makemodel::ModelFrame frame =
      makemodel::makeModelFrame({ 0, 0, 0 }, makemodel::Side::Right);
    vtkNew<vtkMatrix4x4> indexToLps;
    for (int axis = 0; axis < 3; ++axis) {
      indexToLps->SetElement(axis, axis, 0.01);
      indexToLps->SetElement(axis, 3, -20);
    }
    std::string note;
    const SectionVolumeGrid grid = makemodel::sectionGrid(
      frame, { -4, 4, -3, 3, -2, 2 }, { indexToLps, { 4000, 4000, 4000 } }, 1 << 20, note);
    QVERIFY(grid.byteCount() <= 1 << 20 && grid.byteCount() > (1 << 20) / 2);
    QVERIFY2(note.find("coarsened") != std::string::npos, note.c_str());
    QCOMPARE(grid.spacing[0], grid.spacing[2]);
    // Still 12 x 10 x 8 mm with its margin.
    QVERIFY(std::abs((grid.dimensions[0] - 1) * grid.spacing[0] - 12) <= grid.spacing[0]);
    QVERIFY(std::abs((grid.dimensions[2] - 1) * grid.spacing[2] - 8) <= grid.spacing[2]);
  }

  // Every label its own structure, row and name in the manifest, beyond the nine of the layout.
  void tenLabelsEachTheirRow()
  {
    const QString model = path("ten-labels");
    QString errors;
    QVERIFY2(run({ path("ten.nrrd"), model }, &errors) == 0, qPrintable(errors));
    const makemodeltest::ReadModel read = makemodeltest::readModel(model);
    const TeachingModel& loaded = read.model;
    const std::vector<LoadedStructure>& structures = read.structures;
    QVERIFY(loaded.fromManifest);
    QCOMPARE(int(structures.size()), 10);
    for (int index = 0; index < 10; ++index) {
      const LoadedStructure& structure = structures[std::size_t(index)];
      QCOMPARE(structure.name, QStringLiteral("Structure %1").arg(index + 1));
      QVERIFY(structure.rowShown && structure.namedByManifest && structure.problem.empty());
    }
  }

  // A Group column of the colour table puts each structure's row under that heading of the
  // viewer; an empty field, or no such column, leaves the row under none.
  void groupsFromTheTable_data()
  {
    QTest::addColumn<QByteArray>("table");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("groups");
    QTest::newRow("group column last, one left empty")
      << QByteArray("LabelValue,Name,Color_R,Color_G,Color_B,Color_A,Group\n"
                    "3,Ring,0,200,0,255,Ossicles\n5,Ball,255,255,0,255,\n")
      << QStringList{ "Ring", "Ball" } << QStringList{ "Ossicles", "" };
    QTest::newRow("group column first, quoted with a comma, both in one group")
      << QByteArray("Group,LabelValue,Name\n\"Ligaments, tendons\",5,Ball\n"
                    " \"Ligaments, tendons\" ,3,Ring\n")
      << QStringList{ "Ring", "Ball" } << QStringList{ "Ligaments, tendons", "Ligaments, tendons" };
    QTest::newRow("no group column") << QByteArray("LabelValue,Name\n3,Ring\n5,Ball\n")
                                     << QStringList{ "Ring", "Ball" } << QStringList{ "", "" };
  }

  void groupsFromTheTable()
  {
    QFETCH(QByteArray, table);
    QFETCH(QStringList, names);
    QFETCH(QStringList, groups);
    const QString name = QString::fromLatin1(QTest::currentDataTag()).replace(' ', '-');
    writeText(name + ".csv", table.constData());
    const QString model = path("groups-" + name);
    QString errors;
    QVERIFY2(run({ path("torus.nrrd"), "--colors", path(name + ".csv"), model }, &errors) == 0,
             qPrintable(errors));
    QStringList foundNames;
    QStringList foundGroups;
    const makemodeltest::ReadModel read = makemodeltest::readModel(model);
    const TeachingModel& loaded = read.model;
    const std::vector<LoadedStructure>& structures = read.structures;
    for (const LoadedStructure& structure : structures) {
      foundNames << structure.name;
      foundGroups << structure.group;
    }
    QVERIFY(loaded.fromManifest);
    QCOMPARE(foundNames, names);
    QCOMPARE(foundGroups, groups);
  }

  // Each bad input: its status, its one line, and no model or scratch folder left behind. Damaged
  // label maps are told apart by the image readers' own tests.
  void badInputs_data()
  {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("line");
    QTest::newRow("no arguments") << QStringList{} << 2 << "no OUT_FOLDER";
    QTest::newRow("unknown option")
      << QStringList{ "--fast", "tube.nii", "out" } << 2 << "unknown option --fast";
    QTest::newRow("bad window") << QStringList{ "--window", "1", "tube.nii", "out" } << 2
                                << "CENTER,WIDTH";
    QTest::newRow("missing file") << QStringList{ "none.nii", "out" } << 1 << "cannot be opened";
    QTest::newRow("unsupported") << QStringList{ "plain.txt", "out" } << 1 << "unsupported format";
    QTest::newRow("damaged") << QStringList{ "damaged.nii", "out" } << 1 << "cannot be read";
    QTest::newRow("2-D image") << QStringList{ "flat.nrrd", "out" } << 1 << "2-D image";
    QTest::newRow("label without voxels")
      << QStringList{ "torus.nrrd", "--labels", "3,4", "out" } << 1 << "label 4 has no voxels";
    QTest::newRow("CT elsewhere") << QStringList{ "torus.nrrd", "--ct", "ellipsoids.nii.gz", "out" }
                                  << 1 << "do not overlap";
    QTest::newRow("bad colour table")
      << QStringList{ "torus.nrrd", "--colors", "bad-table.txt", "out" } << 1
      << "bad-table.txt: line 2";
    QTest::newRow("65 labels") << QStringList{ "sixty-five.nrrd", "out" } << 1
                               << "65 labels, more than the viewer's 64 free rows; choose with "
                                  "--labels from 1 (";
    QTest::newRow("folder not empty")
      << QStringList{ "torus.nrrd", "full" } << 1 << "not empty (--force";
  }

  void badInputs()
  {
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, line);
    for (QString& argument : arguments) {
      argument = QFile::exists(path(argument)) || argument == "out" ? path(argument) : argument;
    }
    QString errors;
    QCOMPARE(run(arguments, &errors), status);
    QCOMPARE(errors.count('\n'), 1);
    QVERIFY2(errors.contains(line), qPrintable(errors));
    QVERIFY(!QFile::exists(path("out")));
    QCOMPARE(QDir(directory.path()).entryList({ ".*making*" }, QDir::AllEntries | QDir::Hidden),
             QStringList());
  }
};

COCHLEX_TEST_CLASS(MakeModelTest)
#include "test_make_model.moc"
