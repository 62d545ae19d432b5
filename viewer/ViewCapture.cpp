#include "viewer/ViewCapture.h"

#include "viewer/CochlexUI.h"
#include "viewer/StructureSelection.h"

#include <QAction>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QSlider>
#include <QSpinBox>

#include <vtkActor.h>
#include <vtkBoundingBox.h>
#include <vtkCamera.h>
#include <vtkMath.h>
#include <vtkRenderer.h>

#include <cmath>

namespace {

// Switches built by other features, found by their actions' names; a build without one simply
// keeps that part of the picture out of its views.
struct Switch
{
  const char* actionName;
  std::optional<bool> ViewState::*member;
};

constexpr Switch switches[] = { { "actionShow_Labels", &ViewState::labels },
                                { "actionSolid_Cut_Faces", &ViewState::solidCutFaces },
                                { "actionWhite_Background", &ViewState::whiteBackground } };

QAction*
switchAction(const _CochlexUI& window, const char* name)
{
  QAction* action = window.findChild<QAction*>(QLatin1String(name));
  return action != nullptr && action->isCheckable() ? action : nullptr;
}

struct SectionRow
{
  QCheckBox* showBox;
  QSpinBox* number;
  QSlider* cut;
};

std::array<SectionRow, 3>
sectionRows(const _CochlexUI& window)
{
  return { { { window.showXPlane, window.spinBox_x, window.clipX },
             { window.showYPlane, window.spinBox_y, window.clipY },
             { window.showZPlane, window.spinBox_z, window.clipZ } } };
}

std::size_t
structureCount(const _CochlexUI& window)
{
  return std::min({ window.frontActors.size(),
                    window.backActors.size(),
                    window.structureCheckBoxes.size(),
                    window.structureSpinBoxes.size() });
}

} // namespace

QStringList
loadedStructureNames(const _CochlexUI& window)
{
  QStringList names;
  for (std::size_t index = 0; index < window.frontActors.size(); ++index) {
    names.append(window.structureSelection->structureName(int(index)));
  }
  return names;
}

ViewState
captureView(const _CochlexUI& window)
{
  ViewState view;
  view.camera = mainCameraPose(window);
  const QStringList names = loadedStructureNames(window);
  for (std::size_t index = 0; index < structureCount(window); ++index) {
    view.structures.push_back({ names[int(index)],
                                window.structureCheckBoxes[index]->isChecked(),
                                window.structureSpinBoxes[index]->value() });
  }
  const std::array<SectionRow, 3> rows = sectionRows(window);
  for (std::size_t axis = 0; axis < 3; ++axis) {
    view.sections[axis] = { rows[axis].number->value(),
                            rows[axis].showBox->isChecked(),
                            rows[axis].cut->value() };
  }
  for (const Switch& entry : switches) {
    if (QAction* action = switchAction(window, entry.actionName)) {
      view.*entry.member = action->isChecked();
    }
  }
  view.selectedStructure =
    window.structureSelection->structureName(window.structureSelection->selectedStructure());
  return view;
}

void
applyViewControls(_CochlexUI& window, const ViewState& view)
{
  // A turning model would leave the view at once.
  window.autoRotX->setChecked(false);
  window.autoRotY->setChecked(false);
  const QStringList names = loadedStructureNames(window);
  window.renderOnceAfter([&] {
    for (std::size_t index = 0; index < structureCount(window); ++index) {
      const StructureView* structure = view.structureNamed(names[int(index)]);
      if (structure == nullptr) {
        continue;
      }
      // The box runs its slot only when clicked; the spin box runs its own and mirrors the
      // slider.
      if (window.structureCheckBoxes[index]->isChecked() != structure->shown) {
        window.structureCheckBoxes[index]->click();
      }
      window.structureSpinBoxes[index]->setValue(structure->transparency);
    }
    if (window.hasSectionVolume()) {
      const std::array<SectionRow, 3> rows = sectionRows(window);
      for (std::size_t axis = 0; axis < 3; ++axis) {
        const SectionView& section = view.sections[axis];
        // The number first: a cut switched on afterwards starts at the new place.
        rows[axis].number->setValue(section.number);
        if (rows[axis].showBox->isChecked() != section.shown) {
          rows[axis].showBox->click();
        }
        rows[axis].cut->setValue(section.cut);
      }
    }
    for (const Switch& entry : switches) {
      QAction* action = switchAction(window, entry.actionName);
      const std::optional<bool>& wanted = view.*entry.member;
      if (action != nullptr && wanted && action->isChecked() != *wanted) {
        action->trigger();
      }
    }
  });
  StructureSelection& selection = *window.structureSelection;
  const int selected = int(names.indexOf(view.selectedStructure));
  if (selected != selection.selectedStructure()) {
    if (selected >= 0) {
      // Flashes the structure, as a click on it does: in a lesson it says "look here".
      selection.selectStructure(selected);
    } else {
      selection.clearSelection();
    }
  }
}

CameraPose
mainCameraPose(const _CochlexUI& window)
{
  vtkCamera* camera = window.mainCamera();
  CameraPose pose;
  camera->GetPosition(pose.position.data());
  camera->GetFocalPoint(pose.focalPoint.data());
  camera->GetViewUp(pose.viewUp.data());
  pose.viewAngle = camera->GetViewAngle();
  return pose;
}

void
placeCameras(_CochlexUI& window, const CameraPose& pose)
{
  vtkCamera* main = window.mainCamera();
  main->SetFocalPoint(pose.focalPoint.data());
  main->SetPosition(pose.position.data());
  main->SetViewUp(pose.viewUp.data());
  main->SetViewAngle(pose.viewAngle);
  main->OrthogonalizeViewUp();

  // The head shows the same side as the model, at its own place and size.
  vtkCamera* head = window.headCamera();
  double direction[3];
  main->GetDirectionOfProjection(direction);
  double headFocalPoint[3];
  head->GetFocalPoint(headFocalPoint);
  const double headDistance = head->GetDistance();
  head->SetPosition(headFocalPoint[0] - headDistance * direction[0],
                    headFocalPoint[1] - headDistance * direction[1],
                    headFocalPoint[2] - headDistance * direction[2]);
  head->SetViewUp(main->GetViewUp());
  head->OrthogonalizeViewUp();

  window.mainRenderer()->ResetCameraClippingRange();
  window.headRenderer()->ResetCameraClippingRange();
  window.mainRenderer()->UpdateLightsGeometryToFollowCamera();
}

std::array<double, 6>
shownStructureBounds(const _CochlexUI& window)
{
  vtkBoundingBox shown;
  vtkBoundingBox all;
  vtkRenderer* renderer = window.mainRenderer();
  for (vtkActor* actor : window.frontActors) {
    all.AddBounds(actor->GetBounds());
    if (renderer->HasViewProp(actor)) {
      shown.AddBounds(actor->GetBounds());
    }
  }
  std::array<double, 6> bounds{ { -1, 1, -1, 1, -1, 1 } };
  if (shown.IsValid()) {
    shown.GetBounds(bounds.data());
  } else if (all.IsValid()) {
    all.GetBounds(bounds.data());
  }
  return bounds;
}
