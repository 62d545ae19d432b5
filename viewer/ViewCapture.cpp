#include "viewer/ViewCapture.h"

#include "viewer/CochlexUI.h"
#include "viewer/Labels.h"
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

} // namespace

QStringList
loadedStructureNames(const _CochlexUI& window)
{
  QStringList names;
  for (const StructureSetting& setting : window.structureTable->settings()) {
    names.append(setting.name);
  }
  return names;
}

ViewState
captureView(const _CochlexUI& window)
{
  ViewState view;
  view.camera = mainCameraPose(window);
  for (const StructureSetting& setting : window.structureTable->settings()) {
    view.structures.push_back({ setting.name, setting.shown, setting.transparency });
  }
  for (std::size_t axis = 0; axis < 3; ++axis) {
    const SectionRecord& section = window.sectionStates->at(int(axis));
    view.sections[axis] = { section.number, section.shown, section.cut };
  }
  for (const Switch& entry : switches) {
    if (QAction* action = switchAction(window, entry.actionName)) {
      view.*entry.member = action->isChecked();
    }
  }
  view.labelSize = window.labels->labelSize();
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
  std::vector<StructureSetting> settings;
  for (const StructureView& structure : view.structures) {
    settings.push_back({ structure.name, structure.shown, structure.transparency });
  }
  window.renderOnceAfter([&] {
    window.structureTable->applySettings(settings);
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
    // The size before the switch: labels switched on appear at once in their size.
    if (view.labelSize) {
      window.labels->setLabelSize(*view.labelSize);
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
  const int selected = view.selectedStructure.isEmpty()
                         ? -1
                         : window.structureTable->indexNamed(view.selectedStructure);
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
