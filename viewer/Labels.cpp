#include "viewer/Labels.h"

#include "viewer/CochlexUI.h"
#include "viewer/InteractiveDetail.h"
#include "viewer/StructureSelection.h"

#include "ui/RenderView.h"
#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QMenu>
#include <QScreen>

#include <vtkActor.h>
#include <vtkActor2D.h>
#include <vtkAxesActor.h>
#include <vtkCallbackCommand.h>
#include <vtkCamera.h>
#include <vtkCaptionActor2D.h>
#include <vtkCellArray.h>
#include <vtkOrientationMarkerWidget.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkPolyDataMapper2D.h>
#include <vtkProperty.h>
#include <vtkProperty2D.h>
#include <vtkRenderWindow.h>
#include <vtkRenderer.h>
#include <vtkTextActor.h>
#include <vtkTextProperty.h>

#include <algorithm>
#include <cmath>

namespace {

// The labels' margin from the picture's edge, and the gap between two, in text heights: a full
// line of space keeps a printed label off the page's trim (30 pixels in a 1200-pixel picture).
constexpr double marginInTextHeights = 1;
constexpr double gapInTextHeights = 0.25;
// Logical pixels.
constexpr double leaderInset = 3;
// Anchors of two structures nearer than this many text heights crowd: their lines would seem to
// end on one thing.
constexpr double spacingInTextHeights = 1.5;

QAction*
newToggle(_CochlexUI& window, const char* objectName, const QString& text)
{
  auto* action = new QAction(text, &window);
  action->setObjectName(QString::fromLatin1(objectName));
  action->setCheckable(true);
  return action;
}

} // namespace

Labels::Labels(_CochlexUI& window)
  : QObject(&window)
  , window(window)
  , showAction(newToggle(window, "actionShow_Labels", tr("Show Labels")))
  , whiteAction(newToggle(window, "actionWhite_Background", tr("White Background")))
  , sizeGroup(new QActionGroup(this))
  , anchors(window)
{
  showAction->setShortcut(QKeySequence(QStringLiteral("Ctrl+L")));
  // Also in the full-screen Model view, a window of its own.
  showAction->setShortcutContext(Qt::ApplicationShortcut);
  // Beside the other switches of the picture, after Show Stereo.
  const QList<QAction*> entries = window.menuView->actions();
  const int stereo = entries.indexOf(window.actionStereo_View);
  QAction* before = stereo >= 0 && stereo + 1 < entries.size() ? entries[stereo + 1] : nullptr;
  window.menuView->insertAction(before, showAction);
  window.menuView->insertAction(before, whiteAction);
  connect(showAction, &QAction::toggled, this, &Labels::setShown);
  connect(whiteAction, &QAction::toggled, this, &Labels::setWhite);

  auto* sizeMenu = new QMenu(tr("Label Size"), window.menuView);
  sizeMenu->setObjectName(QStringLiteral("menuLabel_Size"));
  window.menuView->insertMenu(before, sizeMenu);
  const std::array<std::pair<LabelSize, QString>, 3> sizeNames = {
    { { LabelSize::Small, tr("Small") },
      { LabelSize::Medium, tr("Medium") },
      { LabelSize::Large, tr("Large") } }
  };
  for (const auto& [entry, text] : sizeNames) {
    QAction* action = sizeMenu->addAction(text);
    action->setObjectName(QStringLiteral("actionLabel_Size_") + text);
    action->setCheckable(true);
    sizeGroup->addAction(action);
    sizeActions[std::size_t(entry)] = action;
    connect(action, &QAction::triggered, this, [this, entry = entry] { setLabelSize(entry); });
  }
  sizeGroup->setExclusive(true);
  // Readable from the back of a room on the screen the window starts on.
  const QScreen* screen = window.screen();
  size = defaultLabelSize(screen != nullptr ? screen->geometry().height() : 768);
  sizeActions[std::size_t(size)]->setChecked(true);

  vtkNew<vtkPolyDataMapper2D> leaderMapper;
  leaderMapper->SetInputData(leaderLines);
  leaderActor->SetMapper(leaderMapper);
  leaderActor->PickableOff();
  applyColors();

  renderObserver->SetCallback(&Labels::beforeRender);
  renderObserver->SetClientData(this);
  window.mainRenderer()->AddObserver(vtkCommand::StartEvent, renderObserver);
  frameEndObserver->SetCallback(&Labels::afterRender);
  frameEndObserver->SetClientData(this);
  window.mainRenderer()->AddObserver(vtkCommand::EndEvent, frameEndObserver);

  refineTimer.setSingleShot(true);
  refineTimer.setInterval(refineMilliseconds);
  connect(&refineTimer, &QTimer::timeout, this, &Labels::refineAnchors);

  window.qvtkWidget->installEventFilter(this);
}

Labels::~Labels()
{
  // The window has released the renderer by now, but whatever still holds it must not reach
  // this object through the observer.
  renderObserver->SetClientData(nullptr);
  frameEndObserver->SetClientData(nullptr);
}

void
Labels::afterRender(vtkObject*, unsigned long, void* clientData, void*)
{
  auto* labels = static_cast<Labels*>(clientData);
  if (labels == nullptr || !labels->active() || labels->refining || labels->held) {
    return;
  }
  // Counted from the end of the frame: a frame slower than the wait must not pass for a pause.
  const int* tiles = labels->window.mainRenderWindow()->GetTileScale();
  if (tiles[0] == 1 && tiles[1] == 1) {
    labels->refineTimer.start();
  }
}

void
Labels::beforeRender(vtkObject*, unsigned long, void* clientData, void*)
{
  if (clientData != nullptr) {
    static_cast<Labels*>(clientData)->layOut();
  }
}

bool
Labels::active() const
{
  // The labels would give the quiz's answers away.
  return showAction->isChecked() && !window.actionQuiz->isChecked();
}

bool
Labels::structureShown(std::size_t index) const
{
  const StructureTable& table = *window.structureTable;
  return table.contains(int(index)) && table.at(int(index)).visible();
}

void
Labels::prepareLabel(std::size_t index)
{
  StructureLabel& label = labels[index];
  vtkRenderer* renderer = window.mainRenderer();
  if (label.text == nullptr) {
    label.text = vtkSmartPointer<vtkTextActor>::New();
    label.text->PickableOff();
    vtkTextProperty* property = label.text->GetTextProperty();
    property->SetFontFamilyToArial();
    property->SetJustificationToLeft();
    property->SetVerticalJustificationToBottom();
    property->SetBackgroundOpacity(0.6);
    applyColors();
  }
  const int pixels = textSize(textPixels(renderer->GetSize()[1]));
  const QString name = window.structureSelection->structureName(int(index));
  if (name != label.name || label.text->GetTextProperty()->GetFontSize() != pixels) {
    label.name = name;
    label.text->SetInput(name.toUtf8().constData());
    label.text->GetTextProperty()->SetFontSize(pixels);
    double box[4] = { 0, 0, 0, 0 };
    label.text->GetBoundingBox(renderer, box);
    label.size = QSizeF(box[1] - box[0] + 1, box[3] - box[2] + 1);
  }
  if (!renderer->HasViewProp(label.text)) {
    renderer->AddActor2D(label.text);
  }
}

void
Labels::removeProps()
{
  vtkRenderer* renderer = window.mainRenderer();
  for (StructureLabel& label : labels) {
    if (label.text != nullptr) {
      renderer->RemoveActor2D(label.text);
    }
  }
  renderer->RemoveActor2D(leaderActor);
  placed.clear();
  placedAnchors.clear();
  shown.clear();
}

void
Labels::layOut()
{
  QElapsedTimer timer;
  timer.start();
  vtkRenderer* renderer = window.mainRenderer();
  vtkRenderWindow* renderWindow = window.mainRenderWindow();
  if (!active() || held) {
    if (!placed.empty() || renderer->HasViewProp(leaderActor)) {
      removeProps();
    }
    return;
  }
  // Both eyes of a stereo picture get the labels of the left one: flat on the screen.
  if (renderWindow->GetStereoRender() && !renderer->GetActiveCamera()->GetLeftEye()) {
    return;
  }
  // An enlarged screenshot is drawn in tiles, each with a camera of its own part of the picture,
  // while 2-D props stand in the whole enlarged picture: they take the view's labels enlarged.
  const int* tiles = renderWindow->GetTileScale();
  if (tiles[0] != 1 || tiles[1] != 1) {
    enlargeForTiles(tiles[0]);
    return;
  }

  const std::size_t count = std::min(window.frontActors.size(), window.backActors.size());
  labels.resize(std::max(labels.size(), count));
  const ViewProjection projection(renderer);
  std::vector<LabelRequest> requests;
  std::vector<int> structures;
  for (std::size_t index = 0; index < labels.size(); ++index) {
    StructureLabel& label = labels[index];
    std::array<double, 3> point{};
    QPointF anchor;
    // An anchor the camera has taken out of the view waits for the next check.
    const bool labelled = index < count && structureShown(index) && anchors.anchor(index, point) &&
                          projection.project(point, anchor) && projection.inside(anchor);
    if (labelled) {
      prepareLabel(index);
    }
    if (label.text != nullptr) {
      label.text->SetVisibility(labelled);
    }
    if (labelled) {
      requests.push_back({ anchor, label.size });
      structures.push_back(int(index));
    }
  }

  const double ratio = window.qvtkWidget->renderPixelRatio();
  const double text = textPixels(projection.height);
  LabelLayoutSettings settings;
  settings.viewSize = QSizeF(projection.width, projection.height);
  settings.margin = marginInTextHeights * text;
  settings.gap = gapInTextHeights * text;
  settings.leaderInset = leaderInset * ratio;
  // The orientation axes take the bottom left corner.
  settings.leftBottom = window.orientationMarker->GetViewport()[3] * projection.height;
  const std::vector<PlacedLabel> boxes = layOutLabels(requests, settings);

  vtkNew<vtkPoints> points;
  vtkNew<vtkCellArray> lines;
  vtkNew<vtkCellArray> dots;
  placed.clear();
  placedAnchors.clear();
  shown.clear();
  placedTextPixels = text;
  for (std::size_t position = 0; position < boxes.size(); ++position) {
    const PlacedLabel& box = boxes[position];
    vtkTextActor* text = labels[std::size_t(structures[position])].text;
    text->SetDisplayPosition(int(std::lround(box.box.x())), int(std::lround(box.box.y())));
    const QPointF& anchor = requests[position].anchor;
    const vtkIdType start = points->InsertNextPoint(anchor.x(), anchor.y(), 0);
    const vtkIdType end = points->InsertNextPoint(box.leader.x(), box.leader.y(), 0);
    const vtkIdType line[2] = { start, end };
    lines->InsertNextCell(2, line);
    dots->InsertNextCell(1, &start);
    placed.emplace_back(structures[position], box);
    placedAnchors.push_back(anchor);
    ShownLabel label;
    label.structure = structures[position];
    label.text = labels[std::size_t(structures[position])].name;
    const QRectF rect = box.box;
    label.box = QRectF(rect.x() / ratio,
                       (projection.height - rect.y() - rect.height()) / ratio,
                       rect.width() / ratio,
                       rect.height() / ratio)
                  .toAlignedRect();
    // As the structure picker counts: the bottom row of pixels is row 0.
    label.anchor =
      QPointF(anchor.x() / ratio, (projection.height - 1 - anchor.y()) / ratio).toPoint();
    shown.push_back(label);
  }
  leaderLines->SetPoints(points);
  leaderLines->SetLines(lines);
  leaderLines->SetVerts(dots);
  leaderActor->GetProperty()->SetLineWidth(float(1.2 * ratio));
  leaderActor->GetProperty()->SetPointSize(float(4 * ratio));
  if (!renderer->HasViewProp(leaderActor)) {
    renderer->AddActor2D(leaderActor);
  }

  layoutMilliseconds = double(timer.nsecsElapsed()) / 1e6;
}

void
Labels::refineAnchors()
{
  if (!active()) {
    return;
  }
  // Picks on the coarse copies of a drag would have the picker let go of the locators of the
  // full surfaces, and build them again after the release: no picks before the release.
  if (window.interactiveDetail != nullptr && window.interactiveDetail->showingCoarseCopies()) {
    return; // the release's full-detail frame starts another wait
  }
  std::vector<std::size_t> showing;
  const std::size_t count = std::min(window.frontActors.size(), window.backActors.size());
  for (std::size_t index = 0; index < count; ++index) {
    if (structureShown(index)) {
      showing.push_back(index);
    }
  }
  const double spacing = spacingInTextHeights * textPixels(window.mainRenderer()->GetSize()[1]);
  QElapsedTimer timer;
  timer.start();
  const bool changed = anchors.check(showing, spacing);
  checkMilliseconds = double(timer.nsecsElapsed()) / 1e6;
  if (changed) {
    refining = true;
    window.mainRenderWindow()->Render();
    refining = false;
  }
}

void
Labels::placeNow()
{
  vtkRenderWindow* renderWindow = window.mainRenderWindow();
  if (!active()) {
    held = false;
    renderWindow->Render();
    return;
  }
  // The anchors are found in the picture without labels; only then do the labels appear.
  held = true;
  renderWindow->Render();
  held = false;
  refineTimer.stop();
  anchors.forget();
  refineAnchors();
}

void
Labels::holdUntilPlaced()
{
  held = true;
  refineTimer.stop();
}

void
Labels::setShown(bool on)
{
  if (!on) {
    refineTimer.stop();
  }
  if (on && !held) {
    placeNow();
    return;
  }
  // Drawing takes the labels away.
  window.mainRenderWindow()->Render();
}
