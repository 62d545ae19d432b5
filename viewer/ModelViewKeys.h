#pragma once

class _CochlexUI;

// The keyboard and the wheel in the model view: the arrows turn the model, Shift and the arrows
// move it, + and - zoom, each step by CameraMath's keyCameraStep(); the wheel zooms towards the
// point under the pointer instead of the view's centre. Keys with Ctrl or Alt, and every key of
// the window's shortcuts, pass on untouched.
void
setUpModelViewKeys(_CochlexUI& window);
