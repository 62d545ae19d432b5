#pragma once

// Minimum width of the viewer dock in a window windowWidth wide: 300 pixels stay for the control
// panel beside it. Never negative. Applied at start and on every resize of the window.
int
viewerDockWidthBesideControls(int windowWidth);
