// The cap of a cut surface without any window: closed shapes of known cross-section.

#include "TestDriver.h"
#include "viewer/teaching/CutCaps.h"

#include <QTest>

#include <vtkCell.h>
#include <vtkCellArray.h>
#include <vtkCubeSource.h>
#include <vtkDataArray.h>
#include <vtkMath.h>
#include <vtkNew.h>
#include <vtkParametricFunctionSource.h>
#include <vtkParametricTorus.h>
#include <vtkPointData.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkPolyDataAlgorithm.h>
#include <vtkPolygon.h>
#include <vtkSphereSource.h>

#include <array>
#include <cmath>

namespace {

// Cube: edge 2 around the origin, faces with points of their own. Sphere: radius 1. Torus: ring
// radius 1, tube radius 0.3. Open: a sphere with a 60-degree slice of its side missing.
vtkSmartPointer<vtkPolyData>
shape(const QString& name)
{
  vtkNew<vtkCubeSource> cube;
  cube->SetBounds(-1, 1, -1, 1, -1, 1);
  vtkNew<vtkParametricTorus> torus;
  torus->SetCrossSectionRadius(0.3);
  vtkNew<vtkParametricFunctionSource> torusSource;
  torusSource->SetParametricFunction(torus);
  torusSource->SetUResolution(200);
  torusSource->SetVResolution(100);
  vtkNew<vtkSphereSource> sphere;
  sphere->SetRadius(1);
  sphere->SetThetaResolution(128);
  sphere->SetPhiResolution(128);
  sphere->SetEndTheta(name == "open" ? 300 : 360);
  vtkPolyDataAlgorithm* source = name == "cube"    ? static_cast<vtkPolyDataAlgorithm*>(cube)
                                 : name == "torus" ? static_cast<vtkPolyDataAlgorithm*>(torusSource)
                                                   : sphere;
  source->Update();
  return source->GetOutput();
}

// count prisms of `sides` sides round the z axis from z = -1 to 1, side by side along x, closed
// by fans at both ends. Cut across at z = 0 each gives a loop of 2 x sides points: one on each
// upright edge, one on each side's diagonal.
vtkSmartPointer<vtkPolyData>
prisms(int count, int sides)
{
  vtkNew<vtkPoints> points;
  vtkNew<vtkCellArray> triangles;
  for (int prism = 0; prism < count; ++prism) {
    const vtkIdType first = points->GetNumberOfPoints();
    for (int side = 0; side < sides; ++side) {
      const double angle = 2 * vtkMath::Pi() * side / sides;
      for (const double z : { -1.0, 1.0 }) {
        points->InsertNextPoint(3.0 * prism + std::cos(angle), std::sin(angle), z);
      }
    }
    const vtkIdType bottom = points->InsertNextPoint(3.0 * prism, 0, -1);
    const vtkIdType top = points->InsertNextPoint(3.0 * prism, 0, 1);
    for (int side = 0; side < sides; ++side) {
      const vtkIdType a = first + vtkIdType(2) * side;
      const vtkIdType b = first + vtkIdType(2) * ((side + 1) % sides);
      const vtkIdType faces[4][3] = {
        { a, b, b + 1 }, { a, b + 1, a + 1 }, { bottom, b, a }, { top, a + 1, b + 1 }
      };
      for (const auto& face : faces) {
        triangles->InsertNextCell(3, face);
      }
    }
  }
  auto surface = vtkSmartPointer<vtkPolyData>::New();
  surface->SetPoints(points);
  surface->SetPolys(triangles);
  return surface;
}

} // namespace

class CutCapsTest : public QObject
{
  Q_OBJECT

private slots:
  void capFillsTheCrossSection_data()
  {
    QTest::addColumn<QString>("shape");
    QTest::addColumn<QVector<double>>("origin");
    QTest::addColumn<QVector<double>>("normal");
    QTest::addColumn<double>("area");
    const double pi = vtkMath::Pi();
    // Through the centre across the main diagonal: a regular hexagon of side sqrt(2).
    QTest::newRow("cube, hexagon")
      << "cube" << QVector<double>{ 0, 0, 0 } << QVector<double>{ 1, 1, 1 } << 3 * std::sqrt(3.0);
    // Along an edge, off the centre (y + z = 0.3): a 2 x 1.7 sqrt(2) rectangle.
    QTest::newRow("cube, rectangle") << "cube" << QVector<double>{ 0, 0.3, 0 }
                                     << QVector<double>{ 0, 1, 1 } << 3.4 * std::sqrt(2.0);
    // 0.3 sqrt(2) from the centre: a circle of radius sqrt(1 - 0.18).
    QTest::newRow("sphere") << "sphere" << QVector<double>{ 0.3, 0.3, 0 }
                            << QVector<double>{ 1, 1, 0 } << pi * 0.82;
    // Across the hole: a ring between radii 0.7 and 1.3, nothing inside it.
    QTest::newRow("torus, across its hole")
      << "torus" << QVector<double>{ 0, 0, 0 } << QVector<double>{ 0, 0, -1 } << pi * 1.2;
    // Along its axis: the two discs of the tube.
    QTest::newRow("torus, along its axis")
      << "torus" << QVector<double>{ 0, 0, 0 } << QVector<double>{ 1, 0, 0 } << 2 * pi * 0.09;
    QTest::newRow("open surface") << "open" << QVector<double>{ 0, 0, 0.1 }
                                  << QVector<double>{ 0, 0, 1 } << 0.0;
    QTest::newRow("plane misses") << "sphere" << QVector<double>{ 0, 0, 1.5 }
                                  << QVector<double>{ 0, 0, 1 } << 0.0;
  }
  void capFillsTheCrossSection()
  {
    QFETCH(QString, shape);
    QFETCH(QVector<double>, origin);
    QFETCH(QVector<double>, normal);
    QFETCH(double, area);
    const CutPlane plane{ { origin[0], origin[1], origin[2] },
                          { normal[0], normal[1], normal[2] } };
    vtkSmartPointer<vtkPolyData> cap = cutCap(::shape(shape), plane);
    const double capArea = polygonArea(cap);
    QVERIFY2(std::abs(capArea - area) <= 0.01 * area,
             qPrintable(QString("area %1, expected %2").arg(capArea).arg(area)));
    if (area == 0) {
      QCOMPARE(cap->GetNumberOfPolys(), vtkIdType(0));
      return;
    }
    // In the plane, facing the side cut away.
    double unit[3] = { normal[0], normal[1], normal[2] };
    vtkMath::Normalize(unit);
    vtkDataArray* normals = cap->GetPointData()->GetNormals();
    QVERIFY(normals != nullptr);
    for (vtkIdType id = 0; id < cap->GetNumberOfPoints(); ++id) {
      double point[3];
      cap->GetPoint(id, point);
      const double offset[3] = { point[0] - origin[0], point[1] - origin[1], point[2] - origin[2] };
      QVERIFY(std::abs(vtkMath::Dot(offset, unit)) < 1e-6);
      QVERIFY(vtkMath::Dot(normals->GetTuple3(id), unit) < -0.999);
    }
    // Wound to face that side too: lighting takes the winding for the front.
    for (vtkIdType cell = 0; cell < cap->GetNumberOfCells(); ++cell) {
      double facing[3];
      vtkPolygon::ComputeNormal(cap->GetCell(cell)->GetPoints(), facing);
      QVERIFY(vtkMath::Dot(facing, unit) < 0);
    }
  }

  // A cut of more loops or contour points than a model's structure could have is a broken or
  // hostile file: no cap, rather than a fill that stalls. Up to the limits, a cap.
  void capLimits_data()
  {
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("sides");
    QTest::addColumn<bool>("capped");
    QTest::newRow("256 loops") << 256 << 3 << true;
    QTest::newRow("257 loops") << 257 << 3 << false;
    QTest::newRow("50,000 contour points") << 1 << 25000 << true;
    QTest::newRow("50,002 contour points") << 1 << 25001 << false;
  }

  void capLimits()
  {
    QFETCH(int, count);
    QFETCH(int, sides);
    QFETCH(bool, capped);
    vtkSmartPointer<vtkPolyData> cap = cutCap(prisms(count, sides), CutPlane{ {}, { 0, 0, 1 } });
    QCOMPARE(cap->GetNumberOfPolys() > 0, capped);
    if (capped) {
      const double prism = 0.5 * sides * std::sin(2 * vtkMath::Pi() / sides);
      QVERIFY(std::abs(polygonArea(cap) - count * prism) < 1e-6 * count * prism);
    }
  }

  // A box against a plane, for every corner: a plane close to the corner keeping only it (or
  // cutting only it away) leaves the box across the plane; moved past the box, the box is wholly
  // kept or wholly cut away. The box is not a cube, so a corner confused with another shows.
  void boxAgainstAPlane_data()
  {
    QTest::addColumn<int>("corner");
    QTest::addColumn<double>("along");  // where the plane stands, from the centre to the corner
    QTest::addColumn<double>("facing"); // 1: the normal points to the corner, -1 away from it
    QTest::addColumn<int>("side");
    for (int corner = 0; corner < 8; ++corner) {
      const QByteArray name = "corner " + QByteArray::number(corner);
      QTest::newRow(name + ", only it kept") << corner << 0.9 << 1.0 << int(BoxSide::Across);
      QTest::newRow(name + ", only it cut") << corner << 0.9 << -1.0 << int(BoxSide::Across);
      QTest::newRow(name + ", all cut") << corner << 1.1 << 1.0 << int(BoxSide::CutAway);
      QTest::newRow(name + ", all kept") << corner << 1.1 << -1.0 << int(BoxSide::Kept);
    }
  }

  void boxAgainstAPlane()
  {
    QFETCH(int, corner);
    QFETCH(double, along);
    QFETCH(double, facing);
    QFETCH(int, side);
    const double bounds[6] = { 0, 1, 0, 2, 0, 3 };
    const std::array<double, 3> centre{ 0.5, 1, 1.5 };
    // The corner as x, y and z each at its low or high end, independently of the code's order.
    const std::array<double, 3> far{ corner & 1 ? 1.0 : 0.0,
                                     corner & 2 ? 2.0 : 0.0,
                                     corner & 4 ? 3.0 : 0.0 };
    CutPlane plane{};
    for (std::size_t axis = 0; axis < 3; ++axis) {
      const double towards = far[axis] - centre[axis];
      plane.origin[axis] = centre[axis] + along * towards;
      plane.normal[axis] = facing * towards;
    }
    QCOMPARE(int(boxSide(bounds, plane)), side);
  }
};

COCHLEX_TEST_CLASS(CutCapsTest)
#include "test_cut_caps.moc"
