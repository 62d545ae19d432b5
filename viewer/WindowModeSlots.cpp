#include "viewer/WindowModeSlots.h"
#include "loading/Console.h"
#include "loading/ModelFile.h"
#include "loading/TeachingModel.h"
#include "viewer/CochlexUI.h"
#include "viewer/LoadReport.h"
#include "viewer/ScreenFit.h"
#include "viewer/Shortcuts.h"

#include "ui/RenderView.h"
#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QDockWidget>
#include <QFile>
#include <QResizeEvent>
#include <QScreen>
#include <QSize>
#include <QUrl>

#include <vtkRenderWindow.h>

#include <algorithm>

namespace {

// The address of a file named by the file system's bytes: the usual one for a name in the
// locale's encoding, its bytes percent-encoded for any other, which a text would garble.
QUrl
fileUrl(const QByteArray& path)
{
  const QString decoded = QFile::decodeName(path);
  if (QFile::encodeName(decoded) == path) {
    return QUrl::fromLocalFile(decoded);
  }
  return QUrl::fromEncoded("file://" + path.toPercentEncoding("/"), QUrl::StrictMode);
}

// Hands a file of the working directory to the desktop's associated application. The desktop
// service starts the player detached and returns at once; no shell ever sees the name.
// Only a regular file is handed on, checked on an opened descriptor (a FIFO is not waited on).
// The desktop service fails when it finds no way to open files on this computer (on Linux: no
// xdg-open or desktop opener); an opener that then finds no application for the file's type
// fails later, in its own process, out of our sight.
void
openWithDesktop(QWidget* window, const QString& guide, const QString& fileName)
{
  // The folder's name as the file system holds it, also when it is not UTF-8: the file's
  // address carries its bytes percent-encoded.
  const QByteArray path =
    QByteArray::fromStdString(currentModelFolder().path) + '/' + QFile::encodeName(fileName);
  const QString shownPath = QString::fromLocal8Bit(path);
  QString problem;
  const RegularFile file(path.toStdString());
  if (file.missing()) {
    problem = QStringLiteral("%1 cannot be played: %2 was not found.").arg(guide, shownPath);
  } else if (!file.isOpen()) {
    problem = QStringLiteral("%1 cannot be played: %2 %3.")
                .arg(guide, shownPath, QString::fromStdString(file.problem()));
  } else if (!QDesktopServices::openUrl(fileUrl(path))) {
    problem = QStringLiteral("%1 cannot be played: no application on this computer opens %2.")
                .arg(guide, shownPath);
  }
  if (problem.isEmpty()) {
    return;
  }
  printLine(problem.toStdString());
  showWarning(window,
              QCoreApplication::translate("MainWindow", "Audio Guide"),
              problem,
              QStringLiteral("The audio guides are the files Track_1.wma and Track_2.wma of the "
                             "teaching model, played by the desktop's audio player."));
}

} // namespace

int
viewerDockWidthBesideControls(int windowWidth)
{
  return std::max(0, windowWidth - 300);
}

void
_CochlexUI::viewHead()
{
  headDock->setFloating(false);
  // The head dock sits in the control panel, outside the window's dock areas, and the toolkit
  // refuses to re-dock such a dock once it floats: make it a child of the panel again by hand.
  if (headDock->isFloating())
    headDock->setWindowFlags(Qt::Widget);
  headDock->show();
  renderMainThenHead();
}

void
_CochlexUI::showViewerDock()
{
  viewerDock->setFloating(false);
  // Back in the window, the dock must not keep the full-screen state: floating it again later
  // would otherwise cover the whole screen.
  viewerDock->setWindowState(viewerDock->windowState() & ~Qt::WindowFullScreen);
  viewerDock->show();
  setLeaveFullScreenKey(*this, false);
  // Back from full screen, the keys must reach this window again, not the screen it left.
  activateWindow();
  renderMainThenHead();
}

void
_CochlexUI::stereoView()
{
  vtkRenderWindow* renderWindow = qvtkWidget->renderWindow();
  if (stereoOff) {
    renderWindow->StereoRenderOn();
    stereoOff = false;
    actionStereo_View->setText(QCoreApplication::translate("MainWindow", "Hide Stereo"));
  } else {
    renderWindow->StereoRenderOff();
    stereoOff = true;
    actionStereo_View->setText(QCoreApplication::translate("MainWindow", "Show Stereo"));
  }
  renderMainThenHead();
}

void
_CochlexUI::fullScreen()
{
  // F11 leaves full screen the way it came in.
  if (viewerDock->isFloating() && viewerDock->isFullScreen()) {
    showViewerDock();
    return;
  }
  viewerDock->setFloating(true);
  // The full-screen state is only a request to the window manager, and there may be none: the
  // dock covers its screen by its own geometry as well.
  const QScreen* screen = this->screen();
  if (screen != nullptr) {
    viewerDock->setGeometry(screen->geometry());
  }
  viewerDock->showFullScreen();
  setLeaveFullScreenKey(*this, true);
  viewerDock->raise();
  viewerDock->activateWindow();
  // Escape and the view's own keys reach the view without a click into it first.
  qvtkWidget->setFocus();
}

void
_CochlexUI::resizeViewerDock(QResizeEvent* e)
{
  if (!e)
    return;
  // Only the width counts: a rule fed by the height made a taller window wider, past the screen
  // edge, and kept it from ever narrowing again.
  viewerDock->setMinimumWidth(viewerDockWidthBesideControls(width()));
  keepWindowNarrowable(*this);
  renderHeadThenMain();
}

void
_CochlexUI::showHelp()
{
  // An open dialog stays as the user left it.
  if (!helpDialog.isVisible()) {
    fitDialogIntoScreen(helpDialog, frameMargins(*this));
  }
  helpDialog.show();
}

void
_CochlexUI::showAbout()
{
  if (!aboutDialog.isVisible()) {
    fitDialogIntoScreen(aboutDialog, frameMargins(*this));
  }
  aboutDialog.show();
}

void
_CochlexUI::audioGuideF1()
{
  openWithDesktop(this, QStringLiteral("Audio guide 1"), QStringLiteral("Track_1.wma"));
}

void
_CochlexUI::audioGuideF2()
{
  openWithDesktop(this, QStringLiteral("Audio guide 2"), QStringLiteral("Track_2.wma"));
}
