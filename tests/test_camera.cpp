// The camera bars, "Frontal View" and "Center Models", automatic rotation, and the way each
// 3-D view repeats the other's mouse rotation and spin.

#include "ViewerSession.h"
#include "viewer/CameraMath.h"
#include "viewer/CochlexUI.h"

#include <QAbstractEventDispatcher>
#include <QCheckBox>
#include <QScrollBar>
#include <QSlider>
#include <QVTKOpenGLNativeWidget.h>

#include <vtkCamera.h>
#include <vtkCommand.h>
#include <vtkInteractorObserver.h>
#include <vtkMath.h>
#include <vtkRenderWindow.h>
#include <vtkRenderWindowInteractor.h>
#include <vtkRenderer.h>
#include <vtkSmartPointer.h>
#include <vtkVector.h>
#include <vtkVectorOperators.h>

#include <algorithm>
#include <cmath>
#include <tuple>

namespace {

using Point = vtkVector3d;

vtkSmartPointer<vtkCamera>
copyOf(vtkCamera* camera)
{
  auto copy = vtkSmartPointer<vtkCamera>::New();
  copy->DeepCopy(camera);
  return copy;
}

// Positions relative to the camera distance, the view-up absolutely.
double
cameraGap(vtkCamera* actual, vtkCamera* expected)
{
  const double scale = std::max(1.0, expected->GetDistance());
  return std::max(
    { (Point(actual->GetPosition()) - Point(expected->GetPosition())).Norm() / scale,
      (Point(actual->GetFocalPoint()) - Point(expected->GetFocalPoint())).Norm() / scale,
      (Point(actual->GetViewUp()) - Point(expected->GetViewUp())).Norm() });
}

#define COMPARE_CAMERA(actual, expected, tolerance)                                                \
  QVERIFY2(cameraGap(actual, expected) <= (tolerance),                                             \
           qPrintable("off by " + QString::number(cameraGap(actual, expected))))

// Copies of both window cameras, given the calls the slots are expected to make.
struct ExpectedCameras
{
  explicit ExpectedCameras(_CochlexUI* window)
    : main(copyOf(window->mainCamera()))
    , head(copyOf(window->headCamera()))
  {
  }
  template<typename Move>
  void apply(Move move)
  {
    for (vtkCamera* camera : { main.Get(), head.Get() }) {
      move(camera);
      camera->OrthogonalizeViewUp();
    }
  }
  vtkSmartPointer<vtkCamera> main;
  vtkSmartPointer<vtkCamera> head;
};

#define COMPARE_CAMERAS(expected, tolerance)                                                       \
  do {                                                                                             \
    COMPARE_CAMERA(window->mainCamera(), (expected).main, tolerance);                              \
    COMPARE_CAMERA(window->headCamera(), (expected).head, tolerance);                              \
  } while (false)

// Degrees between the directions of projection of two cameras.
double
turnBetween(vtkCamera* before, vtkCamera* after)
{
  return vtkMath::DegreesFromRadians(vtkMath::AngleBetweenVectors(
    before->GetDirectionOfProjection(), after->GetDirectionOfProjection()));
}

enum DragFlags
{
  Right = 1,
  Control = 2,
  Shift = 4
};

// A mouse drag as the view widget hands it to the interactor: press, one move, release.
void
drag(vtkRenderWindowInteractor* interactor, int fromX, int fromY, int toX, int toY, int flags = 0)
{
  const bool right = flags & Right;
  interactor->SetEventInformation(fromX, fromY, (flags & Control) != 0, (flags & Shift) != 0);
  interactor->InvokeEvent(right ? vtkCommand::RightButtonPressEvent
                                : vtkCommand::LeftButtonPressEvent);
  interactor->SetEventInformation(toX, toY, (flags & Control) != 0, (flags & Shift) != 0);
  interactor->InvokeEvent(vtkCommand::MouseMoveEvent);
  interactor->InvokeEvent(right ? vtkCommand::RightButtonReleaseEvent
                                : vtkCommand::LeftButtonReleaseEvent);
}

} // namespace

class CameraTest : public QObject
{
  Q_OBJECT

  std::unique_ptr<ViewerSession> session;
  _CochlexUI* window = nullptr;

  // The loaded fixture model, from the view "Frontal View" returns to.
  void loadModel()
  {
    fixture::writeModel(session->folder(), fixture::standardStructures(), false);
    window = &session->open(1100, 800);
    session->load();
    window->reset();
  }

  // The camera bars, then the values their slots last applied.
  QString bars() const
  {
    return QStringLiteral("%1 %2 %3 %4 %5 | %6 %7 %8 %9 %10")
      .arg(window->rotXScrollBar->value())
      .arg(window->rotYScrollBar->value())
      .arg(window->shiftXSlider->value())
      .arg(window->shiftYSlider->value())
      .arg(window->zoomScrollBar->value())
      .arg(window->lastRotX)
      .arg(window->lastRotY)
      .arg(window->lastShiftX)
      .arg(window->lastShiftY)
      .arg(window->lastZoom);
  }

private slots:
  void init() { session = std::make_unique<ViewerSession>(); }
  void cleanup() { session.reset(); }

  void rotationBarsTurnBothCamerasAndCenterKeepsThem()
  {
    loadModel();
    ExpectedCameras expected(window);
    // Bar values and the Elevation calls each move must make: 90 in one call, 91 and 178 split.
    const int values[] = { -1, 89, -2, 89, -89, 89, 20 };
    const std::vector<double> steps[] = { { -1 },       { 90 },     { -90, -1 }, { 90, 1 },
                                          { -90, -88 }, { 90, 88 }, { -69 } };
    for (int move = 0; move < 7; ++move) {
      window->rotXScrollBar->setValue(values[move]);
      for (double step : steps[move]) {
        expected.apply([step](vtkCamera* camera) { camera->Elevation(step); });
      }
      COMPARE_CAMERAS(expected, 1e-9);
    }
    window->rotYScrollBar->setValue(45);
    expected.apply([](vtkCamera* camera) { camera->Azimuth(45); });
    COMPARE_CAMERAS(expected, 1e-9);

    window->shiftXSlider->setValue(80);
    window->zoomScrollBar->setValue(130);
    auto beforeCenter = copyOf(window->mainCamera());
    window->center();
    QCOMPARE(bars(), QStringLiteral("20 45 0 0 100 | 20 45 0 0 1"));
    QVERIFY(turnBetween(beforeCenter, window->mainCamera()) < 1e-6);
    ExpectedCameras centred(window);
    window->rotYScrollBar->setValue(50);
    centred.apply([](vtkCamera* camera) { camera->Azimuth(5); });
    COMPARE_CAMERAS(centred, 1e-9);
  }

  void shiftAndZoomMoveOnlyTheMainCamera()
  {
    loadModel();
    const ExpectedCameras start(window);
    const double* focalPoint = start.main->GetFocalPoint();
    const auto displayOfFocalPoint = [&] {
      double display[3];
      vtkInteractorObserver::ComputeWorldToDisplay(
        window->mainRenderer(), focalPoint[0], focalPoint[1], focalPoint[2], display);
      return Point(display);
    };
    const Point startDisplay = displayOfFocalPoint();
    const std::tuple<QSlider*, int, double, double> moves[] = {
      { window->shiftXSlider, 37, 37, 0 },
      { window->shiftXSlider, -20, -20, 0 },
      { window->shiftYSlider, 25, -20, 25 },
      { window->shiftYSlider, -500, -20, -500 },
    };
    for (const auto& [slider, value, x, y] : moves) {
      slider->setValue(value);
      const Point moved = displayOfFocalPoint() - startDisplay;
      QVERIFY2(std::abs(moved[0] - x) < 1e-6 && std::abs(moved[1] - y) < 1e-6,
               qPrintable(QStringLiteral("moved by %1, %2").arg(moved[0]).arg(moved[1])));
      QVERIFY(turnBetween(start.main, window->mainCamera()) < 1e-9);
      COMPARE_CAMERA(window->headCamera(), start.head, 0.0);
    }
    QCOMPARE(bars(), QStringLiteral("0 0 -20 -500 100 | 0 0 -20 -500 1"));

    // 50 zoom steps of half a power of 1.1 closer; back to 100 by any way, the same distance.
    const ExpectedCameras shifted(window);
    window->zoomScrollBar->setValue(150);
    const double ratio = window->mainCamera()->GetDistance() / shifted.main->GetDistance();
    QVERIFY(std::abs(ratio * std::pow(1.1, 25) - 1) < 1e-9);
    for (int value : { 30, 183, 0, 200, 100 }) {
      window->zoomScrollBar->setValue(value);
    }
    COMPARE_CAMERAS(shifted, 1e-9);
  }

  void resetReturnsToTheSavedViewAfterAnyMix()
  {
    loadModel();
    const ExpectedCameras standard(window);
    window->rotXScrollBar->setValue(30);
    window->rotYScrollBar->setValue(-60);
    window->shiftXSlider->setValue(120);
    window->shiftYSlider->setValue(-480);
    window->zoomScrollBar->setValue(140);
    // Mouse turns and a pan the bars know nothing about.
    window->mainCamera()->Azimuth(13);
    window->mainCamera()->OrthogonalizeViewUp();
    window->headCamera()->Elevation(-7);
    window->headCamera()->OrthogonalizeViewUp();
    window->headCamera()->SetFocalPoint(1, 1, 1);
    // A second press changes nothing.
    for (int press = 0; press < 2; ++press) {
      window->reset();
      QCOMPARE(bars(), QStringLiteral("0 0 0 0 100 | 0 0 0 0 1"));
      COMPARE_CAMERAS(standard, 1e-9);
    }
  }

  void autoRotationRunsOneTimerAboutOneAxis()
  {
    loadModel();
    const auto timers = [this] {
      return QAbstractEventDispatcher::instance()->registeredTimers(window);
    };
    QCOMPARE(timers().size(), 0);
    auto start = copyOf(window->mainCamera());
    window->autoRotX->setChecked(true);
    // A repeated start replaces the running timer rather than adding one.
    window->autoRotX_slot(true);
    QCOMPARE(timers().size(), 1);
    QCOMPARE(timers().first().timerId, window->autoRotationTimerId);
    QCOMPARE(timers().first().interval, 100);
    QTRY_VERIFY(turnBetween(start, window->mainCamera()) > 0.5);

    // Switching axes clears the X box and leaves exactly one timer, for Y.
    ExpectedCameras expected(window);
    window->autoRotY->setChecked(true);
    QVERIFY(!window->autoRotX->isChecked());
    QCOMPARE(timers().size(), 1);
    QCOMPARE(timers().first().timerId, window->autoRotationTimerId);
    QTest::qWait(1000);
    QTRY_VERIFY(turnBetween(expected.main, window->mainCamera()) > 0.5);
    window->autoRotY->setChecked(false);
    QCOMPARE(timers().size(), 0);

    // Whole one-degree ticks of azimuth only, on both cameras alike; the bars stay.
    const double turned = turnBetween(expected.main, window->mainCamera());
    qInfo("turned by %.6f degrees in about one second", turned);
    const int ticks = int(std::lround(turned));
    QVERIFY2(ticks >= 1 && ticks <= 12, qPrintable(QString::number(turned)));
    for (int tick = 0; tick < ticks; ++tick) {
      expected.apply([](vtkCamera* camera) { camera->Azimuth(1); });
    }
    COMPARE_CAMERAS(expected, 1e-7);
    QCOMPARE(bars(), QStringLiteral("0 0 0 0 100 | 0 0 0 0 1"));

    RenderCounter mainRenders(window->mainRenderWindow());
    RenderCounter headRenders(window->headRenderWindow());
    QTest::qWait(500);
    QCOMPARE(mainRenders.count + headRenders.count, 0);
    COMPARE_CAMERAS(expected, 1e-7);
  }

  void mouseTurnsAreRepeatedInTheOtherView()
  {
    loadModel();
    window->qvtkWidget->setFixedSize(600, 400);
    window->qvtkHead->setFixedSize(300, 200);
    const auto sized = [](vtkRenderWindow* view, int width, int height) {
      return view->GetSize()[0] == width && view->GetSize()[1] == height;
    };
    QTRY_VERIFY(sized(window->mainRenderWindow(), 600, 400) &&
                sized(window->headRenderWindow(), 300, 200));
    vtkRenderWindowInteractor* mainInteractor = window->qvtkWidget->interactor();
    vtkRenderWindowInteractor* headInteractor = window->qvtkHead->interactor();
    // The state read by the coupling is that of the style that handles the mouse.
    for (vtkRenderWindowInteractor* interactor : { mainInteractor, headInteractor }) {
      QVERIFY(interactor->HasObserver(vtkCommand::RenderEvent));
      QVERIFY(interactor->GetInteractorStyle()->IsA("vtkInteractorStyleTrackballCamera"));
    }

    // 30 main pixels to the right: -10 degrees of azimuth in both views.
    ExpectedCameras expected(window);
    drag(mainInteractor, 300, 200, 330, 200);
    expected.apply([](vtkCamera* camera) { camera->Azimuth(-10); });
    COMPARE_CAMERAS(expected, 1e-9);
    // 15 head pixels up and 6 to the left: the main view turns by the same angles.
    drag(headInteractor, 150, 100, 144, 115);
    expected.apply([](vtkCamera* camera) {
      camera->Azimuth(-20.0 / 300 * -6 * motionFactor);
      camera->Elevation(-20.0 / 200 * 15 * motionFactor);
    });
    COMPARE_CAMERAS(expected, 1e-9);

    // One main pixel is half a head pixel: no turn.
    drag(mainInteractor, 300, 200, 301, 199);
    QVERIFY(turnBetween(expected.main, window->mainCamera()) > 0.2);
    COMPARE_CAMERA(window->headCamera(), expected.head, 0.0);

    // Pan, dolly and the wheel leave the other camera alone.
    auto main = copyOf(window->mainCamera());
    drag(mainInteractor, 300, 200, 340, 230, Shift);
    QVERIFY(cameraGap(window->mainCamera(), main) > 1e-3);
    drag(mainInteractor, 300, 200, 300, 260, Right);
    mainInteractor->InvokeEvent(vtkCommand::MouseWheelForwardEvent);
    COMPARE_CAMERA(window->headCamera(), expected.head, 0.0);
    main = copyOf(window->mainCamera());
    drag(headInteractor, 150, 100, 170, 120, Shift);
    drag(headInteractor, 150, 100, 150, 60, Right);
    headInteractor->InvokeEvent(vtkCommand::MouseWheelBackwardEvent);
    COMPARE_CAMERA(window->mainCamera(), main, 0.0);

    // Control + left drag from right of the centre to the upper right: a 45 degree spin.
    ExpectedCameras spun(window);
    drag(mainInteractor, 400, 200, 400, 300, Control);
    spun.apply([](vtkCamera* camera) { camera->Roll(45); });
    // The follower's factor is single precision.
    COMPARE_CAMERAS(spun, 1e-6);
  }
};

COCHLEX_VIEWER_TEST_MAIN(CameraTest)
#include "test_camera.moc"
