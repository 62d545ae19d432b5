#include "viewer/Labels.h"

#include "viewer/CochlexUI.h"
#include "viewer/InteractiveDetail.h"
#include "viewer/StructureSelection.h"

#include "ui/RenderView.h"
#include <QAction>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QMenu>

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

// The labels' gaps and margins, in logical pixels.
constexpr double labelMargin = 8;
constexpr double labelGap = 4;
constexpr double leaderInset = 3;

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
  if (labels == nullptr || !labels->active() || labels->refining) {
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
  const int pixels = textSize(fontSize * window.qvtkWidget->renderPixelRatio());
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
    const bool shown = index < count && structureShown(index) && !anchors.cutAway(index) &&
                       anchors.anchor(index, point) && projection.project(point, anchor);
    if (shown) {
      prepareLabel(index);
    }
    if (label.text != nullptr) {
      label.text->SetVisibility(shown);
    }
    if (shown) {
      requests.push_back({ anchor, label.size });
      structures.push_back(int(index));
    }
  }

  const double ratio = window.qvtkWidget->renderPixelRatio();
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

  layoutMilliseconds = double(timer.nsecsElapsed()) / 1e6;
}

int
Labels::textSize(double pixels) const
{
  // On a screen of pixel ratio 2 a size in pixels given to VTK as it is came out twice as large,
  // and the labels, too wide to fit, lay over one another.
  return window.qvtkWidget->textSize(pixels / window.qvtkWidget->renderPixelRatio());
}

void
Labels::enlargeForTiles(int scale)
{
  const double ratio = window.qvtkWidget->renderPixelRatio();
  vtkNew<vtkPoints> points;
  vtkNew<vtkCellArray> lines;
  vtkNew<vtkCellArray> dots;
  for (std::size_t position = 0; position < placed.size(); ++position) {
    const auto& [structure, box] = placed[position];
    vtkTextActor* text = labels[std::size_t(structure)].text;
    text->GetTextProperty()->SetFontSize(textSize(fontSize * ratio * scale));
    text->SetDisplayPosition(int(std::lround(box.box.x() * scale)),
                             int(std::lround(box.box.y() * scale)));
    const QPointF anchor = placedAnchors[position] * scale;
    const QPointF leader = box.leader * scale;
    const vtkIdType start = points->InsertNextPoint(anchor.x(), anchor.y(), 0);
    const vtkIdType end = points->InsertNextPoint(leader.x(), leader.y(), 0);
    const vtkIdType line[2] = { start, end };
    lines->InsertNextCell(2, line);
    dots->InsertNextCell(1, &start);
  }
  leaderLines->SetPoints(points);
  leaderLines->SetLines(lines);
  leaderLines->SetVerts(dots);
  leaderActor->GetProperty()->SetLineWidth(float(1.2 * ratio * scale));
  leaderActor->GetProperty()->SetPointSize(float(4 * ratio * scale));
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
  std::vector<std::size_t> shown;
  const std::size_t count = std::min(window.frontActors.size(), window.backActors.size());
  for (std::size_t index = 0; index < count; ++index) {
    if (structureShown(index)) {
      shown.push_back(index);
    }
  }
  if (anchors.check(shown)) {
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
  window.setHandoutLighting(on);
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
