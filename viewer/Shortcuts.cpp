#include "viewer/Shortcuts.h"
#include "viewer/CochlexUI.h"

#include <QAction>
#include <QDockWidget>
#include <QKeySequence>
#include <QShortcut>

void
setUpShortcuts(_CochlexUI& window)
{
  window.actionCochlex_Help->setShortcut(QKeySequence(Qt::Key_F1));
  window.actionReset->setShortcut(QKeySequence(Qt::Key_Home));
  window.actionView_All->setShortcut(QKeySequence(QStringLiteral("Ctrl+A")));
  window.actionHide_All->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+A")));
  window.actionStereo_View->setShortcut(QKeySequence(QStringLiteral("Ctrl+3")));
  window.actionViewer_Dock->setShortcut(QKeySequence(QStringLiteral("Ctrl+M")));
  window.actionHead->setShortcut(QKeySequence(QStringLiteral("Ctrl+H")));

  // F11 must also work in the full-screen Model view, a window of its own, to bring it back.
  window.actionFull_Screen->setShortcut(QKeySequence(Qt::Key_F11));
  window.actionFull_Screen->setShortcutContext(Qt::ApplicationShortcut);

  // Escape leaves full screen, whichever of the program's windows has the keys (the window
  // manager may keep the main window active). Switched on only in full screen, so that it takes
  // Escape from no one else.
  auto* leaveFullScreen = new QShortcut(QKeySequence(Qt::Key_Escape), window.viewerDock);
  leaveFullScreen->setObjectName(QStringLiteral("leaveFullScreenShortcut"));
  leaveFullScreen->setContext(Qt::ApplicationShortcut);
  leaveFullScreen->setEnabled(false);
  QObject::connect(leaveFullScreen, &QShortcut::activated, &window, [&window] {
    if (window.viewerDock->isFloating()) {
      window.showViewerDock();
    }
  });
}

void
setLeaveFullScreenKey(_CochlexUI& window, bool fullScreen)
{
  if (auto* key = window.viewerDock->findChild<QShortcut*>(
        QStringLiteral("leaveFullScreenShortcut"), Qt::FindDirectChildrenOnly)) {
    key->setEnabled(fullScreen);
  }
}
