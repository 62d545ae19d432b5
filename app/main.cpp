#include "app/Startup.h"
#include "viewer/CochlexUI.h"

#include <QApplication>

int
main(int argc, char** argv)
{
  prepareApplication();
  QApplication application(argc, argv);
  StartupSplash splash;
  _CochlexUI window;
  startViewer(window, splash);
  return QApplication::exec();
}
