#pragma once

class _CochlexUI;

// Switches the interactive plane of a section axis (0 X, 1 Y, 2 Z; the keys x, y and z in the
// model view) on or off. It appears where that axis's section image lies among the structures.
void
toggleSectionPlane(_CochlexUI& window, int axis);
