#pragma once

class vtkCallbackCommand;
class vtkObject;

// The two commands that make each view repeat the other's mouse rotation and spin. Created at
// start-up; the window gives them their callbacks and hands them to the views' interactors,
// which keep them from then on (the pointers are cleared once handed over).
extern vtkCallbackCommand* headFollowCommand;
extern vtkCallbackCommand* mainFollowCommand;

// Creates whichever of the two commands does not exist yet.
void
createFollowCommands();

// Render-event callbacks of the main view's and of the head view's interactor. The client data
// is the Viewer window, which holds the other view's camera and render window.
void
headFollowsMain(vtkObject* caller, unsigned long eventId, void* clientData, void* callData);
void
mainFollowsHead(vtkObject* caller, unsigned long eventId, void* clientData, void* callData);
