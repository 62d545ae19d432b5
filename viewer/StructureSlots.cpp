#include "loading/Console.h"
#include "scene/StructureActors.h"
#include "viewer/CochlexUI.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QSignalBlocker>
#include <QSlider>

#include <vtkActor.h>
#include <vtkImageActor.h>
#include <vtkProperty.h>
#include <vtkRenderer.h>

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
  const int index = number - 1;
  if (!structureTable->contains(index) || std::size_t(index) >= structureCheckBoxes.size()) {
    return;
  }
  // The actors follow the record (followStructureRecord); adding an actor the renderer already
  // holds leaves it unchanged.
  structureTable->setShown(index, structureCheckBoxes[index]->checkState() != Qt::Unchecked);
  renderMainThenHead();
}

void
_CochlexUI::structureSlider(int number)
{
  if (!hasStructureRow(number)) {
    return;
  }
  const int index = number - 1;
  if (!structureTable->contains(index)) {
    mirrorRowWithoutStructure(number, true);
    return;
  }
  // The rows show the new transparency: the spin box follows without running its handler.
  structureTable->setTransparency(index, structureSliders[index]->value() / 10.0);
  // A hidden structure keeps its new opacity for when it is shown again; nothing to draw now.
  if (structureTable->at(index).shown) {
    renderMainThenHead();
  }
}

void
_CochlexUI::structureSpinBox(int number)
{
  if (!hasStructureRow(number)) {
    return;
  }
  const int index = number - 1;
  if (!structureTable->contains(index)) {
    mirrorRowWithoutStructure(number, false);
    return;
  }
  structureTable->setTransparency(index, structureSpinBoxes[index]->value());
  if (structureTable->at(index).shown) {
    renderMainThenHead();
  }
}

bool
_CochlexUI::hasStructureRow(int number) const
{
  const int row = number - 1;
  return row >= 0 && std::size_t(row) < structureSliders.size() &&
         std::size_t(row) < structureSpinBoxes.size();
}

void
_CochlexUI::mirrorRowWithoutStructure(int number, bool fromSlider)
{
  // A row beyond the model's last structure moves without any effect on the scene.
  QSlider* slider = structureSliders[number - 1];
  QDoubleSpinBox* spinBox = structureSpinBoxes[number - 1];
  const QSignalBlocker sliderBlocker(slider);
  const QSignalBlocker spinBoxBlocker(spinBox);
  if (fromSlider) {
    spinBox->setValue(slider->value() / 10.0);
  } else {
    slider->setValue(int(spinBox->value() * 10.0));
  }
}

void
_CochlexUI::followStructureRecord(int index, StructureTable::Fields fields)
{
  structureActors->follow(index, fields);
}

void
_CochlexUI::setEveryStructureShown(bool shown)
{
  {
    const StructureBatch batch(*structureTable);
    for (int index = 0; index < structureTable->count(); ++index) {
      structureTable->setShown(index, shown && structureTable->at(index).loaded);
    }
  }
  // The layout's rows beyond the model's last structure are ticked and cleared with the rest.
  for (std::size_t row = std::size_t(structureTable->count()); row < structureCheckBoxes.size();
       ++row) {
    structureCheckBoxes[row]->setChecked(shown && structureCheckBoxes[row]->isEnabled());
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
  // A structure that failed to load has nothing to show: its row stays unticked. The actors
  // are in place already, in the order above.
  setEveryStructureShown(true);
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
  setEveryStructureShown(false);
  showXPlane->setChecked(false);
  showYPlane->setChecked(false);
  showZPlane->setChecked(false);
  renderMainThenHead();
}
