// Interaction costs of the viewer on a whole teaching model (the sample unless --model names
// another), each beside a bare-VTK baseline measured in the same run:
//   rotation     one automatic-rotation frame of the viewer (camera step, head and main view
//                rendered, both frames shown on screen) against a plain vtkRenderWindow with
//                the same structure surfaces, the same front/back culling actor pairs, colours,
//                opacities and lights, turned by the same azimuth steps;     target <= 1.1 x
//   section      one step of a shown section's scroll bar against one plain render of both
//                views in the same state;                                    target <= 1.2 x
//   transparency one step of a shown structure's transparency slider against one plain render
//                of both views in the same state;                            target <= 1.2 x
//   capped_section_step
//                the section step with all three cuts on and the cut structures closed by their
//                caps, against the same step with hollow cuts;              target <= 1.3 x
//   anaglyph     the rotation frame with stereo on, against the baseline in anaglyph mode.
//   interactive_rotation
//                a whole-window frame while the mouse drags the model in the main view (coarse
//                copies of the structures when full detail misses the frame budget), and the
//                time from the release until the full-detail frame is on screen;
//                                                     target <= 40 ms, restored within 300 ms
//   picking      the rotation frame with the pointer resting on the model (its name picked and
//                shown) and with the pointer moving over it at every frame, against the frame with
//                the pointer outside the view; and one pick on its own.  target <= 1.05 x
//   labels       the rotation frame with View > Show Labels on against the frame with it off
//                (anchors in sight checked by picks while it turns), and the time the labels'
//                projection and layout take in a frame.    target <= 1.1 x, layout <= 3 ms
// Viewer and baseline run in alternating blocks so that load from other processes hits both;
// the figures are medians. Prints JSON.
//
//   bench_interaction [--model <directory>] [--frames <n>] [--size <W>x<H>]
//
// --size sets the main view's size: the Model view is floated, as full screen floats it, and sized
// so that its view is W x H (the screen must be large enough). Without it the view keeps the size
// the window's layout gives it (874x777 on a 1280x1024 screen).
// Needs a display (run it under xvfb-run). Without --model the sample teaching model is written
// into a temporary folder first.

#include "app/Startup.h"
#include "bench/Measurements.h"
#include "loading/ModelManifest.h"
#include "loading/StructureList.h"
#include "tools/SampleModel.h"
#include "viewer/CochlexUI.h"
#include "viewer/InteractiveDetail.h"
#include "viewer/Labels.h"
#include "viewer/StructurePicking.h"

#include "ui/RenderView.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollBar>
#include <QSlider>
#include <QSurfaceFormat>
#include <QTemporaryDir>
#include <QTimerEvent>
#include <QVTKOpenGLWindow.h>
#include <QWindow>

#include <vtkActor.h>
#include <vtkCallbackCommand.h>
#include <vtkCamera.h>
#include <vtkCommand.h>
#include <vtkLight.h>
#include <vtkLightCollection.h>
#include <vtkNew.h>
#include <vtkPolyData.h>
#include <vtkPolyDataMapper.h>
#include <vtkProperty.h>
#include <vtkRenderWindow.h>
#include <vtkRenderWindowInteractor.h>
#include <vtkRenderer.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

// Sums the time a window spends in Render(), to split a viewer frame into its parts.
struct RenderTimer
{
  double total = 0;
  double started = 0;
  vtkNew<vtkCallbackCommand> startCommand;
  vtkNew<vtkCallbackCommand> endCommand;

  explicit RenderTimer(vtkRenderWindow* window)
  {
    startCommand->SetClientData(this);
    startCommand->SetCallback([](vtkObject*, unsigned long, void* clientData, void*) {
      static_cast<RenderTimer*>(clientData)->started = monotonicMilliseconds();
    });
    endCommand->SetClientData(this);
    endCommand->SetCallback([](vtkObject*, unsigned long, void* clientData, void*) {
      auto* timer = static_cast<RenderTimer*>(clientData);
      timer->total += monotonicMilliseconds() - timer->started;
    });
    window->AddObserver(vtkCommand::StartEvent, startCommand);
    window->AddObserver(vtkCommand::EndEvent, endCommand);
  }
};

// Whether each view has put its last render on screen. A view's window shows a rendered frame at
// the window system's next update request, a few milliseconds after the render; a frame is only
// over once that has happened.
class ShownFrames
{
public:
  void watch(RenderView* view)
  {
    auto entry = std::make_unique<Entry>();
    entry->view = view;
    entry->command->SetClientData(entry.get());
    entry->command->SetCallback([](vtkObject* caller, unsigned long, void* clientData, void*) {
      // A render kept in the back buffer is not meant for the screen.
      auto* window = static_cast<vtkRenderWindow*>(caller);
      if (window->GetSwapBuffers() != 0 || window->GetDoubleBuffer() == 0) {
        static_cast<Entry*>(clientData)->waiting = true;
      }
    });
    view->renderWindow()->AddObserver(vtkCommand::WindowFrameEvent, entry->command);
    Entry* watched = entry.get();
    QObject::connect(view, &RenderView::frameSwapped, [watched] { watched->waiting = false; });
    entries.push_back(std::move(entry));
  }

  bool pending() const
  {
    return std::any_of(entries.begin(), entries.end(), [](const std::unique_ptr<Entry>& entry) {
      return entry->waiting && entry->view->isVisible() &&
             entry->view->embeddedOpenGLWindow()->isExposed();
    });
  }

private:
  struct Entry
  {
    RenderView* view = nullptr;
    bool waiting = false;
    vtkNew<vtkCallbackCommand> command;
  };
  std::vector<std::unique_ptr<Entry>> entries;
};

ShownFrames* shownFrames = nullptr;

// Lets the views put their new frames on screen.
void
settle()
{
  QCoreApplication::processEvents();
  QElapsedTimer waited;
  waited.start();
  while (shownFrames != nullptr && shownFrames->pending() && waited.elapsed() < 1000) {
    usleep(200);
    QCoreApplication::processEvents();
  }
}

// The bare-VTK scene: the viewer's structure surfaces in a plain render window of the main
// view's size, as front/back culling actor pairs with the same colours and opacities.
class Baseline
{
public:
  explicit Baseline(_CochlexUI& viewer)
  {
    for (std::size_t index = 0; index < viewer.frontActors.size(); ++index) {
      vtkActor* viewerFront = viewer.frontActors[index];
      if (!viewer.mainRenderer()->HasViewProp(viewerFront)) {
        continue;
      }
      vtkNew<vtkPolyDataMapper> mapper;
      mapper->SetInputData(vtkPolyData::SafeDownCast(viewerFront->GetMapper()->GetInput()));
      mapper->ScalarVisibilityOff();
      vtkNew<vtkActor> back;
      back->SetMapper(mapper);
      back->GetProperty()->DeepCopy(viewer.backActors[index]->GetProperty());
      vtkNew<vtkActor> front;
      front->SetMapper(mapper);
      front->GetProperty()->DeepCopy(viewerFront->GetProperty());
      renderer->AddActor(back);
      renderer->AddActor(front);
    }
    vtkRenderer* viewerRenderer = viewer.mainRenderer();
    // The same lights: shading cost grows with each one.
    vtkLightCollection* lights = viewerRenderer->GetLights();
    lights->InitTraversal();
    while (vtkLight* viewerLight = lights->GetNextItem()) {
      vtkNew<vtkLight> light;
      light->DeepCopy(viewerLight);
      renderer->AddLight(light);
    }
    renderer->SetBackground(viewerRenderer->GetBackground());
    renderer->SetUseDepthPeeling(viewerRenderer->GetUseDepthPeeling());
    renderer->SetMaximumNumberOfPeels(viewerRenderer->GetMaximumNumberOfPeels());
    renderer->SetOcclusionRatio(viewerRenderer->GetOcclusionRatio());
    renderer->SetUseFXAA(viewerRenderer->GetUseFXAA());
    window->AddRenderer(renderer);
    window->SetMultiSamples(viewer.mainRenderWindow()->GetMultiSamples());
    window->SetStereoTypeToAnaglyph();
    const QSize size = viewer.qvtkWidget->size() * viewer.qvtkWidget->devicePixelRatioF();
    window->SetSize(size.width(), size.height());
    window->SetPosition(0, 0);
    window->SetWindowName("baseline");
    window->Render();
  }

  void copyCamera(vtkCamera* from) { renderer->GetActiveCamera()->DeepCopy(from); }
  void setStereo(bool on) { window->SetStereoRender(on); }

  void rotationFrame()
  {
    vtkCamera* camera = renderer->GetActiveCamera();
    camera->Azimuth(1);
    camera->OrthogonalizeViewUp();
    window->Render();
  }

  int width() const { return window->GetSize()[0]; }
  int height() const { return window->GetSize()[1]; }
  int multiSamples() { return window->GetMultiSamples(); }

private:
  vtkNew<vtkRenderWindow> window;
  vtkNew<vtkRenderer> renderer;
};

// One tick of the automatic rotation about the vertical axis, delivered as the timer would.
void
viewerRotationFrame(_CochlexUI& viewer)
{
  QTimerEvent tick(viewer.autoRotationTimerId);
  QCoreApplication::sendEvent(&viewer, &tick);
  settle();
}

// A point of the main view where a structure shows: the model has turned during the earlier
// steps, so it is looked for on a grid, nearest the view's centre first.
QPoint
pointOnModel(_CochlexUI& viewer)
{
  const QSize size = viewer.qvtkWidget->size();
  const QPoint centre(size.width() / 2, size.height() / 2);
  QPoint best(-1, -1);
  for (int y = 6; y < size.height(); y += 12) {
    for (int x = 6; x < size.width(); x += 12) {
      const QPoint point(x, y);
      if ((best.x() < 0 ||
           (point - centre).manhattanLength() < (best - centre).manhattanLength()) &&
          viewer.structurePicker->structureAtViewPoint(point) >= 0) {
        best = point;
      }
    }
  }
  return best;
}

void
sendPointer(_CochlexUI& viewer, QEvent::Type type, const QPoint& at = {})
{
  QWidget* view = viewer.qvtkWidget;
  if (type == QEvent::Leave) {
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(view, &leave);
    return;
  }
  QMouseEvent move(type, at, view->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(view, &move);
}

// Lets the pointer rest long enough for its name to be picked.
void
restPointer()
{
  QElapsedTimer resting;
  resting.start();
  while (resting.elapsed() < 2LL * StructurePicker::restMilliseconds) {
    settle();
  }
}

void
plainRender(_CochlexUI& viewer)
{
  viewer.mainRenderWindow()->Render();
  viewer.headRenderWindow()->Render();
  settle();
}

// Times `blocks` alternating blocks of `frames` calls of each operation (after a warm-up) and
// returns the median of each operation's per-call times in milliseconds.
std::pair<double, double>
alternate(const std::function<void()>& first,
          const std::function<void()>& second,
          int frames,
          int blocks = 6)
{
  for (int warmUp = 0; warmUp < 3; ++warmUp) {
    first();
    second();
  }
  std::vector<double> firstTimes;
  std::vector<double> secondTimes;
  for (int block = 0; block < blocks; ++block) {
    for (int frame = 0; frame < frames; ++frame) {
      const double start = monotonicMilliseconds();
      first();
      firstTimes.push_back(monotonicMilliseconds() - start);
    }
    for (int frame = 0; frame < frames; ++frame) {
      const double start = monotonicMilliseconds();
      second();
      secondTimes.push_back(monotonicMilliseconds() - start);
    }
  }
  return { median(firstTimes), median(secondTimes) };
}

// A mouse drag across the main view, as the view widget hands it to the interactor: the time of
// each whole-window frame while the mouse moves, and the time from the release until the
// full-detail frame is on screen.
struct DragTimes
{
  double frameMilliseconds = 0;
  double mainRenderMilliseconds = 0;
  double headRenderMilliseconds = 0;
  double restoredMilliseconds = 0;
};

// A press, move or release of the left button in the main view, as the window system delivers it
// to the view's native window: in the view's own coordinates, which the view maps to the VTK
// window's pixels at whatever resolution it draws.
void
sendDragEvent(_CochlexUI& viewer, QEvent::Type type, const QPoint& at)
{
  QWindow* window = viewer.qvtkWidget->embeddedOpenGLWindow();
  const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
  QMouseEvent event(type,
                    QPointF(at),
                    QPointF(at),
                    QPointF(window->mapToGlobal(at)),
                    type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                    held,
                    Qt::NoModifier);
  QCoreApplication::sendEvent(window, &event);
}

DragTimes
timedDrag(_CochlexUI& viewer, int frames, const RenderTimer& mainTime, const RenderTimer& headTime)
{
  const QSize size = viewer.qvtkWidget->size();
  QPoint at(size.width() / 3, size.height() / 2);
  std::vector<double> frameTimes;
  std::vector<double> mainTimes;
  std::vector<double> headTimes;
  std::vector<double> restoredTimes;
  for (int block = 0; block < 6; ++block) {
    sendDragEvent(viewer, QEvent::MouseButtonPress, at);
    for (int frame = 0; frame < frames; ++frame) {
      // Back and forth, so that the model stays in view.
      at.rx() += (block % 2 == 0) ? 4 : -4;
      const double start = monotonicMilliseconds();
      const double main = mainTime.total;
      const double head = headTime.total;
      sendDragEvent(viewer, QEvent::MouseMove, at);
      settle();
      frameTimes.push_back(monotonicMilliseconds() - start);
      mainTimes.push_back(mainTime.total - main);
      headTimes.push_back(headTime.total - head);
    }
    const double released = monotonicMilliseconds();
    sendDragEvent(viewer, QEvent::MouseButtonRelease, at);
    settle();
    restoredTimes.push_back(monotonicMilliseconds() - released);
  }
  return { median(frameTimes), median(mainTimes), median(headTimes), median(restoredTimes) };
}

std::string
verdict(double ratio, double target)
{
  return ratio <= target ? "pass" : "fail";
}

// The structures a model folder names: its manifest's, else its list's.
int
namedStructures(const QString& model)
{
  QFile manifestFile(model + "/" + modelManifestName);
  if (manifestFile.open(QIODevice::ReadOnly)) {
    const ModelManifest manifest =
      parseModelManifest(manifestFile.readAll().toStdString(), modelManifestName);
    if (manifest.usable) {
      return int(manifest.structures.size());
    }
  }
  std::ifstream list(QFile::encodeName(model + "/Joint_transformed.txt").toStdString());
  return int(parseStructureList(list, "Joint_transformed.txt").entries.size());
}

} // namespace

int
main(int argc, char** argv)
{
  QString model;
  int frames = 8;
  QSize viewSize;
  for (int index = 1; index + 1 < argc; index += 2) {
    if (std::strcmp(argv[index], "--model") == 0) {
      model = QFileInfo(QString::fromLocal8Bit(argv[index + 1])).absoluteFilePath();
    } else if (std::strcmp(argv[index], "--frames") == 0) {
      frames = std::max(1, std::atoi(argv[index + 1]));
    } else if (std::strcmp(argv[index], "--size") == 0) {
      int width = 0;
      int height = 0;
      if (std::sscanf(argv[index + 1], "%dx%d", &width, &height) == 2 && width > 0 && height > 0) {
        viewSize = QSize(width, height);
      }
    }
  }

  prepareApplication();
  int applicationArgc = 1;
  QApplication application(applicationArgc, argv);

  QTemporaryDir temporary;
  if (model.isEmpty()) {
    model = temporary.path() + "/model";
    QString error;
    if (!writeSampleModel(model, &error)) {
      std::printf("{\"error\": \"%s\"}\n", qPrintable(error));
      return 1;
    }
  }
  QDir::setCurrent(model);

  StartupSplash splash;
  _CochlexUI viewer;
  // The console lines of the load are not part of the JSON.
  int savedStdout = -1;
  startViewer(viewer, splash, [&](bool beforeLoad) {
    std::fflush(stdout);
    if (beforeLoad) {
      savedStdout = dup(1);
      static_cast<void>(std::freopen("/dev/null", "w", stdout));
    } else {
      dup2(savedStdout, 1);
      close(savedStdout);
    }
  });
  ShownFrames shown;
  shown.watch(viewer.qvtkWidget);
  shown.watch(viewer.qvtkHead);
  shownFrames = &shown;
  QElapsedTimer waiting;
  waiting.start();
  while (waiting.elapsed() < 1000) {
    settle();
  }
  if (int(viewer.frontActors.size()) != namedStructures(model) || !viewer.hasSectionVolume()) {
    std::printf("{\"error\": \"the model did not load completely\"}\n");
    return 1;
  }
  if (viewSize.isValid() && viewer.qvtkWidget->size() != viewSize) {
    viewer.viewerDock->setFloating(true);
    viewer.viewerDock->move(0, 0);
    for (int attempt = 0; attempt < 5 && viewer.qvtkWidget->size() != viewSize; ++attempt) {
      viewer.viewerDock->resize(viewer.viewerDock->size() + viewSize - viewer.qvtkWidget->size());
      waiting.restart();
      while (waiting.elapsed() < 500) {
        settle();
      }
    }
    if (viewer.qvtkWidget->size() != viewSize) {
      std::printf(
        "{\"error\": \"the main view is %dx%d, not %dx%d: is the screen large enough?\"}\n",
        viewer.qvtkWidget->width(),
        viewer.qvtkWidget->height(),
        viewSize.width(),
        viewSize.height());
      return 1;
    }
  }

  // Automatic rotation about the vertical axis, ticked by hand: the timer itself is stopped so
  // that only the measured ticks turn the model.
  viewer.autoRotY->click();
  viewer.killTimer(viewer.autoRotationTimerId);

  // The coarse copies for dragging are built off the GUI thread after the first frame; on two
  // cores the build slows the frames it overlaps (a 20-structure model's rotation frames
  // measured 1.5 times the baseline while its 20 copies were built, 0.95 after). Every figure
  // below is taken once they exist, when they are needed.
  InteractiveDetail& detail = *viewer.interactiveDetail;
  waiting.restart();
  while (detail.fullDetailMissesBudget() && !detail.coarseCopiesReady() &&
         waiting.elapsed() < 60000) {
    settle();
  }

  Baseline baseline(viewer);
  baseline.copyCamera(viewer.mainCamera());
  RenderCounter mainRenders(viewer.mainRenderWindow());

  RenderTimer mainTime(viewer.mainRenderWindow());
  RenderTimer headTime(viewer.headRenderWindow());
  std::vector<double> mainParts;
  std::vector<double> headParts;
  const auto [rotation, rotationBaseline] = alternate(
    [&] {
      const double main = mainTime.total;
      const double head = headTime.total;
      viewerRotationFrame(viewer);
      mainParts.push_back(mainTime.total - main);
      headParts.push_back(headTime.total - head);
    },
    [&] { baseline.rotationFrame(); },
    frames);

  // Dragging the model with the mouse, with its coarse copies (when they are needed).
  const bool coarseWhileMoving = detail.fullDetailMissesBudget() && detail.coarseCopiesReady();
  const DragTimes drag = timedDrag(viewer, frames, mainTime, headTime);
  // Picking: rotation frames with the pointer outside the view, resting on the model (its name
  // picked once it came to rest) and moving over it at every frame, in alternating blocks; the
  // pointer is placed between the timed frames.
  QPoint onModel;
  int pointedAtRest = -1;
  std::vector<double> outsideTimes, restingTimes, movingTimes;
  auto timedFrames = [&](std::vector<double>& times, const std::function<void()>& beforeFrame) {
    for (int frame = 0; frame < frames; ++frame) {
      const double start = monotonicMilliseconds();
      beforeFrame();
      viewerRotationFrame(viewer);
      times.push_back(monotonicMilliseconds() - start);
    }
  };
  for (int block = 0; block < 6; ++block) {
    sendPointer(viewer, QEvent::Leave);
    timedFrames(outsideTimes, [] {});
    // The model turns under the pointer: find it again.
    onModel = pointOnModel(viewer);
    sendPointer(viewer, QEvent::MouseMove, onModel);
    restPointer();
    pointedAtRest = viewer.structurePicker->pointedStructure();
    timedFrames(restingTimes, [] {});
    int step = 0;
    timedFrames(movingTimes,
                [&] { sendPointer(viewer, QEvent::MouseMove, onModel + QPoint(step++ % 2, 0)); });
  }
  const double rotationPointerOutside = median(outsideTimes);
  const double rotationPointerResting = median(restingTimes);
  const double rotationPointerMoving = median(movingTimes);
  std::vector<double> pickTimes;
  for (int pick = 0; pick < 3 * frames; ++pick) {
    const double start = monotonicMilliseconds();
    static_cast<void>(viewer.structurePicker->structureAtViewPoint(onModel));
    pickTimes.push_back(monotonicMilliseconds() - start);
  }
  sendPointer(viewer, QEvent::Leave);

  // Labels: rotation frames with the labels off and on, in alternating blocks.
  QAction* showLabels = viewer.labels->showLabelsAction();
  std::vector<double> labelsOffTimes, labelsOnTimes, layoutTimes;
  for (int block = 0; block < 6; ++block) {
    showLabels->setChecked(false);
    timedFrames(labelsOffTimes, [] {});
    showLabels->setChecked(true);
    for (int frame = 0; frame < frames; ++frame) {
      const double start = monotonicMilliseconds();
      viewerRotationFrame(viewer);
      labelsOnTimes.push_back(monotonicMilliseconds() - start);
      layoutTimes.push_back(viewer.labels->lastLayoutMilliseconds());
    }
  }
  const int labelCount = int(viewer.labels->shownLabels().size());
  // Placing the labels where a picture arrives: a frame without them, the check of the anchors
  // against it, a frame with them; beside one plain frame.
  std::vector<double> placementTimes, checkTimes, plainTimes;
  for (int frame = 0; frame < frames; ++frame) {
    double start = monotonicMilliseconds();
    viewer.labels->placeNow();
    placementTimes.push_back(monotonicMilliseconds() - start);
    checkTimes.push_back(viewer.labels->lastCheckMilliseconds());
    start = monotonicMilliseconds();
    plainRender(viewer);
    plainTimes.push_back(monotonicMilliseconds() - start);
  }
  showLabels->setChecked(false);
  const double labelsRatio = median(labelsOnTimes) / median(labelsOffTimes);

  // Anaglyph stereo, both sides.
  viewer.actionStereo_View->trigger();
  baseline.setStereo(true);
  const auto [anaglyph, anaglyphBaseline] =
    alternate([&] { viewerRotationFrame(viewer); }, [&] { baseline.rotationFrame(); }, frames);
  viewer.actionStereo_View->trigger();
  baseline.setStereo(false);

  // A section step with the section shown, back and forth between two neighbouring numbers.
  viewer.showXPlane->click();
  QScrollBar* section = viewer.sectionNumberX;
  const int sectionStart = section->value();
  int sectionRenders = 0;
  const auto [sectionStep, sectionPlain] = alternate(
    [&] {
      const int before = mainRenders.count;
      section->setValue(section->value() == sectionStart ? sectionStart + 1 : sectionStart);
      settle();
      sectionRenders = mainRenders.count - before;
    },
    [&] { plainRender(viewer); },
    frames);

  // The same step with all three cuts on, the structures closed by their caps against the
  // hollow shells, in alternating blocks (switching is not timed).
  QAction* solidCutFaces = viewer.findChild<QAction*>(QStringLiteral("actionSolid_Cut_Faces"));
  viewer.clipX->setValue(1);
  viewer.clipY->setValue(1);
  viewer.clipZ->setValue(1);
  std::vector<double> cappedTimes;
  std::vector<double> uncappedTimes;
  for (int block = 0; block < 6; ++block) {
    for (const bool capped : { true, false }) {
      solidCutFaces->setChecked(capped);
      settle();
      for (int frame = 0; frame < frames; ++frame) {
        const double start = monotonicMilliseconds();
        section->setValue(section->value() == sectionStart ? sectionStart + 1 : sectionStart);
        settle();
        (capped ? cappedTimes : uncappedTimes).push_back(monotonicMilliseconds() - start);
      }
    }
  }
  solidCutFaces->setChecked(true);
  viewer.clipX->setValue(0);
  viewer.clipY->setValue(0);
  viewer.clipZ->setValue(0);
  viewer.showXPlane->click();

  // A transparency step of the incus (shown), between two translucent values so that every
  // frame takes the same rendering path.
  QSlider* transparency = viewer.structureSliders[0];
  transparency->setValue(3);
  int transparencyRenders = 0;
  const auto [transparencyStep, transparencyPlain] = alternate(
    [&] {
      const int before = mainRenders.count;
      transparency->setValue(transparency->value() == 3 ? 4 : 3);
      settle();
      transparencyRenders = mainRenders.count - before;
    },
    [&] { plainRender(viewer); },
    frames);

  const double rotationRatio = rotation / rotationBaseline;
  const double sectionRatio = sectionStep / sectionPlain;
  const double transparencyRatio = transparencyStep / transparencyPlain;
  const double cappedStep = median(cappedTimes);
  const double uncappedStep = median(uncappedTimes);
  std::printf("{\n  \"benchmark\": \"interaction\",\n  \"model\": \"%s\",\n", qPrintable(model));
  std::printf("  \"main_view\": \"%dx%d\", \"head_view\": \"%dx%d\", \"multisamples\": %d,\n",
              viewer.qvtkWidget->width(),
              viewer.qvtkWidget->height(),
              viewer.qvtkHead->width(),
              viewer.qvtkHead->height(),
              baseline.multiSamples());
  std::printf("  \"frames_per_block\": %d, \"blocks\": 6,\n", frames);
  std::printf("  \"rotation\": {\"viewer_frame_ms\": %.2f, \"baseline_frame_ms\": %.2f, "
              "\"ratio\": %.3f, \"target\": 1.1, \"result\": \"%s\", "
              "\"viewer_main_render_ms\": %.2f, \"viewer_head_render_ms\": %.2f, "
              "\"viewer_compose_and_rest_ms\": %.2f},\n",
              rotation,
              rotationBaseline,
              rotationRatio,
              verdict(rotationRatio, 1.1).c_str(),
              median(mainParts),
              median(headParts),
              rotation - median(mainParts) - median(headParts));
  // 50 frames a second on a laptop-sized view, 30 on a full-HD projector (over 1.5 megapixels).
  const QSize mainView = viewer.qvtkWidget->size() * viewer.qvtkWidget->devicePixelRatioF();
  const double dragTarget = mainView.width() * mainView.height() > 1500000 ? 33 : 20;
  std::printf("  \"interactive_rotation\": {\"frame_ms\": %.2f, \"fps\": %.1f, "
              "\"full_detail_restored_ms\": %.2f, \"target_frame_ms\": %.0f, "
              "\"main_render_ms\": %.2f, \"head_render_ms\": %.2f, "
              "\"measured_full_detail_render_ms\": %.2f, \"coarse_while_moving\": %s, "
              "\"moving_resolution_scale\": %.2f, \"result\": \"%s\"},\n",
              drag.frameMilliseconds,
              1000.0 / drag.frameMilliseconds,
              drag.restoredMilliseconds,
              dragTarget,
              drag.mainRenderMilliseconds,
              drag.headRenderMilliseconds,
              detail.fullDetailFrameMilliseconds(),
              coarseWhileMoving ? "true" : "false",
              detail.movingResolutionScale(),
              drag.frameMilliseconds <= dragTarget && drag.restoredMilliseconds <= 300 ? "pass"
                                                                                       : "fail");
  std::printf("  \"section_step\": {\"viewer_step_ms\": %.2f, \"plain_render_ms\": %.2f, "
              "\"ratio\": %.3f, \"target\": 1.2, \"result\": \"%s\", "
              "\"main_view_renders_per_step\": %d},\n",
              sectionStep,
              sectionPlain,
              sectionRatio,
              verdict(sectionRatio, 1.2).c_str(),
              sectionRenders);
  std::printf("  \"transparency_step\": {\"viewer_step_ms\": %.2f, \"plain_render_ms\": %.2f, "
              "\"ratio\": %.3f, \"target\": 1.2, \"result\": \"%s\", "
              "\"main_view_renders_per_step\": %d},\n",
              transparencyStep,
              transparencyPlain,
              transparencyRatio,
              verdict(transparencyRatio, 1.2).c_str(),
              transparencyRenders);
  std::printf("  \"capped_section_step\": {\"viewer_step_ms\": %.2f, \"uncapped_step_ms\": %.2f, "
              "\"ratio\": %.3f, \"target\": 1.3, \"result\": \"%s\"},\n",
              cappedStep,
              uncappedStep,
              cappedStep / uncappedStep,
              verdict(cappedStep / uncappedStep, 1.3).c_str());
  std::printf("  \"anaglyph\": {\"viewer_frame_ms\": %.2f, \"baseline_frame_ms\": %.2f, "
              "\"ratio\": %.3f, \"viewer_stereo_to_mono\": %.3f},\n",
              anaglyph,
              anaglyphBaseline,
              anaglyph / anaglyphBaseline,
              anaglyph / rotation);
  const double restingRatio = rotationPointerResting / rotationPointerOutside;
  const double movingRatio = rotationPointerMoving / rotationPointerOutside;
  std::printf("  \"labels\": {\"layout_ms\": %.3f, \"layout_max_ms\": %.3f, \"labels\": %d, "
              "\"rotation_labels_off_ms\": %.2f, \"rotation_labels_on_ms\": %.2f, "
              "\"rotation_ratio\": %.3f, \"target\": 1.1, \"result\": \"%s\", "
              "\"anchor_check_ms\": %.2f, \"placement_ms\": %.2f, \"plain_frame_ms\": %.2f},\n",
              median(layoutTimes),
              *std::max_element(layoutTimes.begin(), layoutTimes.end()),
              labelCount,
              median(labelsOffTimes),
              median(labelsOnTimes),
              labelsRatio,
              verdict(labelsRatio, 1.1).c_str(),
              median(checkTimes),
              median(placementTimes),
              median(plainTimes));
  std::printf("  \"picking\": {\"rotation_pointer_outside_ms\": %.2f, "
              "\"rotation_pointer_resting_ms\": %.2f, \"resting_ratio\": %.3f, "
              "\"rotation_pointer_moving_ms\": %.2f, \"moving_ratio\": %.3f, "
              "\"target\": 1.05, \"result\": \"%s\", \"pick_ms\": %.2f, "
              "\"structure_at_rest\": %d}\n}\n",
              rotationPointerOutside,
              rotationPointerResting,
              restingRatio,
              rotationPointerMoving,
              movingRatio,
              verdict(std::max(restingRatio, movingRatio), 1.05).c_str(),
              median(pickTimes),
              pointedAtRest);
  std::fflush(stdout);
  return 0;
}
