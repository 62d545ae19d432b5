#pragma once

#include <QString>

#include <array>

class _CochlexUI;
class vtkActor;

// The status bar's note of the active cuts, so that structures cut by a plane whose tab is not
// in front, or whose image is hidden, do not seem to have vanished.
void
setUpCutStatus(_CochlexUI& window);

// Rewrites the note from the clipping sliders: empty when nothing is cut.
void
showCutStatus(_CochlexUI& window);

// Names the three positions of each clipping slider under its ticks: the side shown at each
// end, by the direction of the plane that cuts there ("Lateral", "Medial", ...), and "No cut" in
// the middle. Without a section volume nothing can be cut, and the ends stay unnamed.
void
showClipSideTexts(_CochlexUI& window);

// The anatomical side a normal in model space points to, by its largest component along the
// model's axes (x medial, y posterior, z superior): "medial", "lateral", "posterior", ...
QString
anatomicalSide(const std::array<double, 3>& normal);

// Whether the cuts at the section planes leave nothing of the structure drawn by actor: the
// view does not show it, so it is neither labelled nor asked for.
bool
whollyCutAway(vtkActor* actor);
