// The window's scene: the render windows, renderers, section props and clip planes it owns, the
// lights of the main view (two from the camera, four from the sides for handouts on white) and
// the orientation marker.

#include "viewer/CochlexUI.h"

#include <vtkAxesActor.h>
#include <vtkCamera.h>
#include <vtkGenericOpenGLRenderWindow.h>
#include <vtkImageActor.h>
#include <vtkImagePlaneWidget.h>
#include <vtkLight.h>
#include <vtkOrientationMarkerWidget.h>
#include <vtkPlane.h>
#include <vtkRenderWindowInteractor.h>
#include <vtkRenderer.h>
#include <vtkTransform.h>

void
_CochlexUI::createScene()
{
  mainRenderWindowObject = vtkGenericOpenGLRenderWindow::New();
  headRenderWindowObject = vtkGenericOpenGLRenderWindow::New();
  mainRendererObject = vtkRenderer::New();
  headRendererObject = vtkSmartPointer<vtkRenderer>::New();
  planeWidgetX = vtkImagePlaneWidget::New();
  planeWidgetY = vtkImagePlaneWidget::New();
  planeWidgetZ = vtkImagePlaneWidget::New();
  sectionActorX = vtkImageActor::New();
  sectionActorY = vtkImageActor::New();
  sectionActorZ = vtkImageActor::New();
  sectionTransformX = vtkTransform::New();
  sectionTransformY = vtkTransform::New();
  sectionTransformZ = vtkTransform::New();
  clipPlaneX = vtkPlane::New();
  clipPlaneY = vtkPlane::New();
  clipPlaneZ = vtkPlane::New();
  axesActor = vtkAxesActor::New();
  orientationMarker = vtkOrientationMarkerWidget::New();
}

void
_CochlexUI::setUpLights()
{
  vtkCamera* camera = mainRendererObject->GetActiveCamera();

  vtkSmartPointer<vtkLight> cameraLight =
    vtkSmartPointer<vtkLight>::Take(mainRendererObject->MakeLight());
  cameraLight->SetColor(1, 1, 1);
  cameraLight->SetIntensity(0.6);
  cameraLight->SetPosition(camera->GetPosition());
  cameraLight->SetFocalPoint(camera->GetFocalPoint());
  cameraLight->SetLightType(VTK_LIGHT_TYPE_CAMERA_LIGHT);
  cameraLight->SwitchOn();
  mainRendererObject->AddLight(cameraLight);

  vtkSmartPointer<vtkLight> headLight =
    vtkSmartPointer<vtkLight>::Take(mainRendererObject->MakeLight());
  headLight->SetColor(1, 1, 1);
  headLight->SetIntensity(0.7);
  headLight->SetPosition(0, 1, 0);
  headLight->SetLightType(VTK_LIGHT_TYPE_HEADLIGHT);
  headLight->SwitchOn();
  mainRendererObject->AddLight(headLight);

  // The camera's two lights leave a face seen side-on (a tendon or the footplate seen end-on)
  // unlit: black, which on the black screen is the background but on white paper a blot. Lights
  // from the four sides of the view reach every face the camera sees: the side components of a
  // face's normal add up to at least their length, so a face side-on to the camera gets a side
  // light's whole intensity, and one turned towards it the headlight besides. 0.3 keeps a side-on
  // face of a pale structure mid-grey (about 70 of 255): lit, yet still outlining the structure
  // on the paper.
  const double sides[4][3] = { { 1, 0, 0 }, { -1, 0, 0 }, { 0, 1, 0 }, { 0, -1, 0 } };
  for (const auto& side : sides) {
    vtkSmartPointer<vtkLight> light =
      vtkSmartPointer<vtkLight>::Take(mainRendererObject->MakeLight());
    light->SetLightType(VTK_LIGHT_TYPE_CAMERA_LIGHT);
    // In the camera's frame: the camera at (0, 0, 1) looks at the origin.
    light->SetPosition(side[0], side[1], side[2]);
    light->SetFocalPoint(0, 0, 0);
    light->SetColor(1, 1, 1);
    light->SetIntensity(0.3);
    light->SwitchOff();
    mainRendererObject->AddLight(light);
    handoutLights.push_back(light);
  }
}

void
_CochlexUI::setHandoutLighting(bool on)
{
  for (vtkLight* light : handoutLights) {
    light->SetSwitch(on ? 1 : 0);
  }
}

void
_CochlexUI::setUpOrientationMarker()
{
  axesActor->SetShaftType(vtkAxesActor::CYLINDER_SHAFT);
  axesActor->AxisLabelsOn();
  // Medial, posterior, superior: the directions of the model's axes.
  axesActor->SetXAxisLabelText("M");
  axesActor->SetYAxisLabelText("P");
  axesActor->SetZAxisLabelText("S");

  orientationMarker->SetInteractor(mainRenderWindowObject->GetInteractor());
  orientationMarker->SetOrientationMarker(axesActor);
  orientationMarker->SetEnabled(1);
  orientationMarker->InteractiveOff();
}
