#include "viewer/CutFaces.h"

#include "viewer/CochlexUI.h"
#include "viewer/InteractiveDetail.h"
#include "viewer/SectionGeometry.h"
#include "viewer/StructurePicking.h"
#include "viewer/teaching/CutCaps.h"

#include <QAction>
#include <QMenu>

#include <vtkActor.h>
#include <vtkBoundingBox.h>
#include <vtkCommand.h>
#include <vtkPlane.h>
#include <vtkPlaneCollection.h>
#include <vtkPolyData.h>
#include <vtkPolyDataMapper.h>
#include <vtkProperty.h>
#include <vtkRenderWindow.h>
#include <vtkRenderer.h>

namespace {

// A cut face is the structure's own colour a quarter darker: it reads as the same structure,
// and as a cut rather than as more of its surface.
constexpr double cutShade = 0.75;
// A cap lies in the plane of its section image, which would show through it in patches (both
// are drawn at the same depth). It is drawn this share of the model's size towards the side cut
// away: on the sample model about a thousandth of a unit, a tenth of a section's voxel and a
// hundredth of a pixel of the view, yet some hundred times the depth buffer's resolution there.
// Its geometry stays in the plane.
constexpr double capLift = 1e-4;

std::vector<vtkPlane*>
clippingPlanesOf(vtkAbstractMapper* mapper)
{
  std::vector<vtkPlane*> planes;
  vtkPlaneCollection* collection = mapper ? mapper->GetClippingPlanes() : nullptr;
  for (int item = 0; collection && item < collection->GetNumberOfItems(); ++item) {
    planes.push_back(collection->GetItem(item));
  }
  return planes;
}

} // namespace

CutFaces::CutFaces(_CochlexUI& window)
  : QObject(&window)
  , window(window)
  , toggle(new QAction(QStringLiteral("Solid Cut Faces"), &window))
  , renderer(window.mainRenderer())
  , renderWindow(window.mainRenderWindow())
{
  toggle->setObjectName(QStringLiteral("actionSolid_Cut_Faces"));
  toggle->setCheckable(true);
  toggle->setChecked(true);
  // Among the ways of drawing the model, after the stereo view.
  const QList<QAction*> viewActions = window.menuView->actions();
  window.menuView->insertAction(
    viewActions.value(viewActions.indexOf(window.actionStereo_View) + 1), toggle);
  // The one place the switch acts: whoever toggles it (the menu, a saved view) gets the caps
  // added or removed and drawn.
  connect(toggle, &QAction::toggled, this, [this] {
    if (!this->window.frontActors.empty()) {
      this->window.mainRenderWindow()->Render();
    }
  });
  // The window's start, not the renderer's: the renderer gathers its props before it tells of
  // its start, and a cap added then would miss that frame.
  renderObserver =
    renderWindow->AddObserver(vtkCommand::StartEvent, this, &CutFaces::onRenderStart);
  if (window.structurePicker != nullptr) {
    window.structurePicker->setStandIns([this] { return shownCaps(); });
  }
}

CutFaces::~CutFaces()
{
  renderWindow->RemoveObserver(renderObserver);
  for (auto& structureCaps : caps) {
    for (Cap& cap : structureCaps) {
      hideCap(cap);
    }
  }
}

std::array<vtkPlane*, 3>
CutFaces::planes() const
{
  return { window.clipPlaneX, window.clipPlaneY, window.clipPlaneZ };
}

void
CutFaces::onRenderStart(vtkObject*, unsigned long, void*)
{
  refresh();
}

std::vector<std::pair<vtkActor*, int>>
CutFaces::shownCaps() const
{
  std::vector<std::pair<vtkActor*, int>> shown;
  for (std::size_t index = 0; index < caps.size(); ++index) {
    for (const Cap& cap : caps[index]) {
      if (cap.actor != nullptr && renderer->HasViewProp(cap.actor)) {
        shown.emplace_back(cap.actor, int(index));
      }
    }
  }
  return shown;
}

void
CutFaces::refresh()
{
  const std::size_t count = std::min(window.frontActors.size(), window.backActors.size());
  caps.resize(count);
  fullSurfaces.resize(count);
  vtkBoundingBox model;
  for (std::size_t index = 0; index < count; ++index) {
    if (vtkPolyData* surface = fullSurface(index)) {
      model.AddBounds(surface->GetBounds());
    }
  }
  const double lift = capLift * (model.IsValid() ? model.GetDiagonalLength() : 0.0);
  for (std::size_t index = 0; index < count; ++index) {
    const StructureTable& table = *window.structureTable;
    const bool shown =
      toggle->isChecked() && table.contains(int(index)) && table.at(int(index)).visible();
    vtkPolyData* surface = shown ? fullSurface(index) : nullptr;
    for (int axis = 0; axis < 3; ++axis) {
      Cap& cap = caps[index][std::size_t(axis)];
      if (surface != nullptr && prepareCap(index, axis, surface)) {
        styleCap(cap, index, axis, lift);
        if (!renderer->HasViewProp(cap.actor)) {
          renderer->AddActor(cap.actor);
        }
      } else {
        hideCap(cap);
      }
    }
  }
}

vtkPolyData*
CutFaces::fullSurface(std::size_t index)
{
  vtkMapper* mapper = window.frontActors[index]->GetMapper();
  const bool coarse = window.interactiveDetail && window.interactiveDetail->showingCoarseCopies();
  if (mapper != nullptr && (!coarse || fullSurfaces[index] == nullptr)) {
    fullSurfaces[index] = vtkPolyData::SafeDownCast(mapper->GetInputDataObject(0, 0));
  }
  return fullSurfaces[index];
}

bool
CutFaces::prepareCap(std::size_t index, int axis, vtkPolyData* surface)
{
  vtkPlane* plane = planes()[std::size_t(axis)];
  vtkMapper* structureMapper = window.frontActors[index]->GetMapper();
  // The cut is on while its plane clips the structure.
  if (clipPlaneCopies(structureMapper, plane) == 0) {
    return false;
  }
  Cap& cap = caps[index][std::size_t(axis)];
  if (cap.actor == nullptr) {
    cap.mapper = vtkSmartPointer<vtkPolyDataMapper>::New();
    cap.mapper->ScalarVisibilityOff();
    cap.actor = vtkSmartPointer<vtkActor>::New();
    cap.actor->SetMapper(cap.mapper);
  }
  if (cap.surface != surface || cap.surfaceTime != surface->GetMTime() ||
      cap.planeTime != plane->GetMTime() || cap.mapper->GetInput() == nullptr) {
    const CutPlane cut{ { plane->GetOrigin()[0], plane->GetOrigin()[1], plane->GetOrigin()[2] },
                        { plane->GetNormal()[0], plane->GetNormal()[1], plane->GetNormal()[2] } };
    cap.mapper->SetInputData(cutCap(surface, cut));
    cap.surface = surface;
    cap.surfaceTime = surface->GetMTime();
    cap.planeTime = plane->GetMTime();
  }
  vtkPolyData* geometry = cap.mapper->GetInput();
  if (geometry->GetNumberOfPolys() == 0) {
    return false;
  }
  // A cap that another cut removes whole is no cap.
  for (vtkPlane* other : clippingPlanesOf(structureMapper)) {
    if (other == plane) {
      continue;
    }
    const CutPlane otherCut{
      { other->GetOrigin()[0], other->GetOrigin()[1], other->GetOrigin()[2] },
      { other->GetNormal()[0], other->GetNormal()[1], other->GetNormal()[2] }
    };
    if (boxSide(geometry->GetBounds(), otherCut) == BoxSide::CutAway) {
      return false;
    }
  }
  return true;
}

void
CutFaces::styleCap(Cap& cap, std::size_t index, int axis, double lift)
{
  vtkProperty* structure = window.frontActors[index]->GetProperty();
  const double* colour = structure->GetColor();
  cap.actor->GetProperty()->SetColor(
    colour[0] * cutShade, colour[1] * cutShade, colour[2] * cutShade);
  cap.actor->GetProperty()->SetOpacity(structure->GetOpacity());
  const double* normal = planes()[std::size_t(axis)]->GetNormal();
  cap.actor->SetPosition(-normal[0] * lift, -normal[1] * lift, -normal[2] * lift);
  // Cut by the other active planes, never by its own: it lies in that one.
  std::vector<vtkPlane*> wanted = clippingPlanesOf(window.frontActors[index]->GetMapper());
  wanted.erase(std::remove(wanted.begin(), wanted.end(), planes()[std::size_t(axis)]),
               wanted.end());
  if (clippingPlanesOf(cap.mapper) != wanted) {
    cap.mapper->RemoveAllClippingPlanes();
    for (vtkPlane* plane : wanted) {
      cap.mapper->AddClippingPlane(plane);
    }
  }
}

void
CutFaces::hideCap(Cap& cap)
{
  if (cap.actor != nullptr && renderer->HasViewProp(cap.actor)) {
    renderer->RemoveActor(cap.actor);
  }
}
