#include "viewer/CameraMath.h"
#include "viewer/CochlexUI.h"

#include <QCheckBox>
#include <QScrollBar>
#include <QSlider>
#include <QTimerEvent>

#include <vtkCamera.h>
#include <vtkInteractorObserver.h>
#include <vtkRenderWindow.h>
#include <vtkRenderer.h>

namespace {

// Moves the main camera so that the content at the focal plane follows a display point from
// (fromX, fromY) to (toX, toY): the trackball pan, with bar values standing for the mouse.
void
panCamera(vtkRenderer* renderer, double fromX, double fromY, double toX, double toY)
{
  vtkCamera* camera = renderer->GetActiveCamera();
  double focalPoint[3];
  camera->GetFocalPoint(focalPoint);
  double focalDisplay[3];
  vtkInteractorObserver::ComputeWorldToDisplay(
    renderer, focalPoint[0], focalPoint[1], focalPoint[2], focalDisplay);
  const double depth = focalDisplay[2];

  double newPoint[4];
  vtkInteractorObserver::ComputeDisplayToWorld(renderer, toX, toY, depth, newPoint);
  double oldPoint[4];
  vtkInteractorObserver::ComputeDisplayToWorld(renderer, fromX, fromY, depth, oldPoint);
  const std::array<double, 3> motion = panMotion(oldPoint, newPoint);

  double position[3];
  camera->GetFocalPoint(focalPoint);
  camera->GetPosition(position);
  camera->SetFocalPoint(
    focalPoint[0] + motion[0], focalPoint[1] + motion[1], focalPoint[2] + motion[2]);
  camera->SetPosition(position[0] + motion[0], position[1] + motion[1], position[2] + motion[2]);
}

// Stops the running auto-rotation timer, if any; a direct second start must not leave an
// orphaned timer behind.
void
stopAutoRotationTimer(_CochlexUI& window)
{
  if (window.autoRotationTimerId != 0) {
    window.killTimer(window.autoRotationTimerId);
    window.autoRotationTimerId = 0;
  }
}

// The flags are set first; unchecking the other box then stops its timer before this one starts,
// so exactly one timer runs.
void
startAutoRotation(_CochlexUI& window, bool aboutX, QCheckBox* otherBox)
{
  window.autoRotateX = aboutX;
  window.autoRotateY = !aboutX;
  otherBox->setChecked(false);
  stopAutoRotationTimer(window);
  window.autoRotationTimerId = window.startTimer(100);
}

void
toggleAutoRotation(_CochlexUI& window, bool checked, bool aboutX, QCheckBox* otherBox)
{
  if (checked) {
    startAutoRotation(window, aboutX, otherBox);
  } else {
    stopAutoRotationTimer(window);
  }
}

} // namespace

void
_CochlexUI::turnBothCameras(const std::function<void(vtkCamera*)>& turn)
{
  // The head view shows the same turn as the model, so both cameras always move together.
  turn(mainCamera());
  turn(headCamera());
  mainCamera()->OrthogonalizeViewUp();
  headCamera()->OrthogonalizeViewUp();
}

void
_CochlexUI::rotX()
{
  const ElevationSteps steps = splitElevation(rotXScrollBar->value() - lastRotX);
  for (int i = 0; i < steps.count; ++i) {
    turnBothCameras([&](vtkCamera* camera) { camera->Elevation(steps.angles[i]); });
  }
  mainRenderer()->ResetCameraClippingRange();
  lastRotX = rotXScrollBar->value();
  renderHeadThenMain();
}

void
_CochlexUI::rotY()
{
  const double delta = rotYScrollBar->value() - lastRotY;
  turnBothCameras([delta](vtkCamera* camera) { camera->Azimuth(delta); });
  mainRenderer()->ResetCameraClippingRange();
  lastRotY = rotYScrollBar->value();
  renderHeadThenMain();
}

void
_CochlexUI::shiftX()
{
  panCamera(mainRenderer(), lastShiftX, 0, shiftXSlider->value(), 0);
  lastShiftX = shiftXSlider->value();
  mainRenderer()->UpdateLightsGeometryToFollowCamera();
  mainRenderWindow()->Render();
}

void
_CochlexUI::shiftY()
{
  panCamera(mainRenderer(), 0, lastShiftY, 0, shiftYSlider->value());
  lastShiftY = shiftYSlider->value();
  mainRenderer()->UpdateLightsGeometryToFollowCamera();
  mainRenderWindow()->Render();
}

void
_CochlexUI::zoom()
{
  const double zoomValue = zoomScrollBar->value() / 100.0;
  mainCamera()->Dolly(zoomFactor(zoomValue, lastZoom));
  mainRenderer()->ResetCameraClippingRange();
  lastZoom = zoomValue;
  mainRenderWindow()->Render();
}

void
_CochlexUI::moveCameraByKey(const KeyCameraStep& step)
{
  switch (step.kind) {
    case KeyCameraStep::Kind::Turn:
      turnBothCameras([&step](vtkCamera* camera) {
        camera->Azimuth(step.azimuth);
        camera->Elevation(step.elevation);
      });
      mainRenderer()->ResetCameraClippingRange();
      renderHeadThenMain();
      return;
    case KeyCameraStep::Kind::Zoom: {
      // The keys have no pointer to zoom towards: the view's centre stays.
      const double* center = mainRenderer()->GetCenter();
      zoomMainViewTowards(center[0], center[1], step.factor);
      return;
    }
    case KeyCameraStep::Kind::Pan: {
      const int height = mainRenderWindow()->GetSize()[1];
      panCamera(mainRenderer(), 0, 0, step.dx * height, step.dy * height);
      mainRenderer()->UpdateLightsGeometryToFollowCamera();
      mainRenderWindow()->Render();
      return;
    }
    case KeyCameraStep::Kind::None:
      return;
  }
}

void
_CochlexUI::zoomMainViewTowards(double x, double y, double factor)
{
  vtkRenderer* renderer = mainRenderer();
  vtkCamera* camera = renderer->GetActiveCamera();
  CameraPlace place;
  camera->GetPosition(place.position.data());
  camera->GetFocalPoint(place.focalPoint.data());
  place.parallelScale = camera->GetParallelScale();
  double focalDisplay[3];
  vtkInteractorObserver::ComputeWorldToDisplay(
    renderer, place.focalPoint[0], place.focalPoint[1], place.focalPoint[2], focalDisplay);
  double pointed[4];
  vtkInteractorObserver::ComputeDisplayToWorld(renderer, x, y, focalDisplay[2], pointed);

  const CameraPlace zoomed = zoomTowards(place, { pointed[0], pointed[1], pointed[2] }, factor);
  camera->SetPosition(zoomed.position.data());
  camera->SetFocalPoint(zoomed.focalPoint.data());
  if (camera->GetParallelProjection() != 0) {
    camera->SetParallelScale(zoomed.parallelScale);
  }
  renderer->ResetCameraClippingRange();
  renderer->UpdateLightsGeometryToFollowCamera();
  mainRenderWindow()->Render();
}

void
_CochlexUI::reset()
{
  vtkCamera* main = mainCamera();
  vtkCamera* head = headCamera();
  // The saved positions were taken with the focal points at the centre of the model; a shift
  // since then would tilt the restored direction, so the focal points go back there first.
  mainRenderer()->ResetCamera();
  headRenderer()->ResetCamera();
  main->SetPosition(savedMainCameraPosition);
  head->SetPosition(savedHeadCameraPosition);
  main->SetViewUp(savedViewUp);
  head->SetViewUp(savedViewUp);
  mainRenderer()->ResetCamera();
  headRenderer()->ResetCamera();

  recentreViewBars(true);
  renderMainThenHead();
}

void
_CochlexUI::center()
{
  mainRenderer()->ResetCamera();
  headRenderer()->ResetCamera();

  // The rotation bars keep their place: the refit keeps the direction they turned to.
  recentreViewBars(false);
  renderMainThenHead();
}

void
_CochlexUI::recentreViewBars(bool rotationToo)
{
  // Cleared before the bars move, so the slots they re-enter find nothing left to apply.
  lastZoom = 1.0;
  if (rotationToo) {
    lastRotX = 0;
    lastRotY = 0;
  }
  lastShiftX = 0;
  lastShiftY = 0;
  if (rotationToo) {
    rotXScrollBar->setValue(0);
    rotYScrollBar->setValue(0);
  }
  shiftXSlider->setValue(0);
  shiftYSlider->setValue(0);
  zoomScrollBar->setValue(100);
}

void
_CochlexUI::autoRotX_slot(bool rotX)
{
  toggleAutoRotation(*this, rotX, true, autoRotY);
}

void
_CochlexUI::autoRotY_slot(bool rotY)
{
  toggleAutoRotation(*this, rotY, false, autoRotX);
}

void
_CochlexUI::timerEvent(QTimerEvent* event)
{
  if (event->timerId() != autoRotationTimerId) {
    Ui_MainWindow::timerEvent(event);
    return;
  }
  if (autoRotateX) {
    turnBothCameras([](vtkCamera* camera) { camera->Elevation(1); });
  } else if (autoRotateY) {
    turnBothCameras([](vtkCamera* camera) { camera->Azimuth(1); });
  } else {
    return;
  }
  renderHeadThenMain();
}
