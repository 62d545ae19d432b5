#include "viewer/SectionPlaneOverlay.h"
#include "viewer/CochlexUI.h"

#include <QObject>

#include <vtkCallbackCommand.h>
#include <vtkCamera.h>
#include <vtkCommand.h>
#include <vtkImagePlaneWidget.h>
#include <vtkMath.h>
#include <vtkMatrix4x4.h>
#include <vtkNew.h>
#include <vtkRenderWindow.h>
#include <vtkRenderer.h>
#include <vtkSmartPointer.h>
#include <vtkTransform.h>

#include <algorithm>
#include <array>

namespace {

// The interactive planes live in the section volume's frame, several millimetres from the model,
// which the section images are carried onto by their placing transforms; shown there, a plane
// sat far off and Frontal View framed it instead of the structures. Each plane is therefore drawn
// by a renderer of its own, layered over the model view, whose camera sees the volume's frame as
// the main camera sees the model: the plane is drawn, depth-tested against the structures, and
// picked where its section image lies. The main renderer never holds the plane's props.
class PlaneOverlays : public QObject
{
public:
  explicit PlaneOverlays(_CochlexUI& window)
    : QObject(&window)
    , window(window)
    , main(window.mainRenderer())
  {
    setObjectName(QStringLiteral("sectionPlaneOverlays"));
    vtkRenderWindow* renderWindow = window.mainRenderWindow();
    renderWindow->SetNumberOfLayers(std::max(2, renderWindow->GetNumberOfLayers()));
    for (vtkSmartPointer<vtkRenderer>& overlay : overlays) {
      overlay = vtkSmartPointer<vtkRenderer>::New();
      overlay->SetLayer(1);
      // Mouse drags outside the plane still turn the main camera.
      overlay->InteractiveOff();
      overlay->PreserveDepthBufferOn();
      renderWindow->AddRenderer(overlay);
    }
    for (vtkSmartPointer<vtkMatrix4x4>& matrix : volumeFromModel) {
      matrix = vtkSmartPointer<vtkMatrix4x4>::New();
    }
    for (vtkSmartPointer<vtkMatrix4x4>& matrix : modelFromVolume) {
      matrix = vtkSmartPointer<vtkMatrix4x4>::New();
    }
    followCommand->SetCallback(&PlaneOverlays::follow);
    followCommand->SetClientData(this);
    main->AddObserver(vtkCommand::StartEvent, followCommand);
  }

  ~PlaneOverlays() override { main->RemoveObserver(followCommand); }

  void toggle(int axis)
  {
    vtkImagePlaneWidget* widget = planeWidget(axis);
    if (widget->GetEnabled()) {
      widget->SetEnabled(0);
      return;
    }
    // Model from volume: back from the volume onto the resliced image, then where the section
    // image's placing transform puts that image.
    vtkNew<vtkMatrix4x4> imageFromVolume;
    vtkMatrix4x4::Invert(widget->GetResliceAxes(), imageFromVolume);
    vtkTransform* placing = sectionTransform(axis);
    placing->Update();
    vtkMatrix4x4::Multiply4x4(placing->GetMatrix(), imageFromVolume, modelFromVolume[axis]);
    vtkMatrix4x4::Invert(modelFromVolume[axis], volumeFromModel[axis]);

    widget->SetDefaultRenderer(overlays[axis]);
    widget->SetEnabled(1);
  }

private:
  vtkImagePlaneWidget* planeWidget(int axis) const
  {
    return std::array{ window.planeWidgetX, window.planeWidgetY, window.planeWidgetZ }[axis];
  }
  vtkTransform* sectionTransform(int axis) const
  {
    return std::array{ window.sectionTransformX,
                       window.sectionTransformY,
                       window.sectionTransformZ }[axis];
  }

  static void follow(vtkObject*, unsigned long, void* clientData, void*)
  {
    static_cast<PlaneOverlays*>(clientData)->followMainCamera();
  }

  // Runs as the main renderer starts a frame, before any overlay draws.
  void followMainCamera()
  {
    bool anyPlane = false;
    double bounds[6];
    main->ComputeVisiblePropBounds(bounds);
    for (int axis = 0; axis < 3; ++axis) {
      if (planeWidget(axis)->GetEnabled()) {
        anyPlane = true;
        includePlaneBounds(axis, bounds);
      }
    }
    if (!anyPlane) {
      return;
    }
    // The depths of both layers must agree, so one clipping range covers structures and planes.
    main->ResetCameraClippingRange(bounds);
    vtkCamera* camera = main->GetActiveCamera();
    for (int axis = 0; axis < 3; ++axis) {
      if (planeWidget(axis)->GetEnabled()) {
        placeCamera(camera, volumeFromModel[axis], overlays[axis]->GetActiveCamera());
      }
    }
  }

  // Widens bounds (model space; uninitialised ones start with a minimum above the maximum) by the
  // corners of the plane's props, carried from the volume into the model.
  void includePlaneBounds(int axis, double bounds[6]) const
  {
    double planeBounds[6];
    overlays[axis]->ComputeVisiblePropBounds(planeBounds);
    if (planeBounds[0] > planeBounds[1]) {
      return;
    }
    for (int corner = 0; corner < 8; ++corner) {
      double point[4] = { planeBounds[corner & 1],
                          planeBounds[2 + ((corner >> 1) & 1)],
                          planeBounds[4 + ((corner >> 2) & 1)],
                          1.0 };
      modelFromVolume[axis]->MultiplyPoint(point, point);
      for (std::size_t coordinate = 0; coordinate < 3; ++coordinate) {
        bounds[2 * coordinate] = std::min(bounds[2 * coordinate], point[coordinate]);
        bounds[2 * coordinate + 1] = std::max(bounds[2 * coordinate + 1], point[coordinate]);
      }
    }
  }

  // The overlay camera stands to the volume as the main camera to the model; the transform is
  // rigid, so angles, scales and the clipping range carry over unchanged.
  static void placeCamera(vtkCamera* camera, vtkMatrix4x4* volumeFromModel, vtkCamera* overlay)
  {
    const auto point = [volumeFromModel](const double* model, double* volume) {
      double homogeneous[4] = { model[0], model[1], model[2], 1.0 };
      volumeFromModel->MultiplyPoint(homogeneous, homogeneous);
      std::copy(homogeneous, homogeneous + 3, volume);
    };
    double position[3], focalPoint[3], viewUp[4] = { 0, 0, 0, 0 };
    point(camera->GetPosition(), position);
    point(camera->GetFocalPoint(), focalPoint);
    std::copy(camera->GetViewUp(), camera->GetViewUp() + 3, viewUp);
    volumeFromModel->MultiplyPoint(viewUp, viewUp);
    overlay->SetPosition(position);
    overlay->SetFocalPoint(focalPoint);
    overlay->SetViewUp(viewUp);
    overlay->SetViewAngle(camera->GetViewAngle());
    overlay->SetParallelProjection(camera->GetParallelProjection());
    overlay->SetParallelScale(camera->GetParallelScale());
    overlay->SetClippingRange(camera->GetClippingRange());
  }

  _CochlexUI& window;
  vtkSmartPointer<vtkRenderer> main;
  std::array<vtkSmartPointer<vtkRenderer>, 3> overlays;
  std::array<vtkSmartPointer<vtkMatrix4x4>, 3> modelFromVolume;
  std::array<vtkSmartPointer<vtkMatrix4x4>, 3> volumeFromModel;
  vtkNew<vtkCallbackCommand> followCommand;
};

} // namespace

void
toggleSectionPlane(_CochlexUI& window, int axis)
{
  if (axis < 0 || axis > 2 || !window.hasSectionVolume()) {
    return;
  }
  auto* overlays = window.findChild<PlaneOverlays*>(QStringLiteral("sectionPlaneOverlays"));
  if (overlays == nullptr) {
    overlays = new PlaneOverlays(window);
  }
  overlays->toggle(axis);
}
