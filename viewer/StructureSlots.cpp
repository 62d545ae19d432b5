#include "loading/Console.h"
#include "viewer/CochlexUI.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QSlider>

#include <vtkActor.h>
#include <vtkImageActor.h>
#include <vtkProperty.h>
#include <vtkRenderer.h>

namespace {

// Index of a structure's actors, or -1 when the list holds no structure with that number.
int
loadedStructureIndex(int number,
                     const std::vector<vtkActor*>& frontActors,
                     const std::vector<vtkActor*>& backActors)
{
  const int index = number - 1;
  if (index < 0 || std::size_t(index) >= frontActors.size() ||
      std::size_t(index) >= backActors.size()) {
    return -1;
  }
  return index;
}

void
setStructureOpacity(vtkActor* front, vtkActor* back, double opacity)
{
  front->GetProperty()->SetOpacity(opacity);
  back->GetProperty()->SetOpacity(opacity);
}

} // namespace

void
_CochlexUI::show_1_slot()
{
  showStructure(1);
}
void
_CochlexUI::show_2_slot()
{
  showStructure(2);
}
void
_CochlexUI::show_3_slot()
{
  showStructure(3);
}
void
_CochlexUI::show_4_slot()
{
  showStructure(4);
}
void
_CochlexUI::show_5_slot()
{
  showStructure(5);
}
void
_CochlexUI::show_6_slot()
{
  showStructure(6);
}
void
_CochlexUI::show_7_slot()
{
  showStructure(7);
}
void
_CochlexUI::show_8_slot()
{
  showStructure(8);
}
void
_CochlexUI::show_9_slot()
{
  showStructure(9);
}
void
_CochlexUI::slider_1_slot()
{
  structureSlider(1);
}
void
_CochlexUI::slider_2_slot()
{
  structureSlider(2);
}
void
_CochlexUI::slider_3_slot()
{
  structureSlider(3);
}
void
_CochlexUI::slider_4_slot()
{
  structureSlider(4);
}
void
_CochlexUI::slider_5_slot()
{
  structureSlider(5);
}
void
_CochlexUI::slider_6_slot()
{
  structureSlider(6);
}
void
_CochlexUI::slider_7_slot()
{
  structureSlider(7);
}
void
_CochlexUI::slider_8_slot()
{
  structureSlider(8);
}
void
_CochlexUI::slider_9_slot()
{
  structureSlider(9);
}
void
_CochlexUI::spinBox_1_slot()
{
  structureSpinBox(1);
}
void
_CochlexUI::spinBox_2_slot()
{
  structureSpinBox(2);
}
void
_CochlexUI::spinBox_3_slot()
{
  structureSpinBox(3);
}
void
_CochlexUI::spinBox_4_slot()
{
  structureSpinBox(4);
}
void
_CochlexUI::spinBox_5_slot()
{
  structureSpinBox(5);
}
void
_CochlexUI::spinBox_6_slot()
{
  structureSpinBox(6);
}
void
_CochlexUI::spinBox_7_slot()
{
  structureSpinBox(7);
}
void
_CochlexUI::spinBox_8_slot()
{
  structureSpinBox(8);
}
void
_CochlexUI::spinBox_9_slot()
{
  structureSpinBox(9);
}

void
_CochlexUI::showStructure(int number)
{
  const int index = loadedStructureIndex(number, frontActors, backActors);
  if (index < 0 || std::size_t(index) >= structureCheckBoxes.size()) {
    return;
  }
  if (structureCheckBoxes[index]->checkState() != Qt::Unchecked) {
    // Adding an actor the renderer already holds leaves it unchanged.
    mainRenderer()->AddActor(backActors[index]);
    mainRenderer()->AddActor(frontActors[index]);
  } else {
    mainRenderer()->RemoveActor(backActors[index]);
    mainRenderer()->RemoveActor(frontActors[index]);
  }
  renderMainThenHead();
}

void
_CochlexUI::structureSlider(int number)
{
  if (!hasStructureRow(number)) {
    return;
  }
  const double transparency = structureSliders[number - 1]->value() / 10.0;
  // Runs structureSpinBox() when the value changes; it finds this slider already in place.
  mirrorWithoutRendering([&] { structureSpinBoxes[number - 1]->setValue(transparency); });
  applyStructureTransparency(number, transparency);
}

void
_CochlexUI::structureSpinBox(int number)
{
  if (!hasStructureRow(number)) {
    return;
  }
  const double transparency = structureSpinBoxes[number - 1]->value();
  // Runs structureSlider() when the value changes; it finds this spin box already in place.
  mirrorWithoutRendering([&] { structureSliders[number - 1]->setValue(int(transparency * 10.0)); });
  applyStructureTransparency(number, transparency);
}

bool
_CochlexUI::hasStructureRow(int number) const
{
  const int row = number - 1;
  return row >= 0 && std::size_t(row) < structureSliders.size() &&
         std::size_t(row) < structureSpinBoxes.size();
}

void
_CochlexUI::applyStructureTransparency(int number, double transparency)
{
  const int index = loadedStructureIndex(number, frontActors, backActors);
  if (index < 0) {
    return;
  }
  setStructureOpacity(frontActors[index], backActors[index], 1 - transparency);
  // A hidden structure keeps its new opacity for when it is shown again; nothing to draw now.
  if (std::size_t(index) < structureCheckBoxes.size() && structureCheckBoxes[index]->isChecked()) {
    renderMainThenHead();
  }
}

void
_CochlexUI::showAll()
{
  if (backActors.size() != frontActors.size()) {
    printLine("Numbers of front and back actors don't match!");
    return;
  }
  vtkRenderer* renderer = mainRenderer();
  vtkImageActor* const sectionActors[] = { sectionActorX, sectionActorY, sectionActorZ };
  for (std::size_t index = 0; index < frontActors.size(); ++index) {
    renderer->RemoveActor(backActors[index]);
    renderer->RemoveActor(frontActors[index]);
  }
  for (vtkImageActor* actor : sectionActors) {
    renderer->RemoveActor(actor);
  }
  for (std::size_t index = 0; index < frontActors.size(); ++index) {
    renderer->AddActor(backActors[index]);
    renderer->AddActor(frontActors[index]);
  }
  // A structure that failed to load has nothing to show: its row stays unticked.
  for (QCheckBox* box : structureCheckBoxes) {
    box->setChecked(box->isEnabled());
  }
  // Ticked section images stay in view, after the structures, so box and view agree.
  if (hasSectionVolume()) {
    const QCheckBox* const sectionBoxes[] = { showXPlane, showYPlane, showZPlane };
    for (int axis = 0; axis < 3; ++axis) {
      if (sectionBoxes[axis]->checkState() != Qt::Unchecked) {
        renderer->AddActor(sectionActors[axis]);
      }
    }
  }
  renderMainThenHead();
}

void
_CochlexUI::hideAll()
{
  vtkRenderer* renderer = mainRenderer();
  // The structures and the section images; a plane widget switched on with its key keeps its
  // own props until it is switched off.
  for (vtkActor* actor : backActors) {
    renderer->RemoveActor(actor);
  }
  for (vtkActor* actor : frontActors) {
    renderer->RemoveActor(actor);
  }
  renderer->RemoveActor(sectionActorX);
  renderer->RemoveActor(sectionActorY);
  renderer->RemoveActor(sectionActorZ);
  for (QCheckBox* box : structureCheckBoxes) {
    box->setChecked(false);
  }
  showXPlane->setChecked(false);
  showYPlane->setChecked(false);
  showZPlane->setChecked(false);
  renderMainThenHead();
}
