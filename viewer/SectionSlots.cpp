#include "viewer/CochlexUI.h"
#include "viewer/CutStatus.h"
#include "viewer/SectionGeometry.h"

#include <QCheckBox>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>

#include <vtkImageActor.h>
#include <vtkImageMapper3D.h>
#include <vtkImagePlaneWidget.h>
#include <vtkImageReslice.h>
#include <vtkPlane.h>
#include <vtkRenderer.h>
#include <vtkTransform.h>

namespace {

// Points the section actor at its plane widget's reslice output and brings that image up to
// date, so the actor's bounds and content follow the slice index.
void
refreshSectionImage(const SectionControls& controls)
{
  vtkImageReslice* reslice = controls.planeWidget->GetReslice();
  controls.actor->GetMapper()->SetInputConnection(reslice->GetOutputPort());
  reslice->Update();
}

// The plane passes through the middle of the section image.
void
placeClipPlaneAtSection(const SectionControls& controls)
{
  const double* bounds = controls.actor->GetBounds();
  if (!bounds) {
    return;
  }
  const std::array<double, 3> centre = boundsCentre(bounds);
  controls.clipPlane->SetOrigin(centre.data());
}

} // namespace

SectionControls
_CochlexUI::sectionControls(SectionAxis axis)
{
  const double spacing = volumeSpacing[static_cast<int>(axis)];
  if (axis == SectionAxis::X) {
    return { showXPlane,    sectionNumberX,    spinBox_x,  clipX,  planeWidgetX,
             sectionActorX, sectionTransformX, clipPlaneX, spacing };
  }
  if (axis == SectionAxis::Y) {
    return { showYPlane,    sectionNumberY,    spinBox_y,  clipY,  planeWidgetY,
             sectionActorY, sectionTransformY, clipPlaneY, spacing };
  }
  return { showZPlane,    sectionNumberZ,    spinBox_z,  clipZ,  planeWidgetZ,
           sectionActorZ, sectionTransformZ, clipPlaneZ, spacing };
}

void
_CochlexUI::showSection(SectionAxis axis)
{
  // Without a volume the section actor has no image: showing it would only add an empty prop.
  if (!hasSectionVolume()) {
    return;
  }
  const SectionControls controls = sectionControls(axis);
  if (controls.showBox->checkState() != Qt::Unchecked) {
    mainRenderer()->AddActor(controls.actor);
  } else {
    mainRenderer()->RemoveActor(controls.actor);
  }
  renderMainThenHead();
}

void
_CochlexUI::moveSectionFromScrollBar(SectionAxis axis)
{
  const SectionControls controls = sectionControls(axis);
  const int number = controls.scrollBar->value();
  const int previous = controls.spinBox->value();
  if (hasSectionVolume()) {
    controls.planeWidget->SetSliceIndex(sliceIndexForSection(number));
    refreshSectionImage(controls);
    if (number != previous) {
      // Pre-multiply mode: the step acts along the image's own normal.
      controls.transform->Translate(0.0, 0.0, sectionOffset(number, previous, controls.spacing));
    }
  }
  // Runs the spin box slot, which finds this bar already at number and moves nothing more.
  mirrorWithoutRendering([&] { controls.spinBox->setValue(number); });
  if (!hasSectionVolume()) {
    return;
  }
  followSectionWithClipPlane(controls);
  renderMainThenHead();
}

void
_CochlexUI::moveSectionFromSpinBox(SectionAxis axis)
{
  const SectionControls controls = sectionControls(axis);
  const int number = controls.spinBox->value();
  const int previous = controls.scrollBar->value();
  if (hasSectionVolume()) {
    controls.planeWidget->SetSliceIndex(sliceIndexForSection(number));
  }
  // Runs the scroll bar slot, which finds this spin box already at number: it reslices but
  // does not move the image.
  mirrorWithoutRendering([&] { controls.scrollBar->setValue(number); });
  if (!hasSectionVolume()) {
    return;
  }
  refreshSectionImage(controls);
  if (number != previous) {
    controls.transform->Translate(0.0, 0.0, sectionOffset(number, previous, controls.spacing));
  }
  followSectionWithClipPlane(controls);
  renderMainThenHead();
}

void
_CochlexUI::followSectionWithClipPlane(const SectionControls& controls)
{
  // A detached plane stays where it was; only an active cut follows the image.
  if (controls.clipSlider->value() != 0) {
    placeClipPlaneAtSection(controls);
  }
}

void
_CochlexUI::clipStructures(SectionAxis axis)
{
  // Without a volume the section image has no place, so there is no plane to cut along.
  if (!hasSectionVolume()) {
    return;
  }
  const SectionControls controls = sectionControls(axis);
  const int side = controls.clipSlider->value();
  const std::vector<vtkAbstractMapper*> mappers = structureMappers(frontActors, backActors);
  // Also clears an attachment of the other side when the slider jumps from 1 to -1.
  for (vtkAbstractMapper* mapper : mappers) {
    detachClipPlane(mapper, controls.clipPlane);
  }
  if (side != 0) {
    const std::array<double, 3> normal = clipPlaneNormal(controls.transform, side);
    placeClipPlaneAtSection(controls);
    controls.clipPlane->SetNormal(normal.data());
    for (vtkAbstractMapper* mapper : mappers) {
      attachClipPlane(mapper, controls.clipPlane);
    }
  }
  showCutStatus(*this);
  renderMainThenHead();
}

void
_CochlexUI::showSectionRange(const SectionControls& controls, const SectionRecord& record)
{
  if (record.count < 1) {
    return;
  }
  // Blocked: the slots would move the image, which the load places itself.
  const QSignalBlocker blockBar(controls.scrollBar);
  const QSignalBlocker blockBox(controls.spinBox);
  controls.scrollBar->setRange(1, record.count);
  controls.spinBox->setRange(1, record.count);
  controls.scrollBar->setValue(record.number);
  controls.spinBox->setValue(record.number);
}

void
_CochlexUI::followSectionControls()
{
  // The section record follows every way the section controls change: the user, Hide All and
  // Show All, a lesson view. Its readers never look at the controls.
  const std::array<QCheckBox*, 3> showBoxes{ showXPlane, showYPlane, showZPlane };
  const std::array<QSpinBox*, 3> numberBoxes{ spinBox_x, spinBox_y, spinBox_z };
  const std::array<QSlider*, 3> cutSliders{ clipX, clipY, clipZ };
  for (int axis = 0; axis < 3; ++axis) {
    connect(showBoxes[std::size_t(axis)],
            &QCheckBox::toggled,
            sectionStates,
            [this, axis](bool on) { sectionStates->setShown(axis, on); });
    connect(numberBoxes[std::size_t(axis)],
            qOverload<int>(&QSpinBox::valueChanged),
            sectionStates,
            [this, axis](int number) { sectionStates->setNumber(axis, number); });
    connect(cutSliders[std::size_t(axis)],
            &QSlider::valueChanged,
            sectionStates,
            [this, axis](int side) { sectionStates->setCut(axis, side); });
    sectionStates->setShown(axis, showBoxes[std::size_t(axis)]->isChecked());
    sectionStates->setNumber(axis, numberBoxes[std::size_t(axis)]->value());
    sectionStates->setCut(axis, cutSliders[std::size_t(axis)]->value());
  }
}

void
_CochlexUI::showX()
{
  showSection(SectionAxis::X);
}

void
_CochlexUI::showY()
{
  showSection(SectionAxis::Y);
}

void
_CochlexUI::showZ()
{
  showSection(SectionAxis::Z);
}

void
_CochlexUI::sectionSliderX()
{
  moveSectionFromScrollBar(SectionAxis::X);
}

void
_CochlexUI::sectionSliderY()
{
  moveSectionFromScrollBar(SectionAxis::Y);
}

void
_CochlexUI::sectionSliderZ()
{
  moveSectionFromScrollBar(SectionAxis::Z);
}

void
_CochlexUI::sectionSpinBoxX()
{
  moveSectionFromSpinBox(SectionAxis::X);
}

void
_CochlexUI::sectionSpinBoxY()
{
  moveSectionFromSpinBox(SectionAxis::Y);
}

void
_CochlexUI::sectionSpinBoxZ()
{
  moveSectionFromSpinBox(SectionAxis::Z);
}

void
_CochlexUI::clipSliderX()
{
  clipStructures(SectionAxis::X);
}

void
_CochlexUI::clipSliderY()
{
  clipStructures(SectionAxis::Y);
}

void
_CochlexUI::clipSliderZ()
{
  clipStructures(SectionAxis::Z);
}
