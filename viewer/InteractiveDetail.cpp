#include "viewer/InteractiveDetail.h"

#include "viewer/CoarseSurfaces.h"
#include "viewer/CochlexUI.h"
#include "viewer/SectionGeometry.h"

#include "ui/RenderView.h"
#include <QAbstractSlider>
#include <QMetaObject>
#include <QScrollBar>
#include <QSlider>
#include <QTimer>

#include <vtkCommand.h>
#include <vtkGenericOpenGLRenderWindow.h>
#include <vtkInteractorObserver.h>
#include <vtkNew.h>
#include <vtkPolyData.h>
#include <vtkPolyDataMapper.h>
#include <vtkRenderWindow.h>
#include <vtkRenderWindowInteractor.h>
#include <vtkRenderer.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <malloc.h>
#include <memory>
#include <utility>

namespace {

// The share of a structure's triangles its coarse copy keeps. On a software renderer the full
// sample model (263 000 triangles) takes 60-100 ms in the main view; with a twentieth of the
// triangles the shapes stay recognisable while the model moves (only the outlines turn a little
// angular) and the main view's render takes about a quarter of the time. A tenth left the whole
// frame just above the budget. Fewer would gain little: what remains is mostly the fill of the
// translucent structures, which does not depend on their triangles.
constexpr double coarseTriangleShare = 0.05;
// What a moving frame costs goes with the triangles drawn, so the coarse copies of a larger model
// keep a smaller share: 20 000 triangles in all (the sample keeps its twentieth, 13 000). A
// twentieth of a 40-structure model of 2 million triangles, 100 000 triangles, took 28 ms to
// render at the smallest resolution on a software renderer, against a 12 ms target.
constexpr double coarseTriangleBudget = 20000;
// A few hundred triangles cost next to nothing to draw: such a structure keeps its full detail.
constexpr vtkIdType smallestCoarseSource = 256;
// The pictures of the load: quick copies with 7 % of the triangles (24 divisions), whose 10 ms for
// the sample model save about 40 ms in each of the load's 16 frames, drawn at half the view's
// resolution (the fill of a coarse frame is about 18 ms at 874x777).
constexpr int loadFrameDivisions = 24;
constexpr double loadFrameScale = 0.5;
// The main view's render time while the model moves. Showing the frame comes on top (5 ms at
// 874x777, 13 ms at 1920x1080 on a software renderer under X), and the head view's render
// (1.5 ms): 12 ms keeps whole frames within 20 ms (50 a second) on a laptop-sized view and
// within 33 ms (30 a second) on a full-HD projector.
constexpr double movingRenderTarget = 12;
// Below a third of the width the structures' edges turn to steps even while they move.
constexpr double smallestMovingScale = 0.3;
// Enough renders for a median that ignores the first frame's shader compilation.
constexpr std::size_t measuredRenders = 5;

double
nowMilliseconds()
{
  using namespace std::chrono;
  return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

double
medianOf(std::deque<double> values)
{
  if (values.empty()) {
    return 0;
  }
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

void
remember(std::deque<double>& times, double milliseconds)
{
  times.push_back(milliseconds);
  if (times.size() > measuredRenders) {
    times.pop_front();
  }
}

} // namespace

InteractiveDetail::InteractiveDetail(vtkRenderWindow* mainWindow,
                                     vtkRenderer* mainRenderer,
                                     vtkRenderWindow* headWindow)
  : mainWindow(mainWindow)
  , mainRenderer(mainRenderer)
  , headWindow(headWindow)
{
  mainStartTag =
    mainWindow->AddObserver(vtkCommand::StartEvent, this, &InteractiveDetail::recordRender);
  mainEndTag =
    mainWindow->AddObserver(vtkCommand::EndEvent, this, &InteractiveDetail::recordRender);
  headStartTag =
    headWindow->AddObserver(vtkCommand::StartEvent, this, &InteractiveDetail::recordRender);
  headEndTag =
    headWindow->AddObserver(vtkCommand::EndEvent, this, &InteractiveDetail::recordRender);
}

InteractiveDetail::~InteractiveDetail()
{
  joinWorker();
  mainWindow->RemoveObserver(mainStartTag);
  mainWindow->RemoveObserver(mainEndTag);
  headWindow->RemoveObserver(headStartTag);
  headWindow->RemoveObserver(headEndTag);
  for (std::size_t index = 0; index < watchedStyles.size(); ++index) {
    watchedStyles[index]->RemoveObserver(styleObserverTags[index]);
  }
}

void
InteractiveDetail::watchInteractor(vtkRenderWindowInteractor* interactor)
{
  vtkInteractorObserver* style = interactor ? interactor->GetInteractorStyle() : nullptr;
  if (style == nullptr) {
    return;
  }
  for (unsigned long event :
       { vtkCommand::StartInteractionEvent, vtkCommand::EndInteractionEvent }) {
    watchedStyles.emplace_back(style);
    styleObserverTags.push_back(
      style->AddObserver(event, this, &InteractiveDetail::onInteractionEvent));
  }
}

void
InteractiveDetail::watchSlider(QAbstractSlider* slider)
{
  connect(slider, &QAbstractSlider::sliderPressed, this, &InteractiveDetail::beginInteraction);
  connect(slider, &QAbstractSlider::sliderReleased, this, [this] { endInteraction(true); });
}

void
InteractiveDetail::setStructures(const std::vector<vtkPolyDataMapper*>& structureMappers)
{
  joinWorker();
  structures.clear();
  ++structuresGeneration;
  ready = false;
  building = false;
  showingCoarse = false;
  for (vtkPolyDataMapper* mapper : structureMappers) {
    structures.push_back({ mapper, mapper->GetInput(), nullptr });
  }
}

void
InteractiveDetail::buildIfNeeded()
{
  if (fullDetailMissesBudget()) {
    startBuilding();
  }
}

double
InteractiveDetail::fullDetailFrameMilliseconds() const
{
  if (frameOverride >= 0) {
    return frameOverride;
  }
  return medianOf(mainRenderTimes) + medianOf(headRenderTimes);
}

bool
InteractiveDetail::fullDetailMissesBudget() const
{
  return fullDetailFrameMilliseconds() > frameBudget;
}

void
InteractiveDetail::beginInteraction()
{
  ++interactionDepth;
  if (interactionDepth > 1 || structures.empty() || !fullDetailMissesBudget()) {
    return;
  }
  if (!ready) {
    // Full detail became too slow after the start (a larger window): the copies serve the
    // next motion.
    startBuilding();
    return;
  }
  for (Structure& structure : structures) {
    if (structure.coarse != nullptr && structure.mapper->GetInput() == structure.full) {
      structure.mapper->SetInputData(structure.coarse);
    }
  }
  showingCoarse = true;
  drawReduced(movingScale < 1, movingScale);
}

void
InteractiveDetail::endInteraction(bool renderMainView)
{
  interactionDepth = std::max(0, interactionDepth - 1);
  if (interactionDepth > 0 || !showingCoarse) {
    return;
  }
  for (Structure& structure : structures) {
    if (structure.mapper->GetInput() == structure.coarse) {
      structure.mapper->SetInputData(structure.full);
    }
  }
  showingCoarse = false;
  drawReduced(false, 1);
  if (renderMainView) {
    mainWindow->Render();
  }
}

void
InteractiveDetail::startBuilding()
{
  if (building || ready || structures.empty()) {
    return;
  }
  building = true;
  double triangles = 0;
  for (const auto& structure : structures) {
    triangles += structure.full != nullptr ? double(structure.full->GetNumberOfCells()) : 0;
  }
  keptShare = std::min(coarseTriangleShare, coarseTriangleBudget / std::max(triangles, 1.0));
  buildStructure(0);
}

void
InteractiveDetail::buildStructure(std::size_t index)
{
  joinWorker();
  while (index < structures.size() &&
         (structures[index].full == nullptr ||
          structures[index].full->GetNumberOfCells() < smallestCoarseSource)) {
    ++index;
  }
  if (index >= structures.size()) {
    joinWorker();
    // The decimation's working memory (about 20 MB for the largest sample structure) is free
    // again, but the allocator would keep it in the worker's arena for good.
    malloc_trim(0);
    building = false;
    ready = true;
    emit coarseCopiesBuilt();
    return;
  }
  // The worker gets a copy of its own: the GUI thread keeps drawing the original meanwhile.
  // Each data object is held by one thread at a time: the copy moves into the worker and the
  // coarse copy out of it, no reference left behind. A VTK data object's reference dropped on one
  // thread has that thread's garbage collector walk the object's references, while the other
  // thread may be building a pipeline around it or dropping its own reference.
  vtkSmartPointer<vtkPolyData> copy = vtkSmartPointer<vtkPolyData>::New();
  copy->DeepCopy(structures[index].full);
  worker = std::thread([this,
                        index,
                        generation = structuresGeneration,
                        share = keptShare,
                        copy = std::move(copy)]() mutable {
    vtkSmartPointer<vtkPolyData> coarse = coarseSurface(copy, share);
    copy = nullptr;
    QMetaObject::invokeMethod(
      this,
      [this, index, generation, coarse = std::move(coarse)] {
        finishStructure(index, generation, coarse);
      },
      Qt::QueuedConnection);
  });
}

void
InteractiveDetail::finishStructure(std::size_t index,
                                   unsigned generation,
                                   const vtkSmartPointer<vtkPolyData>& coarse)
{
  if (generation != structuresGeneration) {
    return;
  }
  if (index < structures.size()) {
    structures[index].coarse = coarse;
  }
  buildStructure(index + 1);
}

void
InteractiveDetail::joinWorker()
{
  if (worker.joinable()) {
    worker.join();
  }
}

void
InteractiveDetail::recordRender(vtkObject* window, unsigned long event, void*)
{
  const bool main = window == mainWindow;
  if (event == vtkCommand::StartEvent) {
    (main ? mainStarted : headStarted) = nowMilliseconds();
    return;
  }
  // Frames drawn with the coarse copies say nothing about full detail.
  if (main && !showingCoarse && loadingStructures.empty()) {
    remember(mainRenderTimes, nowMilliseconds() - mainStarted);
  } else if (main && showingCoarse) {
    adaptMovingResolution(nowMilliseconds() - mainStarted);
  } else if (!main) {
    remember(headRenderTimes, nowMilliseconds() - headStarted);
  }
}

void
InteractiveDetail::drawReduced(bool reduced, double scale)
{
  if (reduced == reducedNow && (!reduced || scale == appliedScale)) {
    return;
  }
  reducedNow = reduced;
  appliedScale = reduced ? scale : 1.0;
  if (resolutionScaler) {
    resolutionScaler(appliedScale);
  }
}

void
InteractiveDetail::adaptMovingResolution(double mainRenderMilliseconds)
{
  const double measured = movingOverride >= 0 ? movingOverride : mainRenderMilliseconds;
  // Inside a band around the target the scale stays: each new scale resizes the frame buffer,
  // and the render times of neighbouring frames vary by a tenth.
  if (measured <= movingRenderTarget * 1.1 &&
      (measured >= movingRenderTarget * 0.7 || movingScale >= 1)) {
    return;
  }
  // Filling the translucent structures takes most of a coarse frame, and its cost goes with the
  // pixels drawn: the square of the scale. Steps of a twentieth.
  const double wanted = movingScale * std::sqrt(movingRenderTarget / std::max(measured, 0.1));
  movingScale = std::clamp(std::round(wanted * 20) / 20, smallestMovingScale, 1.0);
  drawReduced(movingScale < 1, movingScale);
}

void
InteractiveDetail::beginLoad()
{
  drawReduced(true, loadFrameScale);
}

void
InteractiveDetail::drawCoarselyWhileLoading(vtkPolyDataMapper* mapper)
{
  vtkPolyData* full = mapper->GetInput();
  vtkSmartPointer<vtkPolyData> quick = clusteredSurface(full, loadFrameDivisions);
  if (quick == nullptr) {
    return;
  }
  loadingStructures.emplace_back(mapper, full);
  mapper->SetInputData(quick);
}

void
InteractiveDetail::endLoad()
{
  const bool framed = !loadingStructures.empty();
  for (const auto& [mapper, full] : loadingStructures) {
    mapper->SetInputData(full);
  }
  loadingStructures.clear();
  drawReduced(false, 1);
  // The load framed the model after each structure by the copies' bounds, which lie a little
  // inside the full surfaces'; framed again by the full ones, as the load would have.
  if (framed) {
    mainRenderer->ResetCamera();
  }
}

void
InteractiveDetail::onInteractionEvent(vtkObject* style, unsigned long event, void*)
{
  if (event == vtkCommand::StartInteractionEvent) {
    beginInteraction();
    return;
  }
  // The main view's style renders its view itself right after this event.
  auto* observer = static_cast<vtkInteractorObserver*>(style);
  vtkRenderWindowInteractor* interactor = observer->GetInteractor();
  const bool mainRendersItself = interactor && interactor->GetRenderWindow() == mainWindow;
  endInteraction(!mainRendersItself);
}

void
_CochlexUI::setUpInteractiveDetail()
{
  interactiveDetail = std::make_unique<InteractiveDetail>(
    mainRenderWindowObject, mainRendererObject, headRenderWindowObject);
  interactiveDetail->setResolutionScaler(
    [this](double scale) { qvtkWidget->setResolutionScale(scale); });
  interactiveDetail->watchInteractor(qvtkWidget->renderWindow()->GetInteractor());
  interactiveDetail->watchInteractor(qvtkHead->renderWindow()->GetInteractor());
  for (QAbstractSlider* bar : std::initializer_list<QAbstractSlider*>{
         rotXScrollBar, rotYScrollBar, zoomScrollBar, shiftXSlider, shiftYSlider }) {
    interactiveDetail->watchSlider(bar);
  }
}

void
_CochlexUI::startInteractiveDetail()
{
  std::vector<vtkPolyDataMapper*> mappers;
  for (vtkAbstractMapper* mapper : structureMappers(frontActors, backActors)) {
    if (auto* polyDataMapper = vtkPolyDataMapper::SafeDownCast(mapper)) {
      mappers.push_back(polyDataMapper);
    }
  }
  interactiveDetail->setStructures(mappers);
  // Built a second after the first full frame is on screen: its render times tell whether the
  // copies are needed, and by then the head view's first frame and the render at the size the
  // window manager gives the window are done. Started with them, the build's working memory
  // (about 20 MB) came on top of theirs: 346 MB of peak memory under openbox at 1366x768, 320 MB
  // a second later.
  auto firstFrame = std::make_shared<QMetaObject::Connection>();
  *firstFrame =
    connect(qvtkWidget, &RenderView::frameSwapped, interactiveDetail.get(), [this, firstFrame] {
      disconnect(*firstFrame);
      QTimer::singleShot(
        1000, interactiveDetail.get(), [this] { interactiveDetail->buildIfNeeded(); });
    });
}
