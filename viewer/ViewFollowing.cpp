#include "viewer/ViewFollowing.h"

#include "viewer/CameraMath.h"
#include "viewer/CochlexUI.h"

#include "ui/RenderView.h"

#include <vtkCallbackCommand.h>
#include <vtkCamera.h>
#include <vtkCommand.h>
#include <vtkInteractorStyle.h>
#include <vtkRenderWindow.h>
#include <vtkRenderWindowInteractor.h>
#include <vtkRenderer.h>

vtkCallbackCommand* headFollowCommand = nullptr;
vtkCallbackCommand* mainFollowCommand = nullptr;

void
createFollowCommands()
{
  if (!headFollowCommand) {
    headFollowCommand = vtkCallbackCommand::New();
  }
  if (!mainFollowCommand) {
    mainFollowCommand = vtkCallbackCommand::New();
  }
}

namespace {

// The view whose interactor fired and the view that repeats its turn.
struct FollowViews
{
  vtkRenderWindow* sourceWindow;
  vtkRenderer* sourceRenderer;
  vtkRenderWindow* targetWindow;
  vtkCamera* targetCamera;
};

void
followRotate(vtkRenderWindowInteractor* source, const FollowViews& views)
{
  const int* target = views.targetWindow->GetSize();
  const int targetSize[2] = { target[0], target[1] };
  const int* from = views.sourceWindow->GetSize();
  const int sourceSize[2] = { from[0], from[1] };
  const int* position = source->GetEventPosition();
  const int* lastPosition = source->GetLastEventPosition();

  const FollowTurn turn = followRotateAngles(
    position[0] - lastPosition[0], position[1] - lastPosition[1], sourceSize, targetSize);
  views.targetCamera->Azimuth(turn.azimuth);
  views.targetCamera->Elevation(turn.elevation);
  views.targetCamera->OrthogonalizeViewUp();
  views.targetWindow->Render();
}

void
followSpin(vtkRenderWindowInteractor* source, const FollowViews& views)
{
  const double* center = views.sourceRenderer->GetCenter();
  const double centerPoint[2] = { center[0], center[1] };
  views.targetCamera->Roll(
    spinAngle(source->GetEventPosition(), source->GetLastEventPosition(), centerPoint));
  views.targetCamera->OrthogonalizeViewUp();
  views.targetWindow->Render();
}

// Repeats the source style's current rotate or spin step on the target; pan and zoom stay put.
void
follow(vtkObject* caller, const FollowViews& views)
{
  if (!caller || !caller->IsA("vtkRenderWindowInteractor")) {
    return;
  }
  auto* interactor = static_cast<vtkRenderWindowInteractor*>(caller);
  vtkInteractorObserver* observer = interactor->GetInteractorStyle();
  if (!observer || !observer->IsA("vtkInteractorStyle")) {
    return;
  }
  switch (static_cast<vtkInteractorStyle*>(observer)->GetState()) {
    case VTKIS_ROTATE:
      followRotate(interactor, views);
      break;
    case VTKIS_SPIN:
      followSpin(interactor, views);
      break;
    default:
      break;
  }
}

void
followFrom(vtkObject* caller, void* clientData, bool fromMain)
{
  auto* window = static_cast<_CochlexUI*>(clientData);
  if (!window) {
    return;
  }
  if (fromMain) {
    follow(caller,
           { window->mainRenderWindow(),
             window->mainRenderer(),
             window->headRenderWindow(),
             window->headCamera() });
  } else {
    follow(caller,
           { window->headRenderWindow(),
             window->headRenderer(),
             window->mainRenderWindow(),
             window->mainCamera() });
  }
}

} // namespace

void
headFollowsMain(vtkObject* caller, unsigned long, void* clientData, void*)
{
  followFrom(caller, clientData, true);
}

void
mainFollowsHead(vtkObject* caller, unsigned long, void* clientData, void*)
{
  followFrom(caller, clientData, false);
}

void
_CochlexUI::registerFollowObservers()
{
  // Normally made at start-up; a window built without that (as in tests) makes them here.
  createFollowCommands();

  // The scene objects belong to the window, so the window travels with each command.
  headFollowCommand->SetCallback(headFollowsMain);
  headFollowCommand->SetClientData(this);
  if (vtkRenderWindowInteractor* interactor = qvtkWidget->renderWindow()->GetInteractor()) {
    interactor->AddObserver(vtkCommand::RenderEvent, headFollowCommand, 0.0);
  }
  mainFollowCommand->SetCallback(mainFollowsHead);
  mainFollowCommand->SetClientData(this);
  if (vtkRenderWindowInteractor* interactor = qvtkHead->renderWindow()->GetInteractor()) {
    interactor->AddObserver(vtkCommand::RenderEvent, mainFollowCommand, 0.0);
  }

  // The interactors hold the commands from here on.
  headFollowCommand->Delete();
  headFollowCommand = nullptr;
  mainFollowCommand->Delete();
  mainFollowCommand = nullptr;
}
