#include "viewer/FloatingModelView.h"

#include "viewer/CochlexUI.h"
#include "viewer/ScreenFit.h"
#include "viewer/WindowModeSlots.h"

#include <QDockWidget>
#include <QEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QScreen>
#include <QShortcut>

#include <algorithm>

namespace {

// Long enough for a pause in a drag not to count as its end.
constexpr int settleMilliseconds = 400;
// Between the control panel's edge and the floating view.
constexpr int gap = 8;

} // namespace

FloatingModelView::FloatingModelView(_CochlexUI& window)
  : QObject(&window)
  , window(window)
  , dock(window.viewerDock)
{
  setObjectName(QStringLiteral("floatingModelView"));
  settle.setSingleShot(true);
  settle.setInterval(settleMilliseconds);
  connect(&settle, &QTimer::timeout, this, &FloatingModelView::keepOnScreen);
  connect(dock, &QDockWidget::topLevelChanged, this, &FloatingModelView::floatingChanged);
  dock->installEventFilter(this);
}

bool
FloatingModelView::fullScreen() const
{
  // A window manager may refuse the full-screen state of a tool window (openbox does) while the
  // view still covers the screen: the Escape key of full screen tells it.
  const auto* leaveKey = dock->findChild<QShortcut*>(QStringLiteral("leaveFullScreenShortcut"),
                                                     Qt::FindDirectChildrenOnly);
  return dock->isFullScreen() || (leaveKey != nullptr && leaveKey->isEnabled());
}

bool
FloatingModelView::floatingInWindow() const
{
  return dock->isFloating() && !fullScreen();
}

void
FloatingModelView::floatingChanged(bool floating)
{
  // With the view floating, the panel alone fills the window's centre, and a box layout puts a
  // fixed-width widget in the middle of its room: right under the floating view. Docked, the
  // layout is left as it was.
  window.hboxLayout->setAlignment(window.controlPanel, floating ? Qt::AlignLeft : Qt::Alignment());
  if (!floating) {
    // Docked, it takes the window's width less the control panel again.
    dock->setMinimumWidth(viewerDockWidthBesideControls(window.width()));
    return;
  }
  // Full screen floats the view as well, and sets its own geometry.
  QMetaObject::invokeMethod(
    this,
    [this] {
      if (floatingInWindow()) {
        placeBesideControls();
      }
    },
    Qt::QueuedConnection);
}

void
FloatingModelView::placeBesideControls()
{
  // The docked minimum, the window's width less 300, would keep the view over the panel.
  dock->setMinimumWidth(dock->widget()->minimumSizeHint().width());
  const QScreen* screen = window.screen();
  if (screen == nullptr) {
    return;
  }
  const QRect available = screen->availableGeometry();
  const QRect panel(window.controlPanel->mapToGlobal(QPoint(0, 0)), window.controlPanel->size());
  QRect wanted = dock->geometry();
  wanted.moveLeft(panel.right() + 1 + gap);
  wanted.moveTop(std::max(available.top(), panel.top()));
  wanted.setWidth(std::max(dock->minimumWidth(), available.right() + 1 - wanted.left()));
  wanted.setHeight(std::min(wanted.height(), available.bottom() + 1 - wanted.top()));
  dock->setGeometry(geometryWithinScreen(wanted, dock->minimumSize(), available, {}));
}

void
FloatingModelView::keepOnScreen()
{
  // Not while the pointer still holds it: the drag would fight the correction.
  if (!floatingInWindow() || QGuiApplication::mouseButtons() != Qt::NoButton) {
    if (floatingInWindow()) {
      settle.start();
    }
    return;
  }
  fitIntoScreen(*dock);
}

bool
FloatingModelView::eventFilter(QObject* watched, QEvent* event)
{
  if (watched != dock) {
    return false;
  }
  switch (event->type()) {
    case QEvent::Move:
    case QEvent::Resize:
      if (floatingInWindow()) {
        settle.start();
      }
      break;
    case QEvent::Close:
      if (dock->isFloating() && fullScreen()) {
        // Closed in full screen: back into the window rather than a grey gap in it.
        event->ignore();
        QMetaObject::invokeMethod(&window, &_CochlexUI::showViewerDock, Qt::QueuedConnection);
        return true;
      }
      break;
    default:
      break;
  }
  return false;
}
