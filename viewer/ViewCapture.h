#pragma once

#include "viewer/teaching/ViewState.h"

#include <QStringList>

class _CochlexUI;

// The picture of the window as a lesson view, and the way back: a view is applied through the
// controls, as the user would set them, so that mirrored controls agree and each control's own
// slot changes the scene.

// The names of the loaded structures, in structure-list order.
QStringList
loadedStructureNames(const _CochlexUI& window);

ViewState
captureView(const _CochlexUI& window);

// Sets every control the view holds (the camera excepted) and draws the result once. Structures
// the view does not name, and switches it does not hold or the window lacks, stay as they are.
void
applyViewControls(_CochlexUI& window, const ViewState& view);

CameraPose
mainCameraPose(const _CochlexUI& window);

// Places the main camera at pose and turns the head view with it (the head keeps its own focal
// point and distance). Draws nothing.
void
placeCameras(_CochlexUI& window, const CameraPose& pose);

// The bounds of the loaded structures shown in the main view, or of all loaded structures when
// none is shown.
std::array<double, 6>
shownStructureBounds(const _CochlexUI& window);
