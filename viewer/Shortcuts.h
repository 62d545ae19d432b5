#pragma once

class _CochlexUI;

// Gives the window's actions their keys, which the menus show beside the entries, and lets
// Escape bring the full-screen Model view back into the window.
void
setUpShortcuts(_CochlexUI& window);

// Escape brings the Model view back only while it is full screen.
void
setLeaveFullScreenKey(_CochlexUI& window, bool fullScreen);
