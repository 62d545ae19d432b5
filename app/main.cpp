#include "app/ScreenshotCommand.h"
#include "app/Startup.h"
#include "viewer/CochlexUI.h"

#include <QApplication>

int
main(int argc, char** argv)
{
  prepareApplication();
  QApplication application(argc, argv);
  if (const std::optional<int> status = runScreenshotCommandLine(QApplication::arguments())) {
    return *status;
  }
  StartupSplash splash;
  _CochlexUI window;
  startViewer(window, splash);
  return QApplication::exec();
}
