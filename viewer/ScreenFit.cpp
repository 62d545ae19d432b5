#include "viewer/ScreenFit.h"
#include "viewer/CochlexUI.h"

#include <QDialog>
#include <QDockWidget>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QWidget>

#include <algorithm>

namespace {

// Moves the span [start, start + length) in from the far end of [low, high], then from the
// near end, which wins when the span is longer than the room.
int
placeWithin(int start, int length, int low, int high)
{
  start = std::min(start, high - length);
  return std::max(start, low);
}

QRect
availableArea(const QWidget& widget)
{
  const QScreen* screen = widget.screen();
  if (screen == nullptr) {
    screen = QGuiApplication::primaryScreen();
  }
  return screen != nullptr ? screen->availableGeometry() : QRect();
}

// Measures the window's needs again whenever its layout changes, as when the loaded panels show.
class LayoutMinimumFollower : public QObject
{
public:
  explicit LayoutMinimumFollower(_CochlexUI& window)
    : QObject(&window)
    , window(window)
  {
  }

  bool eventFilter(QObject* watched, QEvent* event) override
  {
    if (watched == &window &&
        (event->type() == QEvent::LayoutRequest || event->type() == QEvent::Show)) {
      keepWindowNarrowable(window);
    }
    return false;
  }

private:
  _CochlexUI& window;
};

} // namespace

QRect
geometryWithinScreen(const QRect& wanted,
                     const QSize& minimum,
                     const QRect& available,
                     const QMargins& frame)
{
  const QSize room(available.width() - frame.left() - frame.right(),
                   available.height() - frame.top() - frame.bottom());
  const QSize size = wanted.size().boundedTo(room).expandedTo(minimum);
  const QSize framed = size.grownBy(frame);
  const int left =
    placeWithin(wanted.x() - frame.left(), framed.width(), available.left(), available.right() + 1);
  const int top =
    placeWithin(wanted.y() - frame.top(), framed.height(), available.top(), available.bottom() + 1);
  return { QPoint(left + frame.left(), top + frame.top()), size };
}

QMargins
frameMargins(const QWidget& window)
{
  const QRect frame = window.frameGeometry();
  const QRect inner = window.geometry();
  return { inner.left() - frame.left(),
           inner.top() - frame.top(),
           frame.right() - inner.right(),
           frame.bottom() - inner.bottom() };
}

void
fitIntoScreen(QWidget& window)
{
  const QRect available = availableArea(window);
  if (available.isEmpty()) {
    return;
  }
  const QRect fitted =
    geometryWithinScreen(window.geometry(), window.minimumSize(), available, frameMargins(window));
  if (fitted != window.geometry()) {
    window.setGeometry(fitted);
  }
}

void
fitDialogIntoScreen(QDialog& dialog, const QMargins& frame)
{
  const QRect available = availableArea(dialog);
  if (available.isEmpty()) {
    return;
  }
  // Only the size: the dialog centres itself on the screen when it is first shown.
  const QRect wanted(available.topLeft(), dialog.size());
  dialog.resize(geometryWithinScreen(wanted, dialog.minimumSizeHint(), available, frame).size());
}

void
keepWindowNarrowable(_CochlexUI& window)
{
  // Without this the layout would take the dock's minimum, the window's width less 300, into the
  // window's minimum, and no window could ever be made narrower.
  const int separator =
    window.style()->pixelMetric(QStyle::PM_DockWidgetSeparatorExtent, nullptr, &window);
  // The dock's own size hint would include that minimum again; its contents' does not.
  const int needed = window.centralwidget->minimumSizeHint().width() + separator +
                     window.viewerDock->widget()->minimumSizeHint().width();
  // Only the width is fixed here; the layout still raises the minimum height as panels appear.
  if (window.minimumWidth() != needed) {
    window.setMinimumSize(needed, 0);
  }
}

void
followLayoutMinimum(_CochlexUI& window)
{
  window.installEventFilter(new LayoutMinimumFollower(window));
  keepWindowNarrowable(window);
}
