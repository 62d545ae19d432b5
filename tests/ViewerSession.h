#pragma once

#include "ModelFixture.h"

#include <QTemporaryDir>
#include <QTest>

#include <vtkNew.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class _CochlexUI;
class vtkActor;
class vtkCallbackCommand;
class vtkRenderer;
class vtkRenderWindow;

// A Viewer window built in its own temporary working directory, the way the program reads its
// model. Write files into folder() before calling open(); load() then runs the model load.
class ViewerSession
{
public:
  ViewerSession();
  ~ViewerSession();

  QString folder() const;
  // The working directory as the system reports it, as the console lines print it.
  QString canonicalFolder() const;

  // Builds the window (which reads the Help and About pages) and, with a size, shows it.
  _CochlexUI& open(int width = 1000, int height = 700);
  // Runs loadTB() and returns what it printed.
  std::string load();
  _CochlexUI& window() { return *viewer; }

private:
  QTemporaryDir directory;
  std::unique_ptr<fixture::WorkingDirectory> workingDirectory;
  std::unique_ptr<_CochlexUI> viewer;
};

// Runs action and returns what it printed on standard output.
std::string
captureOutput(const std::function<void()>& action);

// The actors a renderer holds, in its drawing order.
std::vector<vtkActor*>
rendererActors(vtkRenderer* renderer);

// Counts the frames a render window draws while it lives.
class RenderCounter
{
public:
  explicit RenderCounter(vtkRenderWindow* window);
  ~RenderCounter();
  int count = 0;

private:
  vtkRenderWindow* window;
  vtkNew<vtkCallbackCommand> command;
  unsigned long tag = 0;
};

// The tests' main: the VTK views need their OpenGL format before the QApplication exists.
int
runViewerTest(QObject* test, int argc, char** argv);

#define COCHLEX_VIEWER_TEST_MAIN(TestClass)                                                        \
  int main(int argc, char** argv)                                                                  \
  {                                                                                                \
    TestClass test;                                                                                \
    return runViewerTest(&test, argc, argv);                                                       \
  }
