// Screenshots of the viewer on a teaching model: the frontal view, then each section image shown
// with the structures cut at its plane. Run under a display (xvfb-run) from the model folder:
//   cochlex-screenshots OUTPUT_FOLDER

#include "viewer/Screenshots.h"
#include "app/Startup.h"
#include "loading/Console.h"
#include "viewer/CochlexUI.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QImage>
#include <QSlider>
#include <QTest>

#include <vtkRenderWindow.h>

namespace {

// As the viewer's File > Save Screenshot... writes it.
bool
saveMainView(_CochlexUI& window, const QString& path)
{
  const QString problem = writeScreenshotFile(renderMainView(window, 1), path);
  if (!problem.isEmpty()) {
    printLine(problem.toStdString());
    return false;
  }
  printLine(path.toStdString());
  return true;
}

} // namespace

int
main(int argc, char** argv)
{
  prepareApplication();
  QApplication application(argc, argv);
  if (argc != 2) {
    printLine("usage: cochlex-screenshots OUTPUT_FOLDER (run in the model folder)");
    return 2;
  }
  const QString output = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(output);

  _CochlexUI window;
  window.setGeometry(0, 0, 1250, 900);
  window.show();
  if (!QTest::qWaitForWindowExposed(&window)) {
    printLine("The window was not shown; is there a display?");
    return 1;
  }
  window.loadTB();
  QTest::qWait(200);

  bool saved = saveMainView(window, output + "/frontal_view.png");
  struct Section
  {
    const char* name;
    QCheckBox* showBox;
    QSlider* clipSlider;
  };
  // Named by the tabs the user sees.
  const Section sections[] = { { "x_plane", window.showZPlane, window.clipZ },
                               { "y_plane", window.showXPlane, window.clipX },
                               { "z_plane", window.showYPlane, window.clipY } };
  for (const Section& section : sections) {
    section.showBox->click();
    section.clipSlider->setValue(1);
    saved = saveMainView(window, output + "/section_" + section.name + "_clipped.png") && saved;
    section.clipSlider->setValue(0);
    section.showBox->click();
  }
  return saved ? 0 : 1;
}
