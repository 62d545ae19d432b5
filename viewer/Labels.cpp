#include "viewer/Labels.h"

#include "viewer/CochlexUI.h"
#include "viewer/InteractiveDetail.h"
#include "viewer/StructurePicking.h"
#include "viewer/StructureSelection.h"

#include "ui/RenderView.h"
#include <QAction>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QMenu>
#include <QMouseEvent>

#include <vtkActor.h>
#include <vtkActor2D.h>
#include <vtkAxesActor.h>
#include <vtkCallbackCommand.h>
#include <vtkCamera.h>
#include <vtkCaptionActor2D.h>
#include <vtkCellArray.h>
#include <vtkMapper.h>
#include <vtkMatrix4x4.h>
#include <vtkOrientationMarkerWidget.h>
#include <vtkPlane.h>
#include <vtkPlaneCollection.h>
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

// Enough points to find a visible spot on a structure half hidden by others, few enough to
// project them all in well under a millisecond.
constexpr vtkIdType candidateCount = 256;
// Picks per structure when its anchor went out of sight: about 0.1 ms each.
constexpr int picksPerStructure = 8;
// The labels' gaps and margins, in logical pixels.
constexpr double labelMargin = 8;
constexpr double labelGap = 4;
constexpr double leaderInset = 3;

// Where model points appear in a renderer, in display pixels from its bottom left.
class Projection
{
public:
  explicit Projection(vtkRenderer* renderer)
  {
    vtkMatrix4x4::DeepCopy(matrix,
                           renderer->GetActiveCamera()->GetCompositeProjectionTransformMatrix(
                             renderer->GetTiledAspectRatio(), -1, 1));
    const int* size = renderer->GetSize();
    const int* origin = renderer->GetOrigin();
    width = size[0];
    height = size[1];
    left = origin[0];
    bottom = origin[1];
  }

  // False when the point is behind the camera.
  bool project(const std::array<double, 3>& point, QPointF& display) const
  {
    const double in[4] = { point[0], point[1], point[2], 1 };
    double out[4];
    vtkMatrix4x4::MultiplyPoint(matrix, in, out);
    if (out[3] <= 0) {
      return false;
    }
    display = QPointF(left + (out[0] / out[3] + 1) * 0.5 * width,
                      bottom + (out[1] / out[3] + 1) * 0.5 * height);
    return true;
  }

  bool inside(const QPointF& display) const
  {
    return display.x() >= left && display.y() >= bottom && display.x() < left + width &&
           display.y() < bottom + height;
  }

  double width = 0;
  double height = 0;

private:
  double matrix[16];
  double left = 0;
  double bottom = 0;
};

// Whether the cuts at the section planes leave nothing of the structure drawn by actor.
bool
whollyCut(vtkActor* actor)
{
  vtkMapper* mapper = actor->GetMapper();
  vtkPlaneCollection* planes = mapper != nullptr ? mapper->GetClippingPlanes() : nullptr;
  vtkDataSet* surface = mapper != nullptr ? mapper->GetInputAsDataSet() : nullptr;
  if (planes == nullptr || planes->GetNumberOfItems() == 0 || surface == nullptr) {
    return false;
  }
  double point[3];
  for (vtkIdType id = 0; id < surface->GetNumberOfPoints(); ++id) {
    surface->GetPoint(id, point);
    bool kept = true;
    for (int plane = 0; kept && plane < planes->GetNumberOfItems(); ++plane) {
      // The mapper keeps the side the plane's normal points to.
      kept = planes->GetItem(plane)->EvaluateFunction(point) >= 0;
    }
    if (kept) {
      return false;
    }
  }
  return true;
}

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

  vtkNew<vtkPolyDataMapper2D> leaderMapper;
  leaderMapper->SetInputData(leaderLines);
  leaderActor->SetMapper(leaderMapper);
  leaderActor->PickableOff();
  applyColors();

  renderObserver->SetCallback(&Labels::beforeRender);
  renderObserver->SetClientData(this);
  observerTag = window.mainRenderer()->AddObserver(vtkCommand::StartEvent, renderObserver);

  refineTimer.setSingleShot(true);
  refineTimer.setInterval(refineMilliseconds);
  connect(&refineTimer, &QTimer::timeout, this, &Labels::refineAnchors);

  window.qvtkWidget->installEventFilter(this);
}

// The renderer, released by the window before its children go, drops the observer with it.
Labels::~Labels() = default;

void
Labels::beforeRender(vtkObject*, unsigned long, void* clientData, void*)
{
  static_cast<Labels*>(clientData)->layOut();
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
  vtkActor* front = window.frontActors[index];
  // Structure 4 has no row on screen, yet it is in the view when its box is ticked.
  const bool ticked =
    index >= window.structureCheckBoxes.size() || window.structureCheckBoxes[index]->isChecked();
  return ticked && window.mainRenderer()->HasViewProp(front) && front->GetVisibility() &&
         front->GetProperty()->GetOpacity() > 0;
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
  const int pixels = int(std::lround(fontSize * window.qvtkWidget->devicePixelRatioF()));
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

  vtkDataSet* surface = window.frontActors[index]->GetMapper() != nullptr
                          ? window.frontActors[index]->GetMapper()->GetInputAsDataSet()
                          : nullptr;
  const vtkIdType points = surface != nullptr ? surface->GetNumberOfPoints() : 0;
  if (!label.candidates.empty() || points == 0) {
    return;
  }
  // Spread through the point list, which the surface's cells walk in order.
  std::array<double, 3> centroid{};
  const vtkIdType step = std::max<vtkIdType>(1, points / candidateCount);
  for (vtkIdType id = 0; id < points; id += step) {
    std::array<double, 3> point{};
    surface->GetPoint(id, point.data());
    label.candidates.push_back(point);
    for (int axis = 0; axis < 3; ++axis) {
      centroid[axis] += point[axis];
    }
  }
  for (double& coordinate : centroid) {
    coordinate /= double(label.candidates.size());
  }
  // Until a pick finds a spot in sight, the point nearest the middle of the structure.
  const auto distance = [&](const std::array<double, 3>& point) {
    return std::pow(point[0] - centroid[0], 2) + std::pow(point[1] - centroid[1], 2) +
           std::pow(point[2] - centroid[2], 2);
  };
  label.anchor =
    *std::min_element(label.candidates.begin(),
                      label.candidates.end(),
                      [&](const auto& a, const auto& b) { return distance(a) < distance(b); });
  label.hasAnchor = true;
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
}

void
Labels::layOut()
{
  QElapsedTimer timer;
  timer.start();
  vtkRenderer* renderer = window.mainRenderer();
  vtkRenderWindow* renderWindow = window.mainRenderWindow();
  if (!active()) {
    if (!placed.empty() || renderer->HasViewProp(leaderActor)) {
      removeProps();
    }
    return;
  }
  // Both eyes of a stereo picture get the labels of the left one: flat on the screen. An
  // enlarged screenshot drawn in tiles keeps the labels of the whole view.
  const int* tiles = renderWindow->GetTileScale();
  if ((renderWindow->GetStereoRender() && !renderer->GetActiveCamera()->GetLeftEye()) ||
      tiles[0] != 1 || tiles[1] != 1) {
    return;
  }
  ++renderCount;

  const std::size_t count = std::min(window.frontActors.size(), window.backActors.size());
  labels.resize(std::max(labels.size(), count));
  const Projection projection(renderer);
  std::vector<LabelRequest> requests;
  std::vector<int> structures;
  for (std::size_t index = 0; index < labels.size(); ++index) {
    StructureLabel& label = labels[index];
    if (index < count && label.actor != window.frontActors[index]) {
      // Another model's structure under this number.
      if (label.text != nullptr) {
        renderer->RemoveActor2D(label.text);
      }
      label = StructureLabel();
      label.actor = window.frontActors[index];
    }
    QPointF anchor;
    const bool shown = index < count && structureShown(index) && !label.cutAway;
    if (shown) {
      prepareLabel(index);
    }
    if (!shown || !label.hasAnchor || !projection.project(label.anchor, anchor)) {
      if (label.text != nullptr) {
        label.text->VisibilityOff();
      }
      continue;
    }
    label.text->VisibilityOn();
    requests.push_back({ anchor, label.size });
    structures.push_back(int(index));
  }

  const double ratio = window.qvtkWidget->devicePixelRatioF();
  LabelLayoutSettings settings;
  settings.viewSize = QSizeF(projection.width, projection.height);
  settings.margin = labelMargin * ratio;
  settings.gap = labelGap * ratio;
  settings.leaderInset = leaderInset * ratio;
  // The orientation axes take the bottom left corner.
  settings.leftBottom = window.orientationMarker->GetViewport()[3] * projection.height;
  const std::vector<PlacedLabel> boxes = layOutLabels(requests, settings);

  vtkNew<vtkPoints> points;
  vtkNew<vtkCellArray> lines;
  vtkNew<vtkCellArray> dots;
  placed.clear();
  placedAnchors.clear();
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
  }
  leaderLines->SetPoints(points);
  leaderLines->SetLines(lines);
  leaderLines->SetVerts(dots);
  leaderActor->GetProperty()->SetLineWidth(float(1.2 * ratio));
  leaderActor->GetProperty()->SetPointSize(float(4 * ratio));
  if (!renderer->HasViewProp(leaderActor)) {
    renderer->AddActor2D(leaderActor);
  }

  if (!refining && !refineTimer.isActive()) {
    refineStartCount = renderCount;
    refineTimer.start();
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
    refineStartCount = renderCount;
    refineTimer.start();
    return;
  }
  vtkRenderer* renderer = window.mainRenderer();
  const Projection projection(renderer);
  const StructurePicker* picker = window.structurePicker;
  const std::size_t count = std::min(labels.size(), window.frontActors.size());
  bool changed = false;
  for (std::size_t index = 0; index < count; ++index) {
    StructureLabel& label = labels[index];
    if (label.text == nullptr || label.actor != window.frontActors[index] ||
        !structureShown(index)) {
      continue;
    }
    const bool cut = whollyCut(label.actor);
    changed = changed || cut != label.cutAway;
    label.cutAway = cut;
    if (cut || label.candidates.empty()) {
      continue;
    }
    QPointF display;
    if (label.hasAnchor && projection.project(label.anchor, display) &&
        projection.inside(display) &&
        picker->structureAtDisplayPoint(display.x(), display.y()) == int(index)) {
      continue; // still in sight: the label stays where the reader found it
    }
    // The candidates in the view, nearest the middle of the structure's picture first.
    std::vector<std::pair<QPointF, std::size_t>> inView;
    QPointF middle;
    for (std::size_t candidate = 0; candidate < label.candidates.size(); ++candidate) {
      if (projection.project(label.candidates[candidate], display) && projection.inside(display)) {
        inView.emplace_back(display, candidate);
        middle += display;
      }
    }
    if (inView.empty()) {
      continue;
    }
    middle /= double(inView.size());
    std::sort(inView.begin(), inView.end(), [&](const auto& a, const auto& b) {
      const QPointF da = a.first - middle;
      const QPointF db = b.first - middle;
      return QPointF::dotProduct(da, da) < QPointF::dotProduct(db, db);
    });
    // Hidden everywhere tried: the most central point at least lies on the structure.
    std::size_t chosen = inView.front().second;
    const std::size_t tries = std::min<std::size_t>(inView.size(), picksPerStructure);
    for (std::size_t attempt = 0; attempt < tries; ++attempt) {
      // Spread over the list, so the tries do not all fall in one hidden patch.
      const std::size_t pick = attempt * inView.size() / tries;
      const QPointF& point = inView[pick].first;
      if (picker->structureAtDisplayPoint(point.x(), point.y()) == int(index)) {
        chosen = inView[pick].second;
        break;
      }
    }
    changed = changed || label.candidates[chosen] != label.anchor;
    label.anchor = label.candidates[chosen];
    label.hasAnchor = true;
  }
  if (renderCount != refineStartCount) {
    // Still moving: the next frame takes the new anchors, and another look follows.
    refineStartCount = renderCount;
    refineTimer.start();
    return;
  }
  if (changed) {
    refining = true;
    window.mainRenderWindow()->Render();
    refining = false;
  }
}

void
Labels::settle()
{
  window.mainRenderWindow()->Render();
  refineTimer.stop();
  refineStartCount = renderCount;
  refineAnchors();
}

void
Labels::setShown(bool on)
{
  if (!on) {
    refineTimer.stop();
  }
  // Drawing lays the labels out, or takes them away.
  window.mainRenderWindow()->Render();
}

void
Labels::setWhite(bool on)
{
  const double background = on ? 1.0 : 0.0;
  window.mainRenderer()->SetBackground(background, background, background);
  applyColors();
  window.mainRenderWindow()->Render();
}

void
Labels::applyColors()
{
  const bool white = whiteAction->isChecked();
  // Dark ink on white for print; light on the black screen background.
  const double ink = white ? 0.08 : 0.95;
  const double paper = white ? 1.0 : 0.0;
  for (StructureLabel& label : labels) {
    if (label.text != nullptr) {
      label.text->GetTextProperty()->SetColor(ink, ink, ink);
      label.text->GetTextProperty()->SetBackgroundColor(paper, paper, paper);
    }
  }
  const double line = white ? 0.15 : 0.9;
  leaderActor->GetProperty()->SetColor(line, line, line);
  // The axes' letters are white: on white paper they would vanish.
  const double letters = white ? 0.1 : 1.0;
  for (vtkCaptionActor2D* caption : { window.axesActor->GetXAxisCaptionActor2D(),
                                      window.axesActor->GetYAxisCaptionActor2D(),
                                      window.axesActor->GetZAxisCaptionActor2D() }) {
    caption->GetCaptionTextProperty()->SetColor(letters, letters, letters);
  }
}

std::vector<Labels::ShownLabel>
Labels::shownLabels() const
{
  std::vector<ShownLabel> shown;
  const double ratio = window.qvtkWidget->devicePixelRatioF();
  const double height = window.mainRenderer()->GetSize()[1];
  for (std::size_t position = 0; position < placed.size(); ++position) {
    const auto& [structure, box] = placed[position];
    const QRectF rect = box.box;
    ShownLabel label;
    label.structure = structure;
    label.text = labels[std::size_t(structure)].name;
    label.box = QRectF(rect.x() / ratio,
                       (height - rect.y() - rect.height()) / ratio,
                       rect.width() / ratio,
                       rect.height() / ratio)
                  .toAlignedRect();
    const QPointF anchor = placedAnchors[position];
    label.anchor = QPointF(anchor.x() / ratio, (height - anchor.y()) / ratio).toPoint();
    shown.push_back(label);
  }
  return shown;
}

int
Labels::labelAtViewPoint(const QPoint& point) const
{
  for (const ShownLabel& label : shownLabels()) {
    // A pixel more all round: the text's box is tight.
    if (label.box.adjusted(-1, -1, 1, 1).contains(point)) {
      return label.structure;
    }
  }
  return -1;
}

bool
Labels::eventFilter(QObject* watched, QEvent* event)
{
  if (watched != window.qvtkWidget) {
    return false;
  }
  const auto type = event->type();
  if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick &&
      type != QEvent::MouseButtonRelease) {
    return false;
  }
  const auto* mouse = static_cast<const QMouseEvent*>(event);
  if (mouse->button() != Qt::LeftButton) {
    return false;
  }
  // A press on a label is the label's: the structure picker never sees it, so it neither
  // selects what lies under the label nor takes the release for a click.
  if (type == QEvent::MouseButtonRelease) {
    const int pressed = pressedLabel;
    pressedLabel = -1;
    if (pressed < 0) {
      return false;
    }
    if (labelAtViewPoint(mouse->pos()) == pressed) {
      window.structureSelection->selectStructure(pressed);
    }
    return true;
  }
  pressedLabel = active() ? labelAtViewPoint(mouse->pos()) : -1;
  return pressedLabel >= 0;
}
