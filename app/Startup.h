#pragma once

#include <QPixmap>

#include <functional>

class QSplashScreen;
class _CochlexUI;

// Settings the whole process needs before the QApplication exists: the graphics driver's,
// the OpenGL surface format of the VTK views, context sharing, and the view-following
// commands. The program, its tests, benchmarks and tools all start through here, so they
// measure and test the program as it really runs.
void
prepareApplication();

// The splash image shown from before the window is built until the model has loaded.
class StartupSplash
{
public:
  StartupSplash();
  ~StartupSplash();
  StartupSplash(const StartupSplash&) = delete;
  StartupSplash& operator=(const StartupSplash&) = delete;

  // Closes the splash once window is up.
  void finish(_CochlexUI& window);

private:
  QPixmap image;
  QSplashScreen* splash;
};

// Places window 50 pixels inside the default screen, shows it, loads the teaching model into
// it and makes it the active window, then takes the splash down. aroundLoad, when given, is
// called right before the load (with true) and right after it (with false).
void
startViewer(_CochlexUI& window,
            StartupSplash& splash,
            const std::function<void(bool beforeLoad)>& aroundLoad = {});
