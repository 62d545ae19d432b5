// Camera bars, "Frontal View", "Center Models", automatic rotation and the coupled views.

#include "GuiTest.h"
#include "viewer/CameraMath.h"
#include "viewer/InteractiveDetail.h"
#include "viewer/SectionGeometry.h"

#include <QVTKOpenGLWindow.h>
#include <QWindow>

#include <vtkAbstractMapper.h>
#include <vtkCallbackCommand.h>
#include <vtkInteractorObserver.h>
#include <vtkNew.h>
#include <vtkSmartPointer.h>
#include <vtkTransform.h>

#include <functional>

#define COMPARE_CAMERA(actual, expected, tolerance)                                                \
  QVERIFY2(gap(actual, expected) <= (tolerance),                                                   \
           qPrintable("off by " + QString::number(gap(actual, expected))))
#define COMPARE_CAMERAS(expected, tolerance)                                                       \
  do {                                                                                             \
    COMPARE_CAMERA(window->mainCamera(), (expected).main, tolerance);                              \
    COMPARE_CAMERA(window->headCamera(), (expected).head, tolerance);                              \
  } while (false)

using Point = vtkVector3d;
using Camera = vtkSmartPointer<vtkCamera>;
// How the model should move on the screen after a key: a turn about the view's up or right axis
// through the focal point (degrees, the way the model turns), a shift in view heights, a zoom.
struct KeyMotion
{
  double turnAboutUp = 0;
  double turnAboutRight = 0;
  double shiftRight = 0;
  double shiftUp = 0;
  double zoom = 1;
};
Q_DECLARE_METATYPE(KeyMotion)
constexpr int Right = 1, Control = 2, Shift = 4;

// What the main view drew in one render: the structure cells, whether every structure kept its
// colour, opacity and clipping plane, and the width it was drawn at.
struct DrawnFrame
{
  vtkIdType cells;
  bool lookKept;
  int width;
};

class CameraTest : public QObject
{
  Q_OBJECT

  std::unique_ptr<ViewerSession> session;
  _CochlexUI* window = nullptr;

  static Camera copyOf(vtkCamera* camera)
  {
    auto copy = Camera::New();
    copy->DeepCopy(camera);
    return copy;
  }
  // Positions relative to the camera distance, the view-up absolutely.
  static double gap(vtkCamera* actual, vtkCamera* expected)
  {
    const double scale = std::max(1.0, expected->GetDistance());
    return std::max(
      { (Point(actual->GetPosition()) - Point(expected->GetPosition())).Norm() / scale,
        (Point(actual->GetFocalPoint()) - Point(expected->GetFocalPoint())).Norm() / scale,
        (Point(actual->GetViewUp()) - Point(expected->GetViewUp())).Norm() });
  }
  static double turnBetween(vtkCamera* before, vtkCamera* after)
  {
    return vtkMath::DegreesFromRadians(vtkMath::AngleBetweenVectors(
      before->GetDirectionOfProjection(), after->GetDirectionOfProjection()));
  }
  // Press, one move, release, as the view widget hands them to the interactor.
  static void drag(vtkRenderWindowInteractor* view, int x, int y, int toX, int toY, int flags = 0)
  {
    const bool right = flags & Right;
    view->SetEventInformation(x, y, (flags & Control) != 0, (flags & Shift) != 0);
    view->InvokeEvent(right ? vtkCommand::RightButtonPressEvent : vtkCommand::LeftButtonPressEvent);
    view->SetEventInformation(toX, toY, (flags & Control) != 0, (flags & Shift) != 0);
    view->InvokeEvent(vtkCommand::MouseMoveEvent);
    view->InvokeEvent(right ? vtkCommand::RightButtonReleaseEvent
                            : vtkCommand::LeftButtonReleaseEvent);
  }
  // Press, one move for each motion, release: a left drag as slow or as fast as its steps.
  static void dragInSteps(vtkRenderWindowInteractor* view,
                          QPoint at,
                          const QVector<QPoint>& motions)
  {
    view->SetEventInformation(at.x(), at.y());
    view->InvokeEvent(vtkCommand::LeftButtonPressEvent);
    for (const QPoint& motion : motions) {
      at += motion;
      view->SetEventInformation(at.x(), at.y());
      view->InvokeEvent(vtkCommand::MouseMoveEvent);
    }
    view->InvokeEvent(vtkCommand::LeftButtonReleaseEvent);
  }
  // The same left drag as the window system delivers it to the view's native window, in the
  // view's coordinates, which the view maps to the VTK window's pixels at its resolution.
  static void dragThroughWindow(RenderView* view, QPoint at, const QVector<QPoint>& motions)
  {
    QWindow* native = view->embeddedOpenGLWindow();
    const auto send = [native](QEvent::Type type, QPoint point, Qt::MouseButtons held) {
      QMouseEvent event(type,
                        QPointF(point),
                        QPointF(point),
                        QPointF(native->mapToGlobal(point)),
                        type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                        held,
                        Qt::NoModifier);
      QCoreApplication::sendEvent(native, &event);
    };
    send(QEvent::MouseButtonPress, at, Qt::LeftButton);
    for (const QPoint& motion : motions) {
      at += motion;
      send(QEvent::MouseMove, at, Qt::LeftButton);
    }
    send(QEvent::MouseButtonRelease, at, Qt::NoButton);
  }
  // Copies of both window cameras, moved by the calls the slots are expected to make.
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
    Camera main;
    Camera head;
  };
private slots:
  void initTestCase()
  {
    session = std::make_unique<ViewerSession>();
    window = &session->openModel(fixture::standardStructures(), false);
  }
  void init() { window->reset(); }
  void cleanupTestCase() { session.reset(); }

  void barsMoveTheCamerasAndFrontalViewRestoresThem()
  {
    const ExpectedCameras standard(window);
    // Shifts move the content by the slider values in pixels, in the main view only.
    const double* focal = standard.main->GetFocalPoint();
    const auto focalOnScreen = [&] {
      window->mainRenderer()->SetWorldPoint(focal[0], focal[1], focal[2], 1.0);
      window->mainRenderer()->WorldToDisplay();
      return Point(window->mainRenderer()->GetDisplayPoint());
    };
    const Point before = focalOnScreen();
    window->shiftXSlider->setValue(37);
    window->shiftYSlider->setValue(-500);
    QVERIFY((focalOnScreen() - before - Point(37, -500, 0)).Norm() < 1e-6);
    QVERIFY(turnBetween(standard.main, window->mainCamera()) < 1e-9);
    COMPARE_CAMERA(window->headCamera(), standard.head, 0.0);

    // Zoom there and back, and a turn of the bar by 178 degrees, split around the view-up (the
    // steps themselves are checked without a window).
    ExpectedCameras expected(window);
    window->zoomScrollBar->setValue(150);
    QVERIFY(window->mainCamera()->GetDistance() < expected.main->GetDistance() / 10);
    window->zoomScrollBar->setValue(100);
    window->rotXScrollBar->setValue(-89);
    window->rotXScrollBar->setValue(89);
    for (double step : { -89.0, 90.0, 88.0 }) {
      expected.apply([step](vtkCamera* camera) { camera->Elevation(step); });
    }
    COMPARE_CAMERAS(expected, 1e-9);
    window->rotYScrollBar->setValue(45);
    expected.apply([](vtkCamera* camera) { camera->Azimuth(45); });
    COMPARE_CAMERAS(expected, 1e-9);

    // Center Models frames the structures again without turning them.
    window->zoomScrollBar->setValue(130);
    window->center();
    QCOMPARE(window->zoomScrollBar->value(), 100);
    QVERIFY(turnBetween(expected.main, window->mainCamera()) < 1e-6);

    // "Frontal View", also after mouse turns and pans the bars know nothing about; twice.
    window->mainCamera()->Azimuth(13);
    window->headCamera()->SetFocalPoint(1, 1, 1);
    for (int press = 0; press < 2; ++press) {
      window->reset();
      for (QAbstractSlider* bar :
           std::initializer_list<QAbstractSlider*>{ window->rotXScrollBar,
                                                    window->rotYScrollBar,
                                                    window->shiftXSlider,
                                                    window->zoomScrollBar }) {
        QCOMPARE(bar->value(), bar == window->zoomScrollBar ? 100 : 0);
      }
      COMPARE_CAMERAS(standard, 1e-9);
    }
  }

  // Where a model point appears in the main view, in VTK's display pixels.
  QPointF displayOf(const Point& point) const
  {
    double display[3];
    vtkInteractorObserver::ComputeWorldToDisplay(
      window->mainRenderer(), point[0], point[1], point[2], display);
    return { display[0], display[1] };
  }

  // Each row: a key in the model view and how the model should move on the screen, worked out
  // from the camera's axes before the key rather than from the camera's own turning calls.
  void keysTurnZoomAndPanTheModel_data()
  {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<KeyMotion>("motion");
    // Right: the front of the model goes right, as under a drag to the right.
    QTest::newRow("Right turns right") << int(Qt::Key_Right) << 0 << KeyMotion{ 5, 0, 0, 0, 1 };
    QTest::newRow("Left turns left") << int(Qt::Key_Left) << 0 << KeyMotion{ -5, 0, 0, 0, 1 };
    // Up: the top goes away, the front comes up.
    QTest::newRow("Up tilts the top away") << int(Qt::Key_Up) << 0 << KeyMotion{ 0, -5, 0, 0, 1 };
    QTest::newRow("Down tilts it back") << int(Qt::Key_Down) << 0 << KeyMotion{ 0, 5, 0, 0, 1 };
    QTest::newRow("Shift+Right pans right")
      << int(Qt::Key_Right) << int(Qt::ShiftModifier) << KeyMotion{ 0, 0, 0.05, 0, 1 };
    QTest::newRow("Shift+Down pans down")
      << int(Qt::Key_Down) << int(Qt::ShiftModifier) << KeyMotion{ 0, 0, 0, -0.05, 1 };
    QTest::newRow("+ zooms in") << int(Qt::Key_Plus) << int(Qt::ShiftModifier)
                                << KeyMotion{ 0, 0, 0, 0, 1.21 };
    QTest::newRow("= (the + key unshifted) zooms in")
      << int(Qt::Key_Equal) << 0 << KeyMotion{ 0, 0, 0, 0, 1.21 };
    QTest::newRow("- zooms out") << int(Qt::Key_Minus) << 0 << KeyMotion{ 0, 0, 0, 0, 1 / 1.21 };
    QTest::newRow("keypad + zooms in")
      << int(Qt::Key_Plus) << int(Qt::KeypadModifier) << KeyMotion{ 0, 0, 0, 0, 1.21 };
    // Keys with Ctrl belong to the window.
    QTest::newRow("Ctrl+Right does nothing")
      << int(Qt::Key_Right) << int(Qt::ControlModifier) << KeyMotion{};
  }
  void keysTurnZoomAndPanTheModel()
  {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(KeyMotion, motion);
    vtkCamera* camera = window->mainCamera();
    const Point focal(camera->GetFocalPoint());
    const Point up = Point(camera->GetViewUp()).Normalized();
    const Point forward = Point(camera->GetDirectionOfProjection()).Normalized();
    const Point right = forward.Cross(up).Normalized();
    const double radius = std::max(1.0, camera->GetDistance() / 6);
    // Points around the focal point, in front of it, beside it and above it.
    const std::vector<Point> points{ focal - forward * radius,
                                     focal + right * radius,
                                     focal + up * radius - forward * (radius / 2),
                                     focal - right * radius + up * (radius / 3) };
    // The model turned as the row says, seen by the camera before the key.
    vtkNew<vtkTransform> turn;
    turn->PostMultiply();
    turn->Translate(-focal[0], -focal[1], -focal[2]);
    turn->RotateWXYZ(motion.turnAboutUp, up[0], up[1], up[2]);
    turn->RotateWXYZ(motion.turnAboutRight, right[0], right[1], right[2]);
    turn->Translate(focal[0], focal[1], focal[2]);
    const int height = window->mainRenderWindow()->GetSize()[1];
    const QPointF centre = displayOf(focal);
    std::vector<QPointF> expected;
    for (const Point& point : points) {
      Point turned;
      turn->TransformPoint(point.GetData(), turned.GetData());
      QPointF at = displayOf(turned);
      // Points on the focal plane move by the shift exactly; the others are off it.
      at += QPointF(motion.shiftRight, motion.shiftUp) * height;
      expected.push_back(centre + (at - centre) * motion.zoom);
    }
    const Point headDirection(window->headCamera()->GetDirectionOfProjection());

    window->qvtkWidget->setFocus();
    QTest::keyClick(window->qvtkWidget, Qt::Key(key), Qt::KeyboardModifiers(modifiers));

    // Only points on the focal plane keep their proportions when the camera moves (a shift or a
    // zoom); a turn keeps every point's.
    const bool cameraMoves = motion.shiftRight != 0 || motion.shiftUp != 0 || motion.zoom != 1;
    for (std::size_t index = 0; index < points.size(); ++index) {
      const bool onFocalPlane = std::abs((points[index] - focal).Dot(forward)) < 1e-9;
      if (cameraMoves && !onFocalPlane) {
        continue;
      }
      const QPointF actual = displayOf(points[index]);
      const QPointF gap = actual - expected[index];
      QVERIFY2(std::hypot(gap.x(), gap.y()) < 0.01,
               qPrintable(QString("point %1 at %2, %3 instead of %4, %5")
                            .arg(index)
                            .arg(actual.x())
                            .arg(actual.y())
                            .arg(expected[index].x())
                            .arg(expected[index].y())));
    }
    // The head view turns with the model, and only then.
    const double headTurn = vtkMath::DegreesFromRadians(vtkMath::AngleBetweenVectors(
      headDirection.GetData(), window->headCamera()->GetDirectionOfProjection()));
    const double modelTurn =
      std::max(std::abs(motion.turnAboutUp), std::abs(motion.turnAboutRight));
    QVERIFY2(std::abs(headTurn - modelTurn) < 1e-6, qPrintable(QString::number(headTurn)));
  }

  // The wheel zooms towards the pointer: the model point under it stays there, and the model
  // grows around it by a notch of the trackball's wheel, 1.21 (0.2 of its factor 10 as a power
  // of 1.1).
  void wheelZoomsTowardsThePointer_data()
  {
    QTest::addColumn<QPoint>("pointer");
    QTest::addColumn<int>("notches");
    QTest::newRow("forward, upper left") << QPoint(150, 110) << 1;
    QTest::newRow("forward, lower right") << QPoint(520, 400) << 1;
    QTest::newRow("back, right edge") << QPoint(630, 240) << -1;
  }
  void wheelZoomsTowardsThePointer()
  {
    QFETCH(QPoint, pointer);
    QFETCH(int, notches);
    RenderView* view = window->qvtkWidget;
    vtkRenderer* renderer = window->mainRenderer();
    const double ratio = view->renderPixelRatio();
    const int height = window->mainRenderWindow()->GetSize()[1];
    const QPointF pointed(pointer.x() * ratio, height - 1 - pointer.y() * ratio);
    // The model point under the pointer at the focal point's depth, and one elsewhere.
    vtkCamera* camera = window->mainCamera();
    const Point focal(camera->GetFocalPoint());
    double focalDisplay[3];
    vtkInteractorObserver::ComputeWorldToDisplay(
      renderer, focal[0], focal[1], focal[2], focalDisplay);
    double under[4];
    vtkInteractorObserver::ComputeDisplayToWorld(
      renderer, pointed.x(), pointed.y(), focalDisplay[2], under);
    const Point underPointer(under[0], under[1], under[2]);
    const double distance = camera->GetDistance();
    const QPointF focalBefore = displayOf(focal);

    QWindow* native = view->embeddedOpenGLWindow();
    QWheelEvent wheel(QPointF(pointer),
                      QPointF(native->mapToGlobal(pointer)),
                      QPoint(),
                      QPoint(0, 120 * notches),
                      Qt::NoButton,
                      Qt::NoModifier,
                      Qt::NoScrollPhase,
                      false);
    QCoreApplication::sendEvent(native, &wheel);

    const double factor = notches > 0 ? 1.21 : 1 / 1.21;
    QVERIFY2(std::abs(camera->GetDistance() - distance / factor) < 1e-6 * distance,
             qPrintable(QString::number(distance / camera->GetDistance())));
    const QPointF stays = displayOf(underPointer) - pointed;
    QVERIFY2(std::hypot(stays.x(), stays.y()) < 0.01,
             qPrintable(QString("moved by %1, %2").arg(stays.x()).arg(stays.y())));
    // Everything else moves away from the pointer (or towards it) by the factor.
    const QPointF expectedFocal = pointed + (focalBefore - pointed) * factor;
    const QPointF focalGap = displayOf(focal) - expectedFocal;
    QVERIFY2(std::hypot(focalGap.x(), focalGap.y()) < 0.01,
             qPrintable(QString("off by %1, %2").arg(focalGap.x()).arg(focalGap.y())));
  }

  void autoRotationRunsOneTimerAboutOneAxis()
  {
    const auto timers = [this] {
      return QAbstractEventDispatcher::instance()->registeredTimers(window);
    };
    window->autoRotX->setChecked(true);
    // A repeated start replaces the running timer rather than adding one.
    window->autoRotX_slot(true);
    QCOMPARE(timers().size(), 1);
    // Switching axes clears the X box and leaves exactly one timer, for Y.
    ExpectedCameras expected(window);
    window->autoRotY->setChecked(true);
    QVERIFY(!window->autoRotX->isChecked());
    QCOMPARE(timers().size(), 1);
    QTRY_VERIFY(turnBetween(expected.main, window->mainCamera()) > 0.5);
    window->autoRotY->setChecked(false);
    QCOMPARE(timers().size(), 0);

    // Whole one-degree ticks of azimuth only, on both cameras alike; the bars stay.
    const double turned = turnBetween(expected.main, window->mainCamera());
    for (int tick = 0; tick < std::lround(turned); ++tick) {
      expected.apply([](vtkCamera* camera) { camera->Azimuth(1); });
    }
    COMPARE_CAMERAS(expected, 1e-7);
    QCOMPARE(window->rotYScrollBar->value(), 0);
  }

  void mouseTurnsAreRepeatedInTheOtherView()
  {
    window->qvtkWidget->setFixedSize(600, 400);
    window->qvtkHead->setFixedSize(300, 200);
    QTRY_VERIFY(window->mainRenderWindow()->GetSize()[0] == 600 &&
                window->headRenderWindow()->GetSize()[1] == 200);
    vtkRenderWindowInteractor* mainInteractor = window->qvtkWidget->interactor();
    vtkRenderWindowInteractor* headInteractor = window->qvtkHead->interactor();

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

    // Pan and dolly leave the other camera alone.
    drag(mainInteractor, 300, 200, 340, 230, Shift);
    drag(mainInteractor, 300, 200, 300, 260, Right);
    COMPARE_CAMERA(window->headCamera(), expected.head, 0.0);

    // Control + left drag from right of the centre to the upper right: a 45 degree spin.
    ExpectedCameras spun(window);
    drag(mainInteractor, 400, 200, 400, 300, Control);
    spun.apply([](vtkCamera* camera) { camera->Roll(45); });
    COMPARE_CAMERAS(spun, 1e-6); // the follower's factor is single precision

    // The wheel, which zooms towards the pointer, leaves the other camera alone too.
    const ExpectedCameras beforeWheel(window);
    mainInteractor->InvokeEvent(vtkCommand::MouseWheelForwardEvent);
    COMPARE_CAMERA(window->headCamera(), beforeWheel.head, 0.0);
  }

  // On a renderer too slow for full detail, each way of moving the model (a drag in either view,
  // a held camera bar) draws coarse copies of the structures with their colours, opacities and
  // clipping, at a reduced resolution when the coarse frames are still too slow, and the last
  // frame after the motion is full detail at full resolution again; a drag turns the model as far
  // as at full resolution. Within the frame budget every frame is full detail.
  void structuresAreCoarseOnlyWhileTheModelMoves()
  {
    window->qvtkWidget->setFixedSize(600, 400);
    QTRY_VERIFY(window->mainRenderWindow()->GetSize()[0] == 600);
    InteractiveDetail& detail = *window->interactiveDetail;
    vtkNew<vtkPlane> cut;
    cut->SetNormal(1, 0, 0);
    const std::vector<vtkAbstractMapper*> mappers =
      structureMappers(window->frontActors, window->backActors);
    for (vtkAbstractMapper* mapper : mappers) {
      attachClipPlane(mapper, cut);
    }
    std::vector<std::array<double, 4>> looks;
    const auto lookOf = [](vtkActor* actor) {
      const double* color = actor->GetProperty()->GetColor();
      return std::array<double, 4>{
        color[0], color[1], color[2], actor->GetProperty()->GetOpacity()
      };
    };
    for (std::size_t index = 0; index < window->frontActors.size(); ++index) {
      looks.push_back(lookOf(window->frontActors[index]));
      looks.push_back(lookOf(window->backActors[index]));
    }
    const auto describe = [&] {
      DrawnFrame frame{ 0, true, window->mainRenderWindow()->GetSize()[0] };
      for (vtkAbstractMapper* mapper : mappers) {
        frame.cells +=
          vtkPolyData::SafeDownCast(mapper->GetInputDataObject(0, 0))->GetNumberOfCells();
        frame.lookKept = frame.lookKept && clipPlaneCopies(mapper, cut) == 1;
      }
      for (std::size_t index = 0; index < window->frontActors.size(); ++index) {
        frame.lookKept =
          frame.lookKept && lookOf(window->frontActors[index]) == looks[2 * index] &&
          lookOf(window->backActors[index]) == looks[2 * index + 1] &&
          window->frontActors[index]->GetMapper() == window->backActors[index]->GetMapper();
      }
      return frame;
    };
    const vtkIdType fullCells = describe().cells;
    struct Recording
    {
      std::function<DrawnFrame()> describe;
      std::vector<DrawnFrame> frames;
    } recording{ describe, {} };
    std::vector<DrawnFrame>& frames = recording.frames;
    vtkNew<vtkCallbackCommand> recorder;
    recorder->SetClientData(&recording);
    recorder->SetCallback([](vtkObject*, unsigned long, void* data, void*) {
      auto* recording = static_cast<Recording*>(data);
      recording->frames.push_back(recording->describe());
    });
    window->mainRenderWindow()->AddObserver(vtkCommand::EndEvent, recorder);
    const auto stopRecording =
      qScopeGuard([&] { window->mainRenderWindow()->RemoveObserver(recorder); });

    QScrollBar* bar = window->rotYScrollBar;
    const std::vector<std::pair<const char*, std::function<void()>>> motions = {
      { "main view drag",
        [&] {
          dragThroughWindow(window->qvtkWidget, { 300, 200 }, { { 5, 0 }, { 5, 2 } });
        } },
      { "head view drag",
        [&] {
          dragInSteps(window->qvtkHead->interactor(), { 50, 50 }, { { 4, 0 }, { 3, 1 } });
        } },
      { "held camera bar",
        [&] {
          bar->setSliderDown(true);
          bar->setValue(bar->value() + 5);
          bar->setValue(bar->value() + 5);
          bar->setSliderDown(false);
        } },
    };

    // Too slow: the copies are built (in the background, as after the first frame), then every
    // motion uses them.
    detail.setFullDetailFrameOverride(1000);
    detail.setMovingFrameOverride(1000);
    detail.buildIfNeeded();
    QTRY_VERIFY(detail.coarseCopiesReady());
    for (const auto& [name, move] : motions) {
      frames.clear();
      move();
      QVERIFY2(frames.size() >= 3, name);
      for (std::size_t index = 0; index + 1 < frames.size(); ++index) {
        QVERIFY2(frames[index].cells > 0 && frames[index].cells < fullCells / 2, name);
      }
      QVERIFY2(std::any_of(frames.begin(),
                           frames.end() - 1,
                           [](const DrawnFrame& frame) { return frame.width < 600; }),
               name);
      QVERIFY2(frames.back().cells == fullCells && frames.back().width == 600, name);
      for (const DrawnFrame& frame : frames) {
        QVERIFY2(frame.lookKept, name);
      }
      QVERIFY2(!detail.showingCoarseCopies(), name);
    }

    const auto turnOfDrag = [&] {
      const Camera before = copyOf(window->mainCamera());
      dragThroughWindow(window->qvtkWidget, { 300, 200 }, { { 6, 0 }, { 6, 0 }, { 6, 0 } });
      const double turn = turnBetween(before, window->mainCamera());
      window->mainCamera()->DeepCopy(before);
      return turn;
    };
    const double reducedTurn = turnOfDrag();

    // Fast enough: the same motions draw full detail throughout.
    detail.setFullDetailFrameOverride(detail.frameBudgetMilliseconds() / 2);
    const double fullTurn = turnOfDrag();
    QVERIFY2(fullTurn > 1 && std::abs(reducedTurn - fullTurn) < 0.25 * fullTurn,
             qPrintable(QString("%1 against %2 degrees").arg(reducedTurn).arg(fullTurn)));
    for (const auto& [name, move] : motions) {
      frames.clear();
      move();
      QVERIFY2(!frames.empty(), name);
      for (const DrawnFrame& frame : frames) {
        QVERIFY2(frame.cells == fullCells && frame.lookKept && frame.width == 600, name);
      }
    }
  }
};

COCHLEX_VIEWER_TEST_MAIN(CameraTest)
#include "test_camera.moc"
