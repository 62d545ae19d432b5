#pragma once

#include "ModelFixture.h"
#include "TestDriver.h"
#include "app/Startup.h"
#include "bench/Measurements.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

#include <vtkRenderWindow.h>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class _CochlexUI;
class vtkActor;
class vtkRenderer;

// A Viewer window in its own temporary working directory, where it reads its model.
class ViewerSession
{
public:
  ~ViewerSession();
  QString folder() const { return directory.path(); }
  // Builds the window and, with a size, shows it.
  _CochlexUI& open(int width = 1000, int height = 700);
  std::string load();
  // The GUI tests' shared fixture: writes the model into folder(), changes it there with
  // change when given (a damaged file), shows the window with its main view at viewSize and
  // loads the model.
  _CochlexUI& openModel(
    const std::vector<fixture::Structure>& structures = fixture::standardStructures(),
    bool withVolume = true,
    const std::function<void(const QString& folder)>& change = {});

  // Fixed, so that no font, layout or screen changes what the view shows.
  static constexpr QSize viewSize{ 640, 480 };

private:
  QTemporaryDir directory;
  fixture::WorkingDirectory inDirectory{ directory.path() };
  std::unique_ptr<_CochlexUI> viewer;
};

// The distinct colours of every second pixel of every second row: more than a few tell a
// picture of the model fixture's coloured spheres from a blank one.
int
colourCount(const QImage& image);

// Every entry of folder, hidden ones too.
QStringList
folderEntries(const QString& folder);

// What action prints on standard output.
std::string
captureOutput(const std::function<void()>& action);

// The actors a renderer holds, in its drawing order.
std::vector<vtkActor*>
rendererActors(vtkRenderer* renderer);

// Where a model point appears in the main view, in the view widget's coordinates: VTK counts
// device pixels from the bottom, Qt logical pixels from the top.
QPoint
viewPointOf(_CochlexUI& window, const std::array<double, 3>& point);

// Waits until each shown view's native window is on screen and its render window has the view's
// size: the window system tells a native window of its size after the widget has been laid out.
bool
waitForViews(_CochlexUI& window);

// The name the viewer gives the model fixture's structure at index (named after its file), and
// where that structure's centre appears in the main view.
QString
fixtureStructureName(int index);
QPoint
structureCentreInView(_CochlexUI& window, int index);

// A pointer move over view to at, with the buttons held.
void
movePointer(QWidget* view, const QPoint& at, Qt::MouseButtons held = Qt::NoButton);

// Each test class registers itself by name in its driver (test_gui, test_images, ...).
#define COCHLEX_VIEWER_TEST_MAIN(TestClass) COCHLEX_TEST_CLASS(TestClass)
