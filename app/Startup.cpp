#include "app/Startup.h"

#include "loading/Console.h"
#include "ui/BoundedImage.h"
#include "viewer/CochlexUI.h"
#include "viewer/ScreenFit.h"
#include "viewer/ViewFollowing.h"
#include "viewer/WindowModeSlots.h"

#include <QApplication>
#include <QByteArray>
#include <QScreen>
#include <QSettings>
#include <QSignalBlocker>
#include <QSplashScreen>
#include <QSurfaceFormat>
#include <QVTKOpenGLWindow.h>

#include <malloc.h>

void
prepareApplication()
{
  // The GL driver keeps its own disk cache of compiled shaders (Mesa: ~/.cache/mesa_shader_cache)
  // unless the user switches it off (MESA_SHADER_CACHE_DISABLE=true): the viewer leaves it as
  // the driver's setting. Without it every start compiled the shaders again, 130-600 ms of a
  // start-up of about 1.4 s on the sample model with a software renderer.
  // A view puts a rendered frame on screen at its window's next update request, which Qt delays
  // by 5 ms to gather further updates. The frame is already drawn by then: the wait only adds
  // to every frame (about 5 % of a rotation frame on a software renderer).
  if (!qEnvironmentVariableIsSet("QT_QPA_UPDATE_IDLE_TIME")) {
    qputenv("QT_QPA_UPDATE_IDLE_TIME", QByteArray("0"));
  }
  // glibc gives each thread that allocates its own malloc arena, and freed memory in an arena is
  // seldom returned. The software renderer's threads and the thread that builds the coarse
  // copies of the model would each keep one: about 20 MB of peak memory. One arena for all,
  // unless the user has chosen a number: the coarse copies are built just after the first frame,
  // and in an arena of their own their working memory (up to 20 MB) came on top of the peak of
  // the load, while the GUI thread's arena holds about as much freed by the load's frames
  // (321 MB peak with two arenas, 309-311 MB with one, on the sample model). The renderer's
  // threads allocate little of their own, so they seldom wait for the shared arena.
  if (!qEnvironmentVariableIsSet("MALLOC_ARENA_MAX")) {
    mallopt(M_ARENA_MAX, 1);
  }
  // Qt's file dialogs remember their folders and column widths in a settings file of the
  // user's; the viewer keeps no settings. A folder below a device file cannot be made, also not
  // by root, so those writes fail quietly.
  for (const QSettings::Format format : { QSettings::NativeFormat, QSettings::IniFormat }) {
    QSettings::setPath(format, QSettings::UserScope, QStringLiteral("/dev/null"));
  }
  // The VTK views need their OpenGL format before the first widget exists.
  QSurfaceFormat::setDefaultFormat(QVTKOpenGLWindow::defaultFormat());
  // No OpenGL context is shared between windows: each view draws in a native window of its own,
  // which keeps its context when its dock floats, docks or goes full screen. A shared context
  // would only cost its memory.
  createFollowCommands();
}

namespace {

// The splash comes from the model folder: a regular file, checked by its declared size before
// it is decoded. Without it the splash window is empty.
QPixmap
splashImage()
{
  const ImageRead read = readBoundedImage(QStringLiteral("TB.png"));
  if (!read.missing && !read.problem.isEmpty()) {
    printLine("The splash image TB.png " + read.problem.toStdString() + "; it is not shown.");
  }
  return read.image.isNull() ? QPixmap() : QPixmap::fromImage(read.image);
}

} // namespace

StartupSplash::StartupSplash()
  : image(splashImage())
  , splash(new QSplashScreen(image))
{
  splash->show();
  // Windows are mapped and painted through the event loop, which only starts after the load.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

StartupSplash::~StartupSplash()
{
  delete splash;
}

void
StartupSplash::finish(_CochlexUI& window)
{
  if (splash != nullptr) {
    splash->finish(&window);
    delete splash;
    splash = nullptr;
  }
}

void
startViewer(_CochlexUI& window,
            StartupSplash& splash,
            const std::function<void(bool beforeLoad)>& aroundLoad)
{
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  window.setGeometry(50, 50, screen.width() - 100, screen.height() - 100);
  window.show();

  // The whole model is read before the event loop starts; the splash stays up meanwhile.
  if (aroundLoad) {
    aroundLoad(true);
  }
  window.loadTB();
  if (aroundLoad) {
    aroundLoad(false);
  }
  // The loaded panels raise the window's minimum size, and by now the window manager has framed
  // it: on a small screen the frame, buttons and menus must not hang off the edges.
  {
    // That widens the window for the panels (by 36 pixels on a 1280x1024 screen) and leaves the
    // views at the size the load has just drawn them at; a view whose size does change draws
    // itself again at its next paint. The window's own render on a resize would draw the same
    // two frames once more: about 90 ms, and 13 MB of peak memory on a software renderer, which
    // still holds the previous frame's binned triangles while it bins the next.
    const QSignalBlocker noRenderOnResize(window);
    keepWindowNarrowable(window);
    fitIntoScreen(window);
  }
  // What the window does on a resize, but the render.
  window.viewerDock->setMinimumWidth(viewerDockWidthBesideControls(window.width()));
  keepWindowNarrowable(window);

  QApplication::setActiveWindow(&window);
  QApplication::setQuitOnLastWindowClosed(true);
  splash.finish(window);
}
