#pragma once

#include <QString>

class _CochlexUI;

// How the control panel's number controls take the keyboard and the wheel. A typed number takes
// effect once it is complete, never at a keystroke on its way (typing 0.8 passed through 0.0, and
// the structure turned opaque); arrows, the wheel over a focused box and the sliders still act at
// once. The wheel over the panel scrolls the structure list, and changes a spin box, slider or
// scroll bar only when that control has the keyboard focus.
void
setUpControlInput(_CochlexUI& window);

// Whether text typed into a spin box of decimals places and this maximum (the minimum is 0 or
// above) is a value no further digit could change: all decimal places given, or a whole number
// that any further digit would take past the maximum ("75" of 748, "1" of 1.0, but not "0").
bool
typedValueComplete(const QString& text, int decimals, double maximum);
