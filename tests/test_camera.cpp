// The camera bars, "Frontal View" and "Center Models", automatic rotation, and the way each
// 3-D view repeats the other's mouse rotation and spin.

#include "ModelFixture.h"
#include "viewer/CameraMath.h"
#include "viewer/CochlexUI.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCheckBox>
#include <QDockWidget>
#include <QScrollBar>
#include <QSlider>
#include <QSurfaceFormat>
#include <QTemporaryDir>
#include <QTest>
#include <QVTKOpenGLNativeWidget.h>

#include <vtkActor.h>
#include <vtkCallbackCommand.h>
#include <vtkCamera.h>
#include <vtkCommand.h>
#include <vtkInteractorObserver.h>
#include <vtkInteractorStyle.h>
#include <vtkInteractorStyleTrackballCamera.h>
#include <vtkMath.h>
#include <vtkNew.h>
#include <vtkPolyDataMapper.h>
#include <vtkRenderWindow.h>
#include <vtkRenderWindowInteractor.h>
#include <vtkRenderer.h>
#include <vtkSmartPointer.h>
#include <vtkSphereSource.h>

#include <cmath>
#include <memory>

namespace {

// A camera as a value, to compare one that a slot moved with one given the expected calls.
struct CameraState
{
  double position[3];
  double focalPoint[3];
  double viewUp[3];
};

CameraState
stateOf(vtkCamera* camera)
{
  CameraState state;
  camera->GetPosition(state.position);
  camera->GetFocalPoint(state.focalPoint);
  camera->GetViewUp(state.viewUp);
  return state;
}

// Equal up to rounding: positions relative to the camera distance, the view-up absolutely.
bool
sameCamera(const CameraState& actual,
           const CameraState& expected,
           QString* why,
           double tolerance = 1e-9)
{
  const double scale = std::max(
    1.0, std::sqrt(vtkMath::Distance2BetweenPoints(expected.position, expected.focalPoint)));
  for (int i = 0; i < 3; ++i) {
    const double differences[3] = { std::abs(actual.position[i] - expected.position[i]) / scale,
                                    std::abs(actual.focalPoint[i] - expected.focalPoint[i]) / scale,
                                    std::abs(actual.viewUp[i] - expected.viewUp[i]) };
    const char* names[3] = { "position", "focal point", "view-up" };
    for (int k = 0; k < 3; ++k) {
      if (!(differences[k] <= tolerance)) {
        *why = QStringLiteral("%1[%2] differs by %3").arg(names[k]).arg(i).arg(differences[k]);
        return false;
      }
    }
  }
  return true;
}

#define COMPARE_CAMERA(actual, expected)                                                           \
  do {                                                                                             \
    QString why;                                                                                   \
    QVERIFY2(sameCamera(stateOf(actual), stateOf(expected), &why), qPrintable(why));               \
  } while (false)

#define COMPARE_CAMERA_WITHIN(actual, expected, tolerance)                                         \
  do {                                                                                             \
    QString why;                                                                                   \
    QVERIFY2(sameCamera(stateOf(actual), stateOf(expected), &why, tolerance), qPrintable(why));    \
  } while (false)

#define COMPARE_STATE(actual, expected)                                                            \
  do {                                                                                             \
    QString why;                                                                                   \
    QVERIFY2(sameCamera(stateOf(actual), expected, &why), qPrintable(why));                        \
  } while (false)

vtkSmartPointer<vtkCamera>
copyOf(vtkCamera* camera)
{
  auto copy = vtkSmartPointer<vtkCamera>::New();
  copy->DeepCopy(camera);
  return copy;
}

// Angle in degrees between the directions of projection of two cameras.
double
turnBetween(const CameraState& before, vtkCamera* after)
{
  double from[3];
  double to[3];
  for (int i = 0; i < 3; ++i) {
    from[i] = before.focalPoint[i] - before.position[i];
    to[i] = after->GetFocalPoint()[i] - after->GetPosition()[i];
  }
  vtkMath::Normalize(from);
  vtkMath::Normalize(to);
  return vtkMath::DegreesFromRadians(vtkMath::AngleBetweenVectors(from, to));
}

void
addSphere(vtkRenderer* renderer, double x, double y, double z, double radius)
{
  vtkNew<vtkSphereSource> sphere;
  sphere->SetCenter(x, y, z);
  sphere->SetRadius(radius);
  vtkNew<vtkPolyDataMapper> mapper;
  mapper->SetInputConnection(sphere->GetOutputPort());
  vtkNew<vtkActor> actor;
  actor->SetMapper(mapper);
  renderer->AddActor(actor);
}

// Counts the renders of a render window.
class RenderCounter
{
public:
  explicit RenderCounter(vtkRenderWindow* window)
    : window(window)
  {
    command->SetClientData(&count);
    command->SetCallback(
      [](vtkObject*, unsigned long, void* clientData, void*) { ++*static_cast<int*>(clientData); });
    tag = window->AddObserver(vtkCommand::StartEvent, command);
  }
  ~RenderCounter() { window->RemoveObserver(tag); }
  int count = 0;

private:
  vtkRenderWindow* window;
  vtkNew<vtkCallbackCommand> command;
  unsigned long tag = 0;
};

enum class Button
{
  Left,
  Right
};

// A mouse drag as the view widget hands it to the interactor: press, one move, release.
void
drag(vtkRenderWindowInteractor* interactor,
     int fromX,
     int fromY,
     int toX,
     int toY,
     Button button = Button::Left,
     bool control = false,
     bool shift = false)
{
  const bool left = button == Button::Left;
  interactor->SetEventInformation(fromX, fromY, control, shift);
  interactor->InvokeEvent(left ? vtkCommand::LeftButtonPressEvent
                               : vtkCommand::RightButtonPressEvent);
  interactor->SetEventInformation(toX, toY, control, shift);
  interactor->InvokeEvent(vtkCommand::MouseMoveEvent);
  interactor->InvokeEvent(left ? vtkCommand::LeftButtonReleaseEvent
                               : vtkCommand::RightButtonReleaseEvent);
}

} // namespace

class CameraTest : public QObject
{
  Q_OBJECT

private slots:
  void init();
  void cleanup();

  // The bars, on a scene set up here.
  void rotXTurnsBothCamerasSplittingLargeSteps();
  void rotYAddsItsDifferenceAndCenterKeepsIt();
  void zoomBackGivesTheEarlierDistance();
  void shiftMovesOnlyTheMainContentByPixels();
  void resetReturnsToTheSavedViewAfterAnyMix();

  // The auto-rotation timer.
  void autoRotationSwitchesAxesWithOneTimer();
  void uncheckingStopsTheTimerRenders();

  // The mouse coupling, on a loaded model.
  void rotationInOneViewTurnsTheOtherByTheSameAngle();
  void motionBelowOneTargetPixelTurnsNothing();
  void panAndZoomLeaveTheOtherCameraAlone();
  void spinRollsTheOtherCamera();

private:
  // The view loading leaves behind: both cameras framed, turned to look from the front.
  void setUpStandardView();
  void loadModelWithViewSizes();

  std::unique_ptr<QTemporaryDir> folder;
  std::unique_ptr<fixture::WorkingDirectory> workingDirectory;
  std::unique_ptr<_CochlexUI> window;
};

void
CameraTest::init()
{
  folder = std::make_unique<QTemporaryDir>();
  workingDirectory = std::make_unique<fixture::WorkingDirectory>(folder->path());
  window = std::make_unique<_CochlexUI>();
  window->resize(1100, 800);
}

void
CameraTest::cleanup()
{
  window.reset();
  workingDirectory.reset();
  folder.reset();
}

void
CameraTest::setUpStandardView()
{
  window->show();
  QVERIFY(QTest::qWaitForWindowExposed(window.get()));
  window->headDock->show();
  addSphere(window->mainRenderer(), 1, 2, 3, 2);
  addSphere(window->mainRenderer(), 5, 2, 4, 1);
  addSphere(window->headRenderer(), 0, 0, 0, 5);
  window->mainRenderer()->ResetCamera();
  window->headRenderer()->ResetCamera();
  for (vtkCamera* camera : { window->mainCamera(), window->headCamera() }) {
    camera->Elevation(-90);
    camera->OrthogonalizeViewUp();
  }
  window->mainCamera()->GetPosition(window->savedMainCameraPosition);
  window->headCamera()->GetPosition(window->savedHeadCameraPosition);
  window->mainCamera()->GetViewUp(window->savedViewUp);
  window->reset();
}

void
CameraTest::rotXTurnsBothCamerasSplittingLargeSteps()
{
  setUpStandardView();
  auto expectedMain = copyOf(window->mainCamera());
  auto expectedHead = copyOf(window->headCamera());

  // Bar values and the Elevation calls each move must make: 90 in one call, 91 and 178 split.
  struct Move
  {
    int value;
    std::vector<double> steps;
  };
  const Move moves[] = { { -1, { -1 } },    { 89, { 90 } },        { -2, { -90, -1 } },
                         { 89, { 90, 1 } }, { -89, { -90, -88 } }, { 89, { 90, 88 } } };
  for (const Move& move : moves) {
    window->rotXScrollBar->setValue(move.value);
    for (double step : move.steps) {
      for (vtkCamera* camera : { expectedMain.Get(), expectedHead.Get() }) {
        camera->Elevation(step);
        camera->OrthogonalizeViewUp();
      }
    }
    QCOMPARE(window->lastRotX, move.value);
    COMPARE_CAMERA(window->mainCamera(), expectedMain);
    COMPARE_CAMERA(window->headCamera(), expectedHead);
  }
}

void
CameraTest::rotYAddsItsDifferenceAndCenterKeepsIt()
{
  setUpStandardView();
  window->rotXScrollBar->setValue(20);
  auto expectedMain = copyOf(window->mainCamera());
  auto expectedHead = copyOf(window->headCamera());

  window->rotYScrollBar->setValue(45);
  for (vtkCamera* camera : { expectedMain.Get(), expectedHead.Get() }) {
    camera->Azimuth(45);
    camera->OrthogonalizeViewUp();
  }
  COMPARE_CAMERA(window->mainCamera(), expectedMain);
  COMPARE_CAMERA(window->headCamera(), expectedHead);

  window->shiftXSlider->setValue(80);
  window->zoomScrollBar->setValue(130);
  const CameraState beforeCenter = stateOf(window->mainCamera());
  window->center();
  QCOMPARE(window->rotYScrollBar->value(), 45);
  QCOMPARE(window->rotXScrollBar->value(), 20);
  QCOMPARE(window->lastRotY, 45);
  QCOMPARE(window->lastRotX, 20);
  QCOMPARE(window->shiftXSlider->value(), 0);
  QCOMPARE(window->zoomScrollBar->value(), 100);
  QCOMPARE(window->lastShiftX, 0);
  QCOMPARE(window->lastZoom, 1.0);
  // The refit keeps the direction the bars turned to.
  QVERIFY(turnBetween(beforeCenter, window->mainCamera()) < 1e-6);

  expectedMain->DeepCopy(window->mainCamera());
  expectedHead->DeepCopy(window->headCamera());
  window->rotYScrollBar->setValue(50);
  for (vtkCamera* camera : { expectedMain.Get(), expectedHead.Get() }) {
    camera->Azimuth(5);
    camera->OrthogonalizeViewUp();
  }
  COMPARE_CAMERA(window->mainCamera(), expectedMain);
  COMPARE_CAMERA(window->headCamera(), expectedHead);
}

void
CameraTest::zoomBackGivesTheEarlierDistance()
{
  setUpStandardView();
  const double startDistance = window->mainCamera()->GetDistance();
  const CameraState head = stateOf(window->headCamera());
  const CameraState focal = stateOf(window->mainCamera());

  window->zoomScrollBar->setValue(150);
  // A larger bar value brings the camera closer: 50 steps of half a power of 1.1.
  QVERIFY(std::abs(window->mainCamera()->GetDistance() * std::pow(1.1, 25) / startDistance - 1) <
          1e-9);
  for (int value : { 30, 183, 0, 200, 100 }) {
    window->zoomScrollBar->setValue(value);
    QCOMPARE(window->lastZoom, value / 100.0);
  }
  QVERIFY(std::abs(window->mainCamera()->GetDistance() / startDistance - 1) < 1e-9);
  for (int i = 0; i < 3; ++i) {
    QCOMPARE(window->mainCamera()->GetFocalPoint()[i], focal.focalPoint[i]);
  }
  COMPARE_STATE(window->headCamera(), head);
}

void
CameraTest::shiftMovesOnlyTheMainContentByPixels()
{
  setUpStandardView();
  vtkRenderer* renderer = window->mainRenderer();
  double focalPoint[3];
  window->mainCamera()->GetFocalPoint(focalPoint);
  auto displayOfFocalPoint = [&](double display[3]) {
    vtkInteractorObserver::ComputeWorldToDisplay(
      renderer, focalPoint[0], focalPoint[1], focalPoint[2], display);
  };
  double start[3];
  displayOfFocalPoint(start);
  const CameraState head = stateOf(window->headCamera());
  double startDirection[3];
  window->mainCamera()->GetDirectionOfProjection(startDirection);

  struct Move
  {
    QSlider* slider;
    int value;
    double expectedX;
    double expectedY;
  };
  const Move moves[] = { { window->shiftXSlider, 37, 37, 0 },
                         { window->shiftXSlider, -20, -20, 0 },
                         { window->shiftYSlider, 25, -20, 25 },
                         { window->shiftYSlider, -500, -20, -500 } };
  for (const Move& move : moves) {
    move.slider->setValue(move.value);
    double display[3];
    displayOfFocalPoint(display);
    QVERIFY2(std::abs(display[0] - start[0] - move.expectedX) < 1e-6,
             qPrintable(QString::number(display[0] - start[0])));
    QVERIFY2(std::abs(display[1] - start[1] - move.expectedY) < 1e-6,
             qPrintable(QString::number(display[1] - start[1])));
    double direction[3];
    window->mainCamera()->GetDirectionOfProjection(direction);
    for (int i = 0; i < 3; ++i) {
      QVERIFY(std::abs(direction[i] - startDirection[i]) < 1e-12);
    }
    COMPARE_STATE(window->headCamera(), head);
  }
  QCOMPARE(window->lastShiftX, -20);
  QCOMPARE(window->lastShiftY, -500);
}

void
CameraTest::resetReturnsToTheSavedViewAfterAnyMix()
{
  setUpStandardView();
  const CameraState standardMain = stateOf(window->mainCamera());
  const CameraState standardHead = stateOf(window->headCamera());

  window->rotXScrollBar->setValue(30);
  window->rotYScrollBar->setValue(-60);
  window->shiftXSlider->setValue(120);
  window->shiftYSlider->setValue(-480);
  window->zoomScrollBar->setValue(140);
  // A mouse turn and pan in the views, which the bars know nothing about.
  window->mainCamera()->Azimuth(13);
  window->mainCamera()->OrthogonalizeViewUp();
  window->headCamera()->Elevation(-7);
  window->headCamera()->OrthogonalizeViewUp();
  window->headCamera()->SetFocalPoint(1, 1, 1);

  window->reset();
  QCOMPARE(window->rotXScrollBar->value(), 0);
  QCOMPARE(window->rotYScrollBar->value(), 0);
  QCOMPARE(window->shiftXSlider->value(), 0);
  QCOMPARE(window->shiftYSlider->value(), 0);
  QCOMPARE(window->zoomScrollBar->value(), 100);
  QCOMPARE(window->lastRotX, 0);
  QCOMPARE(window->lastRotY, 0);
  QCOMPARE(window->lastShiftX, 0);
  QCOMPARE(window->lastShiftY, 0);
  QCOMPARE(window->lastZoom, 1.0);
  COMPARE_STATE(window->mainCamera(), standardMain);
  COMPARE_STATE(window->headCamera(), standardHead);

  // Pressing it again changes nothing.
  window->reset();
  COMPARE_STATE(window->mainCamera(), standardMain);
  COMPARE_STATE(window->headCamera(), standardHead);
}

void
CameraTest::autoRotationSwitchesAxesWithOneTimer()
{
  setUpStandardView();
  QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
  QCOMPARE(dispatcher->registeredTimers(window.get()).size(), 0);

  const CameraState mainStart = stateOf(window->mainCamera());
  window->autoRotX->setChecked(true);
  QCOMPARE(window->autoRotateX, true);
  QCOMPARE(window->autoRotateY, false);
  QList<QAbstractEventDispatcher::TimerInfo> timers = dispatcher->registeredTimers(window.get());
  QCOMPARE(timers.size(), 1);
  QCOMPARE(timers.first().timerId, window->autoRotationTimerId);
  QCOMPARE(timers.first().interval, 100);
  QTRY_VERIFY(turnBetween(mainStart, window->mainCamera()) > 0.5);

  // Switching axes: the X box is cleared and exactly one timer runs, for Y.
  const CameraState mainBefore = stateOf(window->mainCamera());
  const CameraState headBefore = stateOf(window->headCamera());
  window->autoRotY->setChecked(true);
  QVERIFY(!window->autoRotX->isChecked());
  QCOMPARE(window->autoRotateX, false);
  QCOMPARE(window->autoRotateY, true);
  timers = dispatcher->registeredTimers(window.get());
  QCOMPARE(timers.size(), 1);
  QCOMPARE(timers.first().timerId, window->autoRotationTimerId);

  QTest::qWait(1000);
  QTRY_VERIFY(turnBetween(mainBefore, window->mainCamera()) > 0.5);
  window->autoRotY->setChecked(false);
  QCOMPARE(dispatcher->registeredTimers(window.get()).size(), 0);

  // Whole one-degree ticks about the vertical axis only, on both cameras alike.
  const double turned = turnBetween(mainBefore, window->mainCamera());
  const int ticks = static_cast<int>(std::lround(turned));
  qInfo("turned by %.6f degrees in about one second", turned);
  QVERIFY2(ticks >= 1 && ticks <= 12, qPrintable(QString::number(turned)));
  vtkNew<vtkCamera> expectedMain;
  vtkNew<vtkCamera> expectedHead;
  for (auto [camera, state] :
       { std::pair<vtkCamera*, const CameraState*>{ expectedMain, &mainBefore },
         { expectedHead, &headBefore } }) {
    camera->SetPosition(state->position);
    camera->SetFocalPoint(state->focalPoint);
    camera->SetViewUp(state->viewUp);
    for (int tick = 0; tick < ticks; ++tick) {
      camera->Azimuth(1);
      camera->OrthogonalizeViewUp();
    }
  }
  COMPARE_CAMERA_WITHIN(window->mainCamera(), expectedMain, 1e-7);
  COMPARE_CAMERA_WITHIN(window->headCamera(), expectedHead, 1e-7);

  // The rotation bars never move.
  QCOMPARE(window->rotXScrollBar->value(), 0);
  QCOMPARE(window->rotYScrollBar->value(), 0);
  QCOMPARE(window->lastRotX, 0);
  QCOMPARE(window->lastRotY, 0);
}

void
CameraTest::uncheckingStopsTheTimerRenders()
{
  setUpStandardView();
  window->autoRotX->setChecked(true);
  // A repeated start replaces the running timer rather than adding one.
  window->autoRotX_slot(true);
  QCOMPARE(QAbstractEventDispatcher::instance()->registeredTimers(window.get()).size(), 1);
  const CameraState start = stateOf(window->mainCamera());
  QTRY_VERIFY(turnBetween(start, window->mainCamera()) > 0.5);
  window->autoRotX->setChecked(false);
  QCOMPARE(QAbstractEventDispatcher::instance()->registeredTimers(window.get()).size(), 0);

  const CameraState main = stateOf(window->mainCamera());
  const CameraState head = stateOf(window->headCamera());
  RenderCounter mainRenders(window->mainRenderWindow());
  RenderCounter headRenders(window->headRenderWindow());
  QTest::qWait(500);
  QCOMPARE(mainRenders.count, 0);
  QCOMPARE(headRenders.count, 0);
  COMPARE_STATE(window->mainCamera(), main);
  COMPARE_STATE(window->headCamera(), head);
}

void
CameraTest::loadModelWithViewSizes()
{
  std::vector<fixture::Structure> structures = fixture::standardStructures();
  fixture::writeStructureList(folder->path(), structures);
  for (const fixture::Structure& structure : structures) {
    fixture::writeStructureFiles(folder->path(), structure);
  }
  fixture::writeHeadModel(folder->path());

  window->show();
  QVERIFY(QTest::qWaitForWindowExposed(window.get()));
  window->loadTB();
  // 600 by 400 pixels for the main view, 300 by 200 for the head view.
  window->qvtkWidget->setFixedSize(600, 400);
  window->qvtkHead->setFixedSize(300, 200);
  QTRY_COMPARE(window->mainRenderWindow()->GetSize()[0], 600);
  QTRY_COMPARE(window->mainRenderWindow()->GetSize()[1], 400);
  QTRY_COMPARE(window->headRenderWindow()->GetSize()[0], 300);
  QTRY_COMPARE(window->headRenderWindow()->GetSize()[1], 200);

  // The state read by the coupling is that of the style that handles the mouse.
  for (QVTKOpenGLNativeWidget* view : { window->qvtkWidget, window->qvtkHead }) {
    vtkRenderWindowInteractor* interactor = view->interactor();
    QVERIFY(interactor->HasObserver(vtkCommand::RenderEvent));
    QVERIFY(interactor->GetInteractorStyle()->IsA("vtkInteractorStyleTrackballCamera"));
  }
}

void
CameraTest::rotationInOneViewTurnsTheOtherByTheSameAngle()
{
  loadModelWithViewSizes();
  if (QTest::currentTestFailed()) {
    return;
  }
  auto expectedMain = copyOf(window->mainCamera());
  auto expectedHead = copyOf(window->headCamera());

  // 30 main pixels to the right: -10 degrees of azimuth in both views.
  drag(window->qvtkWidget->interactor(), 300, 200, 330, 200);
  for (vtkCamera* camera : { expectedMain.Get(), expectedHead.Get() }) {
    camera->Azimuth(-10);
    camera->Elevation(0);
    camera->OrthogonalizeViewUp();
  }
  COMPARE_CAMERA(window->mainCamera(), expectedMain);
  COMPARE_CAMERA(window->headCamera(), expectedHead);

  // 15 head pixels up and 6 to the left: the main view turns by the same angles.
  drag(window->qvtkHead->interactor(), 150, 100, 144, 115);
  const double azimuth = -20.0 / 300 * -6 * motionFactor;
  const double elevation = -20.0 / 200 * 15 * motionFactor;
  for (vtkCamera* camera : { expectedMain.Get(), expectedHead.Get() }) {
    camera->Azimuth(azimuth);
    camera->Elevation(elevation);
    camera->OrthogonalizeViewUp();
  }
  COMPARE_CAMERA(window->mainCamera(), expectedMain);
  COMPARE_CAMERA(window->headCamera(), expectedHead);
}

void
CameraTest::motionBelowOneTargetPixelTurnsNothing()
{
  loadModelWithViewSizes();
  if (QTest::currentTestFailed()) {
    return;
  }
  const CameraState head = stateOf(window->headCamera());
  const CameraState main = stateOf(window->mainCamera());

  // One main pixel is half a head pixel.
  drag(window->qvtkWidget->interactor(), 300, 200, 301, 199);
  QVERIFY(turnBetween(main, window->mainCamera()) > 0.2);
  for (int i = 0; i < 3; ++i) {
    QCOMPARE(window->headCamera()->GetPosition()[i], head.position[i]);
    QCOMPARE(window->headCamera()->GetViewUp()[i], head.viewUp[i]);
  }
}

void
CameraTest::panAndZoomLeaveTheOtherCameraAlone()
{
  loadModelWithViewSizes();
  if (QTest::currentTestFailed()) {
    return;
  }
  vtkRenderWindowInteractor* mainInteractor = window->qvtkWidget->interactor();
  vtkRenderWindowInteractor* headInteractor = window->qvtkHead->interactor();

  const CameraState head = stateOf(window->headCamera());
  CameraState main = stateOf(window->mainCamera());
  drag(mainInteractor, 300, 200, 340, 230, Button::Left, false, true); // pan
  QString unused;
  QVERIFY(!sameCamera(stateOf(window->mainCamera()), main, &unused));
  drag(mainInteractor, 300, 200, 300, 260, Button::Right); // dolly
  mainInteractor->SetEventInformation(300, 200);
  mainInteractor->InvokeEvent(vtkCommand::MouseWheelForwardEvent);
  COMPARE_STATE(window->headCamera(), head);

  main = stateOf(window->mainCamera());
  drag(headInteractor, 150, 100, 170, 120, Button::Left, false, true);
  drag(headInteractor, 150, 100, 150, 60, Button::Right);
  headInteractor->SetEventInformation(150, 100);
  headInteractor->InvokeEvent(vtkCommand::MouseWheelBackwardEvent);
  COMPARE_STATE(window->mainCamera(), main);
}

void
CameraTest::spinRollsTheOtherCamera()
{
  loadModelWithViewSizes();
  if (QTest::currentTestFailed()) {
    return;
  }
  auto mainBefore = copyOf(window->mainCamera());
  auto headBefore = copyOf(window->headCamera());

  // Control + left drag from right of the centre (300, 200) to the upper right: 45 degrees.
  drag(window->qvtkWidget->interactor(), 400, 200, 400, 300, Button::Left, true);
  mainBefore->Roll(45);
  mainBefore->OrthogonalizeViewUp();
  headBefore->Roll(45);
  headBefore->OrthogonalizeViewUp();
  // The follower's factor is single precision: equal within a few millionths of a degree.
  COMPARE_CAMERA_WITHIN(window->mainCamera(), mainBefore, 1e-7);
  COMPARE_CAMERA_WITHIN(window->headCamera(), headBefore, 1e-6);
}

int
main(int argc, char** argv)
{
  QSurfaceFormat::setDefaultFormat(QVTKOpenGLNativeWidget::defaultFormat());
  QApplication application(argc, argv);
  CameraTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "test_camera.moc"
