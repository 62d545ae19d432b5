// Camera bars, "Frontal View", "Center Models", automatic rotation and the coupled views.

#include "GuiTest.h"
#include "viewer/CameraMath.h"
#include "viewer/InteractiveDetail.h"
#include "viewer/SectionGeometry.h"

#include <QVTKOpenGLWindow.h>
#include <QWindow>

#include <vtkAbstractMapper.h>
#include <vtkCallbackCommand.h>
#include <vtkSmartPointer.h>

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

    // Pan, dolly and the wheel leave the other camera alone.
    drag(mainInteractor, 300, 200, 340, 230, Shift);
    drag(mainInteractor, 300, 200, 300, 260, Right);
    mainInteractor->InvokeEvent(vtkCommand::MouseWheelForwardEvent);
    COMPARE_CAMERA(window->headCamera(), expected.head, 0.0);

    // Control + left drag from right of the centre to the upper right: a 45 degree spin.
    ExpectedCameras spun(window);
    drag(mainInteractor, 400, 200, 400, 300, Control);
    spun.apply([](vtkCamera* camera) { camera->Roll(45); });
    COMPARE_CAMERAS(spun, 1e-6); // the follower's factor is single precision
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
