#include "app/CommandLine.h"
#include "app/GraphicsEnvironment.h"
#include "viewer/CochlexUI.h"
#include "viewer/ViewFollowing.h"

#include <QApplication>
#include <QPixmap>
#include <QScreen>
#include <QSplashScreen>
#include <QSurfaceFormat>
#include <QVTKOpenGLNativeWidget.h>

int
main(int argc, char** argv)
{
  if (const std::optional<int> exitStatus = applyCommandLine(argc, argv)) {
    return *exitStatus;
  }
  keepGraphicsDriverFromWritingFiles();
  // The VTK views need their OpenGL format before the first widget exists.
  QSurfaceFormat::setDefaultFormat(QVTKOpenGLNativeWidget::defaultFormat());
  // A view whose dock floats or docks moves to another top-level window. With shared contexts
  // it keeps its OpenGL context; otherwise the context is rebuilt and the model's buffers of
  // the old one are never freed (about 10 MB per full screen and back).
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  createFollowCommands();

  QApplication application(argc, argv);
  QPixmap splashImage("TB.png");
  auto* splash = new QSplashScreen(splashImage);
  splash->show();
  // Windows are mapped and painted through the event loop, which only starts after the load.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

  _CochlexUI window;
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  window.setGeometry(50, 50, screen.width() - 100, screen.height() - 100);
  window.show();

  // The whole model is read before the event loop starts; the splash stays up meanwhile.
  window.loadTB();

  QApplication::setActiveWindow(&window);
  QApplication::setQuitOnLastWindowClosed(true);
  splash->finish(&window);
  delete splash;

  return QApplication::exec();
}
