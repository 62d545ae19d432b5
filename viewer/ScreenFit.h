#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>

class QDialog;
class QWidget;
class _CochlexUI;

// Where a window whose frame adds frame around its geometry goes so that the whole frame lies
// inside available: wanted where it fits; otherwise no larger than the available area (but never
// below minimum) and moved in from the edges it would run over. A window whose minimum cannot fit
// keeps its top left corner on the screen, where its title bar and menus are.
QRect
geometryWithinScreen(const QRect& wanted,
                     const QSize& minimum,
                     const QRect& available,
                     const QMargins& frame);

// The window's frame as the window manager drew it; none without a window manager.
QMargins
frameMargins(const QWidget& window);

// Moves and, where it must, shrinks window into the available area of its screen.
void
fitIntoScreen(QWidget& window);

// Sizes dialog to fit its screen, frame included, before it is shown; frame is the main
// window's, as the dialog has none of its own yet.
void
fitDialogIntoScreen(QDialog& dialog, const QMargins& frame);

// The viewer dock's minimum width follows the window's width; the window's own minimum width
// comes from the layout's real needs instead, so that the user can still make it narrower.
void
keepWindowNarrowable(_CochlexUI& window);

// Keeps the window's minimum width as keepWindowNarrowable() sets it, from now on: the children's
// needs are only known once they are shown, and they change as panels appear.
void
followLayoutMinimum(_CochlexUI& window);
