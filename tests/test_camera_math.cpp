// Window-free logic of the views: the camera bars' steps, the turn one view repeats from the
// other, where a window goes on a screen, the quick coarse copies drawn while the model loads,
// and the text of the Help and About pages.

#include "ModelFixture.h"
#include "TestDriver.h"
#include "loading/PageFile.h"
#include "viewer/CameraMath.h"
#include "viewer/CoarseSurfaces.h"
#include "viewer/ScreenFit.h"

#include <QTemporaryDir>
#include <QTest>

#include <vtkCellArray.h>
#include <vtkCellArrayIterator.h>
#include <vtkCubeSource.h>
#include <vtkDataArray.h>
#include <vtkMath.h>
#include <vtkPointData.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkSphereSource.h>
#include <vtkStripper.h>
#include <vtkTransform.h>
#include <vtkTransformPolyDataFilter.h>
#include <vtkVector.h>

#include <array>
#include <set>

#include <cmath>

Q_DECLARE_METATYPE(vtkSmartPointer<vtkPolyData>)

namespace {

// The turn VTK's trackball style gives one mouse motion in a view of the given size: 200 degrees
// across the view's width or height (its factor of 20 times its MotionFactor of 10).
FollowTurn
trackballTurn(const QPoint& motion, const QSize& size)
{
  return { -200.0 / size.width() * motion.x(), -200.0 / size.height() * motion.y() };
}

} // namespace

class CameraMathTest : public QObject
{
  Q_OBJECT

private slots:
  // Elevation leaves the view-up alone: no single call may turn by more than 90 degrees.
  void elevationStepsStayWithin90Degrees_data()
  {
    QTest::addColumn<int>("delta");
    QTest::addColumn<QVector<double>>("steps");
    QTest::newRow("-1") << -1 << QVector<double>{ -1 };
    QTest::newRow("90 in one call") << 90 << QVector<double>{ 90 };
    QTest::newRow("-91 split") << -91 << QVector<double>{ -90, -1 };
    QTest::newRow("178 split") << 178 << QVector<double>{ 90, 88 };
    QTest::newRow("-178 split") << -178 << QVector<double>{ -90, -88 };
  }
  void elevationStepsStayWithin90Degrees()
  {
    QFETCH(int, delta);
    QFETCH(QVector<double>, steps);
    const ElevationSteps split = splitElevation(delta);
    QCOMPARE(split.count, steps.size());
    for (int step = 0; step < split.count; ++step) {
      QCOMPARE(split.angles[std::size_t(step)], steps[step]);
    }
  }

  // 50 zoom steps are 25 powers of 1.1 closer; any way back to 100 is the same distance.
  void zoomStepsAreHalfPowersOf1_1()
  {
    QVERIFY(std::abs(zoomFactor(1.5, 1.0) - std::pow(1.1, 25)) < 1e-9);
    double distance = 1;
    double last = 1;
    for (double zoom : { 0.3, 1.83, 0.0, 2.0, 1.0 }) {
      distance /= zoomFactor(zoom, last);
      last = zoom;
    }
    QVERIFY(std::abs(distance - 1) < 1e-9);
  }

  // Whole drags as runs of mouse motions: at each motion the follower turns as the source's own
  // trackball does, also between sizes that are no multiples of each other.
  void followedTurnsEqualTheSourceTurn_data()
  {
    QTest::addColumn<QSize>("source");
    QTest::addColumn<QSize>("target");
    QTest::addColumn<QVector<QPoint>>("motions");
    const QSize main(800, 600), head(200, 150), oddMain(700, 520), oddHead(213, 157);
    const QVector<QPoint> mixed{ { 1, 1 },   { 3, -2 }, { 10, 7 }, { -7, 5 }, { 0, -3 },
                                 { 25, -1 }, { 2, 2 },  { -1, 1 }, { 1, -1 } };
    QTest::newRow("main to head, 3 px right") << main << head << QVector<QPoint>(40, { 3, 0 });
    QTest::newRow("main to head, 10 px left") << main << head << QVector<QPoint>(20, { -10, 0 });
    QTest::newRow("main to head, 1 px down") << main << head << QVector<QPoint>(90, { 0, -1 });
    QTest::newRow("main to head, mixed") << oddMain << oddHead << mixed;
    QTest::newRow("head to main, 1 px diagonal")
      << oddHead << oddMain << QVector<QPoint>(40, { 1, -1 });
    QTest::newRow("head to main, fast") << oddHead << oddMain << QVector<QPoint>(4, { 41, -29 });
    QTest::newRow("head to main, mixed") << oddHead << oddMain << mixed;
  }
  void followedTurnsEqualTheSourceTurn()
  {
    QFETCH(QSize, source);
    QFETCH(QSize, target);
    QFETCH(QVector<QPoint>, motions);
    const int sourceSize[2] = { source.width(), source.height() };
    const int targetSize[2] = { target.width(), target.height() };
    for (const QPoint& motion : motions) {
      const FollowTurn turn = followRotateAngles(motion.x(), motion.y(), sourceSize, targetSize);
      const FollowTurn expected = trackballTurn(motion, source);
      QVERIFY(std::abs(turn.azimuth - expected.azimuth) < 1e-9);
      QVERIFY(std::abs(turn.elevation - expected.elevation) < 1e-9);
    }
  }

  void followTurnAndSpinEdgeCases()
  {
    // An empty window would give NaN angles and spoil the other camera for good.
    const int main[2] = { 600, 400 };
    const int empty[2] = { 0, 0 };
    QCOMPARE(followRotateAngles(30, 30, main, empty).azimuth, 0.0);
    QCOMPARE(followRotateAngles(30, 30, empty, main).elevation, 0.0);
    // A quarter turn of the pointer round the centre spins the camera a quarter turn.
    const double center[2] = { 0, 400 };
    QVERIFY(std::abs(spinAngle(main, empty, center) - 90.0) < 1e-4);
  }

  // A zoom towards a point keeps that point on its pixel: seen through a pinhole camera looking
  // from the position to the focal point (view-up +z), the point's image stays while the camera
  // comes factor times closer, and whatever lay on the focal plane spreads out from the point by
  // the factor.
  void zoomKeepsThePointOnItsPixel_data()
  {
    QTest::addColumn<QVector<double>>("point");
    QTest::addColumn<double>("factor");
    QTest::newRow("on the focal plane, one wheel notch in") << QVector<double>{ 3, 40, -2 } << 1.21;
    QTest::newRow("on the focal plane, one notch out") << QVector<double>{ -7, 40, 5 } << 1 / 1.21;
    QTest::newRow("nearer than the focal plane, three times") << QVector<double>{ 2, 20, 1 } << 3.0;
    QTest::newRow("beyond the focal plane") << QVector<double>{ -4, 70, -6 } << 1.21;
  }
  void zoomKeepsThePointOnItsPixel()
  {
    QFETCH(QVector<double>, point);
    QFETCH(double, factor);
    CameraPlace camera;
    camera.position = { 1, -60, 2 };
    camera.focalPoint = { 1, 40, 2 };
    camera.parallelScale = 8;
    // The image of p on a screen one unit in front of the camera: sideways over ahead, up over
    // ahead, with the camera looking along +y and z up.
    const auto image = [](const CameraPlace& at, const std::array<double, 3>& p) {
      const double ahead = p[1] - at.position[1];
      return QPointF((p[0] - at.position[0]) / ahead, (p[2] - at.position[2]) / ahead);
    };
    const std::array<double, 3> target{ point[0], point[1], point[2] };
    const CameraPlace zoomed = zoomTowards(camera, target, factor);

    const QPointF before = image(camera, target);
    const QPointF after = image(zoomed, target);
    QVERIFY(std::hypot(after.x() - before.x(), after.y() - before.y()) < 1e-12);
    // Still looking along +y, factor times closer to the focal point.
    QCOMPARE(zoomed.focalPoint[0] - zoomed.position[0] + 1, 1.0);
    QCOMPARE(zoomed.focalPoint[2] - zoomed.position[2] + 1, 1.0);
    QCOMPARE(zoomed.focalPoint[1] - zoomed.position[1], 100 / factor);
    QCOMPARE(zoomed.parallelScale, 8 / factor);
    if (point[1] == camera.focalPoint[1]) {
      // A corner of the focal plane moves away from the point by the factor.
      const std::array<double, 3> corner{ 9, 40, -5 };
      const QPointF spread = before + (image(camera, corner) - before) * factor;
      const QPointF moved = image(zoomed, corner);
      QVERIFY(std::hypot(moved.x() - spread.x(), moved.y() - spread.y()) < 1e-12);
    }
  }

  void zoomIgnoresAFactorThatIsNoZoom()
  {
    CameraPlace camera;
    camera.position = { 0, 0, 10 };
    for (double factor : { 0.0, -2.0, std::nan(""), HUGE_VAL }) {
      const CameraPlace zoomed = zoomTowards(camera, { 1, 1, 0 }, factor);
      QVERIFY(zoomed.position == camera.position && zoomed.focalPoint == camera.focalPoint);
    }
  }

  void geometryWithinScreen_data()
  {
    QTest::addColumn<QRect>("wanted");
    QTest::addColumn<QSize>("minimum");
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QRect>("expected");
    const QRect screen1280(0, 0, 1280, 1024), screen1366(0, 0, 1366, 768);
    // A frame of 1 pixel and a 22 pixel title bar.
    QTest::newRow("fits, unchanged") << QRect(50, 50, 1820, 980) << QSize(900, 600)
                                     << QRect(0, 0, 1920, 1080) << QRect(50, 50, 1820, 980);
    QTest::newRow("minimum wider than asked: moved in from the right")
      << QRect(50, 50, 1180, 924) << QSize(1250, 700) << screen1280 << QRect(29, 50, 1250, 924);
    QTest::newRow("minimum taller than asked: moved up")
      << QRect(50, 50, 1266, 668) << QSize(1000, 743) << screen1366 << QRect(50, 24, 1266, 743);
    QTest::newRow("larger than the screen: shrunk to it")
      << QRect(50, 50, 971, 864) << QSize(200, 100) << screen1366 << QRect(50, 23, 971, 744);
    QTest::newRow("panel at the top") << QRect(50, 50, 971, 864) << QSize(200, 100)
                                      << QRect(0, 30, 1366, 738) << QRect(50, 53, 971, 714);
    QTest::newRow("minimum too large: title bar stays on screen")
      << QRect(50, 50, 1180, 924) << QSize(1400, 900) << QRect(0, 0, 1280, 768)
      << QRect(1, 23, 1400, 900);
  }
  void geometryWithinScreen()
  {
    QFETCH(QRect, wanted);
    QFETCH(QSize, minimum);
    QFETCH(QRect, available);
    QFETCH(QRect, expected);
    QCOMPARE(::geometryWithinScreen(wanted, minimum, available, QMargins(1, 23, 1, 1)), expected);
  }

  // The load's quick copies: fewer triangles, every one with three corners and none twice, inside
  // the surface's bounds, with unit normals where the surface has normals; polygons split into
  // fans; nothing for a surface without polygons or with strips.
  void clusteredSurfaceIsACoarseLikeness_data()
  {
    QTest::addColumn<vtkSmartPointer<vtkPolyData>>("surface");
    QTest::addColumn<int>("divisions");
    QTest::addColumn<int>("fewestTriangles");
    QTest::addColumn<int>("mostTriangles");
    vtkNew<vtkSphereSource> sphere;
    sphere->SetThetaResolution(64);
    sphere->SetPhiResolution(64);
    sphere->Update();
    vtkNew<vtkCubeSource> cube;
    cube->Update();
    vtkNew<vtkStripper> strips;
    strips->SetInputConnection(sphere->GetOutputPort());
    strips->Update();
    QTest::newRow("sphere, 7936 triangles")
      << vtkSmartPointer<vtkPolyData>(sphere->GetOutput()) << 8 << 50 << 1000;
    // Ellipsoids with axes of three sizes, the longest along x and along z: grids of 9 x 3 x 1
    // and 1 x 3 x 9 cells.
    for (const auto& [name, scale] :
         { std::make_pair("long flat ellipsoid", vtkVector3d(4, 1, 0.1)),
           std::make_pair("tall thin ellipsoid", vtkVector3d(0.1, 1, 4)) }) {
      vtkNew<vtkTransform> stretch;
      stretch->Scale(scale.GetData());
      vtkNew<vtkTransformPolyDataFilter> stretched;
      stretched->SetInputConnection(sphere->GetOutputPort());
      stretched->SetTransform(stretch);
      stretched->Update();
      QTest::newRow(name) << vtkSmartPointer<vtkPolyData>(stretched->GetOutput()) << 8 << 10 << 200;
    }
    QTest::newRow("cube of six squares")
      << vtkSmartPointer<vtkPolyData>(cube->GetOutput()) << 24 << 12 << 12;
    // A thin shell's two sides merge into the same corners: one triangle facing both ways.
    auto twoSided = vtkSmartPointer<vtkPolyData>::New();
    vtkNew<vtkPoints> corners;
    corners->InsertNextPoint(0, 0, 0);
    corners->InsertNextPoint(1, 0, 0);
    corners->InsertNextPoint(0, 1, 0);
    vtkNew<vtkCellArray> faces;
    const vtkIdType front[3] = { 0, 1, 2 };
    const vtkIdType back[3] = { 2, 1, 0 };
    faces->InsertNextCell(3, front);
    faces->InsertNextCell(3, back);
    twoSided->SetPoints(corners);
    twoSided->SetPolys(faces);
    QTest::newRow("both sides of one triangle") << twoSided << 8 << 1 << 1;
    QTest::newRow("strips") << vtkSmartPointer<vtkPolyData>(strips->GetOutput()) << 8 << 0 << 0;
    QTest::newRow("no polygons") << vtkSmartPointer<vtkPolyData>::New() << 8 << 0 << 0;
  }
  void clusteredSurfaceIsACoarseLikeness()
  {
    QFETCH(vtkSmartPointer<vtkPolyData>, surface);
    QFETCH(int, divisions);
    QFETCH(int, fewestTriangles);
    QFETCH(int, mostTriangles);
    const vtkSmartPointer<vtkPolyData> coarse = clusteredSurface(surface, divisions);
    if (mostTriangles == 0) {
      QVERIFY(coarse == nullptr);
      return;
    }
    QVERIFY(coarse != nullptr);
    QVERIFY(coarse->GetNumberOfPolys() >= fewestTriangles &&
            coarse->GetNumberOfPolys() <= mostTriangles);
    std::set<std::array<vtkIdType, 3>> seen;
    auto cells = vtk::TakeSmartPointer(coarse->GetPolys()->NewIterator());
    for (cells->GoToFirstCell(); !cells->IsDoneWithTraversal(); cells->GoToNextCell()) {
      vtkIdType count = 0;
      const vtkIdType* corners = nullptr;
      cells->GetCurrentCell(count, corners);
      QCOMPARE(count, vtkIdType(3));
      std::array<vtkIdType, 3> sorted = { corners[0], corners[1], corners[2] };
      std::sort(sorted.begin(), sorted.end());
      QVERIFY(sorted[0] != sorted[1] && sorted[1] != sorted[2]);
      QVERIFY(seen.insert(sorted).second);
    }
    const double* outer = surface->GetBounds();
    const double* inner = coarse->GetBounds();
    for (std::size_t axis = 0; axis < 3; ++axis) {
      QVERIFY(inner[2 * axis] >= outer[2 * axis] - 1e-6);
      QVERIFY(inner[2 * axis + 1] <= outer[2 * axis + 1] + 1e-6);
    }
    vtkDataArray* normals = coarse->GetPointData()->GetNormals();
    QCOMPARE(normals != nullptr, surface->GetPointData()->GetNormals() != nullptr);
    for (vtkIdType point = 0; normals != nullptr && point < normals->GetNumberOfTuples(); ++point) {
      QVERIFY(std::abs(vtkMath::Norm(normals->GetTuple3(point)) - 1) < 1e-5);
    }
  }

  void pageText_data()
  {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");
    const QByteArray longLine(5000, 'x');
    QTest::newRow("LF, CR LF, no final line feed")
      << QByteArray("Hello\nnew\r\nWorld") << "HellonewWorld";
    QTest::newRow("empty file") << QByteArray() << "";
    QTest::newRow("Latin-1 byte") << QByteArray("caf\xE9\n") << "caf\u00E9";
    QTest::newRow("UTF-8 is two characters") << QByteArray("caf\xC3\xA9") << "caf\u00C3\u00A9";
    QTest::newRow("lone CR kept") << QByteArray("a\rb\n") << "a\rb";
    QTest::newRow("line beyond any buffer") << longLine + "\r\nEnd" << QString(longLine + "End");
  }
  void pageText()
  {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    QTemporaryDir folder;
    fixture::writeFile(folder.filePath("page.html"), bytes);
    const PageRead read = readPageFile(folder.filePath("page.html"));
    QVERIFY(read.problem.empty() && !read.page.isNull());
    // A word longer than the layout allows gets invisible break opportunities (zero-width
    // spaces); the characters are the file's.
    QCOMPARE(QString(read.page).remove(QChar(0x200B)), expected);
  }
};

COCHLEX_TEST_CLASS(CameraMathTest)
#include "test_camera_math.moc"
