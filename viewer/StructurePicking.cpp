#include "viewer/StructurePicking.h"

#include "ui/RenderView.h"
#include <QApplication>
#include <QFileInfo>
#include <QMouseEvent>

#include <vtkActor.h>
#include <vtkCellPicker.h>
#include <vtkDataSet.h>
#include <vtkMapper.h>
#include <vtkProperty.h>
#include <vtkRenderWindow.h>
#include <vtkRenderer.h>
#include <vtkStaticCellLocator.h>

#include <algorithm>

namespace {

bool
isSeeThrough(double transparency)
{
  // The spin boxes hold tenths: 1 - 0.5 may come back a rounding step below 0.5.
  constexpr double tolerance = 1e-9;
  return transparency >= seeThroughTransparency - tolerance;
}

} // namespace

StructurePicker::StructurePicker(RenderView* view,
                                 vtkRenderer* renderer,
                                 const std::vector<vtkActor*>& frontActors,
                                 const std::vector<vtkActor*>& backActors,
                                 QObject* parent)
  : QObject(parent)
  , view(view)
  , renderer(renderer)
  , frontActors(frontActors)
  , backActors(backActors)
{
  // Only the listed structure actors count: section images, plane widgets and the orientation
  // marker are not structures.
  picker->PickFromListOn();
  restTimer.setSingleShot(true);
  restTimer.setInterval(restMilliseconds);
  connect(&restTimer, &QTimer::timeout, this, &StructurePicker::pickAtRest);
  // Moves without a button pressed are what tell the pointer's rest.
  view->setMouseTracking(true);
  view->installEventFilter(this);
}

StructurePicker::~StructurePicker() = default;

int
StructurePicker::structureAtViewPoint(const QPoint& point) const
{
  vtkRenderWindow* renderWindow = renderer->GetRenderWindow();
  if (renderWindow == nullptr) {
    return -1;
  }
  // The render window counts its pixels from the bottom row up; while the model moves it may
  // draw at a reduced resolution.
  const double ratio = view->renderPixelRatio();
  const int height = renderWindow->GetSize()[1];
  return structureAtDisplayPoint(point.x() * ratio, height - point.y() * ratio - 1);
}

int
StructurePicker::structureAtDisplayPoint(double x, double y) const
{
  // Each pick finds the nearest structure not met yet; the ray is followed only until a
  // structure that is not see-through hides the rest.
  std::vector<vtkActor*> passedThrough;
  std::vector<RayHit> hits;
  while (vtkActor* actor = nearestActorAt(x, y, passedThrough)) {
    const int index = structureOfActor(actor);
    hits.push_back({ index, 1 - actor->GetProperty()->GetOpacity() });
    if (!isSeeThrough(hits.back().transparency)) {
      break;
    }
    passedThrough.push_back(frontActors[std::size_t(index)]);
    passedThrough.push_back(backActors[std::size_t(index)]);
  }
  return namedStructureAlongRay(hits);
}

int
namedStructureAlongRay(const std::vector<RayHit>& hits)
{
  for (const RayHit& hit : hits) {
    if (!isSeeThrough(hit.transparency)) {
      return hit.index;
    }
  }
  return hits.empty() ? -1 : hits.front().index;
}

vtkActor*
StructurePicker::nearestActorAt(double x, double y, const std::vector<vtkActor*>& excluded) const
{
  picker->InitializePickList();
  picker->RemoveAllLocators();
  int candidates = 0;
  const std::size_t count = std::min(frontActors.size(), backActors.size());
  // Surfaces of a model loaded before are let go.
  for (auto entry = locators.begin(); entry != locators.end();) {
    const bool current = std::any_of(frontActors.begin(), frontActors.end(), [&](vtkActor* actor) {
      return actor->GetMapper() != nullptr && actor->GetMapper()->GetInput() == entry->first;
    });
    entry = current ? std::next(entry) : locators.erase(entry);
  }
  for (std::size_t index = 0; index < count; ++index) {
    for (vtkActor* actor : { backActors[index], frontActors[index] }) {
      // The pick list is taken as it is: a hidden structure is one the renderer does not hold.
      const bool shown = renderer->HasViewProp(actor) && actor->GetVisibility() &&
                         actor->GetProperty()->GetOpacity() > 0;
      if (shown && std::find(excluded.begin(), excluded.end(), actor) == excluded.end()) {
        picker->AddPickList(actor);
        useLocatorFor(actor);
        ++candidates;
      }
    }
  }
  // A stand-in goes with its structure: excluded with it, picked without a locator (a cap has a
  // few hundred triangles and changes with every step of its section).
  for (const auto& [actor, index] : standIns ? standIns() : StandIns::result_type()) {
    const bool known = index >= 0 && std::size_t(index) < count;
    if (known && actor->GetVisibility() && actor->GetProperty()->GetOpacity() > 0 &&
        std::find(excluded.begin(), excluded.end(), frontActors[std::size_t(index)]) ==
          excluded.end()) {
      picker->AddPickList(actor);
      ++candidates;
    }
  }
  vtkActor* found = nullptr;
  if (candidates > 0 && picker->Pick(x, y, 0, renderer) != 0) {
    found = picker->GetActor();
  }
  // The list holds references; the actors must not outlive the window because of it.
  picker->InitializePickList();
  return found != nullptr && structureOfActor(found) >= 0 ? found : nullptr;
}

void
StructurePicker::useLocatorFor(vtkActor* actor) const
{
  vtkDataSet* surface = actor->GetMapper() != nullptr ? actor->GetMapper()->GetInput() : nullptr;
  if (surface == nullptr) {
    return;
  }
  vtkSmartPointer<vtkStaticCellLocator>& locator = locators[surface];
  if (locator == nullptr) {
    locator = vtkSmartPointer<vtkStaticCellLocator>::New();
    locator->SetDataSet(surface);
    locator->BuildLocator();
  }
  // The picker uses each locator for the surface it was built on.
  picker->AddLocator(locator);
}

int
StructurePicker::structureOfActor(vtkActor* actor) const
{
  const std::size_t count = std::min(frontActors.size(), backActors.size());
  for (std::size_t index = 0; index < count; ++index) {
    if (frontActors[index] == actor || backActors[index] == actor) {
      return int(index);
    }
  }
  for (const auto& [standIn, index] : standIns ? standIns() : StandIns::result_type()) {
    if (standIn == actor && index >= 0 && std::size_t(index) < count) {
      return index;
    }
  }
  return -1;
}

void
StructurePicker::setPointerNamesEnabled(bool enabled)
{
  namesEnabled = enabled;
  if (!enabled) {
    restTimer.stop();
    setPointed(-1);
  }
}

void
StructurePicker::pickAtRest()
{
  if (namesEnabled && !pressed) {
    setPointed(structureAtViewPoint(restPoint));
  }
}

void
StructurePicker::setPointed(int index)
{
  if (index != pointed) {
    pointed = index;
    emit pointedStructureChanged(index);
  }
}

bool
StructurePicker::eventFilter(QObject* watched, QEvent* event)
{
  if (watched != view) {
    return false;
  }
  if (event->type() == QEvent::Leave) {
    restTimer.stop();
    pressed = false;
    setPointed(-1);
    return false;
  }
  // Every other event of interest is a mouse event; the rest pass untouched.
  const auto* mouse = dynamic_cast<const QMouseEvent*>(event);
  if (mouse == nullptr) {
    return false;
  }
  switch (event->type()) {
    case QEvent::MouseMove:
      if (pressed && (mouse->pos() - pressPoint).manhattanLength() >= dragDistance()) {
        dragged = true;
      }
      if (!pressed && mouse->buttons() == Qt::NoButton) {
        restPoint = mouse->pos();
        if (namesEnabled) {
          restTimer.start();
        }
      }
      break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
      // The view may turn from here on; nothing is picked until the button is let go.
      restTimer.stop();
      if (mouse->button() == Qt::LeftButton) {
        pressed = true;
        dragged = false;
        pressIsDoubleClick = event->type() == QEvent::MouseButtonDblClick;
        pressPoint = mouse->pos();
      }
      break;
    case QEvent::MouseButtonRelease:
      if (pressed && mouse->button() == Qt::LeftButton) {
        pressed = false;
        // Once further than the drag distance it was a rotation, not a click, even if it came
        // back.
        if (!dragged && (mouse->pos() - pressPoint).manhattanLength() < dragDistance()) {
          const int index = structureAtViewPoint(mouse->pos());
          if (pressIsDoubleClick) {
            emit structureDoubleClicked(index);
          } else {
            emit structureClicked(index);
          }
        }
        // The model may have turned under the pointer.
        restPoint = mouse->pos();
        if (namesEnabled) {
          restTimer.start();
        }
      }
      break;
    default:
      break;
  }
  return false;
}

int
StructurePicker::dragDistance()
{
  return QApplication::startDragDistance();
}
