#pragma once

class QSize;

// Minimum width of the viewer dock in a window windowWidth wide: 300 pixels stay for the control
// panel beside it. Never negative.
int
viewerDockWidthBesideControls(int windowWidth);

// Minimum width of the viewer dock after the window was resized from oldSize to newSize and now
// measures windowSize: a wider window leaves 300 pixels beside the dock, otherwise the height
// less 60 is used. Never negative.
int
viewerDockMinimumWidth(const QSize& newSize, const QSize& oldSize, const QSize& windowSize);
