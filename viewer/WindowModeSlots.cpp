#include "viewer/WindowModeSlots.h"
#include "viewer/CochlexUI.h"
#include "viewer/LoadReport.h"

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QDockWidget>
#include <QFileInfo>
#include <QResizeEvent>
#include <QSize>
#include <QUrl>
#include <QVTKOpenGLNativeWidget.h>

#include <vtkRenderWindow.h>

#include <algorithm>
#include <iostream>

namespace {

// Hands a file of the working directory to the desktop's associated application. The desktop
// service starts the player detached and returns at once; no shell ever sees the name.
// A missing file is not handed on at all. The desktop service fails when it finds no way to
// open files on this computer (on Linux: no xdg-open or desktop opener); an opener that then
// finds no application for the file's type fails later, in its own process, out of our sight.
void
openWithDesktop(QWidget* window, const QString& guide, const QString& fileName)
{
  const QString path = QDir::current().absoluteFilePath(fileName);
  QString problem;
  if (!QFileInfo(path).isFile()) {
    problem = QStringLiteral("%1 cannot be played: %2 was not found.").arg(guide, path);
  } else if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path))) {
    problem = QStringLiteral("%1 cannot be played: no application on this computer opens %2.")
                .arg(guide, path);
  }
  if (problem.isEmpty()) {
    return;
  }
  std::cout << problem.toStdString() << std::endl;
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

int
viewerDockMinimumWidth(const QSize& newSize, const QSize& oldSize, const QSize& windowSize)
{
  if (newSize.width() > oldSize.width()) {
    return viewerDockWidthBesideControls(windowSize.width());
  }
  return std::max(0, windowSize.height() - 60);
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
  viewerDock->setFloating(true);
  viewerDock->showFullScreen();
}

void
_CochlexUI::resizeViewerDock(QResizeEvent* e)
{
  if (!e)
    return;
  viewerDock->setMinimumWidth(viewerDockMinimumWidth(e->size(), e->oldSize(), size()));
  renderHeadThenMain();
}

void
_CochlexUI::showHelp()
{
  helpDialog.show();
}

void
_CochlexUI::showAbout()
{
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
