#include "app/CommandLine.h"
#include "app/ScreenshotCommand.h"
#include "app/Startup.h"
#include "app/WebExportCommand.h"
#include "viewer/CochlexUI.h"
#include "viewer/Lessons.h"

#include <QApplication>
#include <QCoreApplication>

#include <cstdio>

int
main(int argc, char** argv)
{
  // First of all: a model folder given on the command line becomes the working directory before
  // anything (the splash image too) is read from it.
  std::optional<ScreenshotRequest> screenshot;
  QString lessonFile;
  std::optional<WebExportCommandRequest> webExport;
  if (const std::optional<int> exitStatus =
        applyCommandLine(argc, argv, screenshot, &lessonFile, &webExport)) {
    return *exitStatus;
  }
  if (webExport) {
    // Needs no display: a plain application object, for the text codecs and resources.
    QCoreApplication application(argc, argv);
    return runWebExportCommand(*webExport);
  }
  if (screenshot) {
    const QString problem = screenshotDisplayProblem(argc, argv);
    if (!problem.isEmpty()) {
      std::fprintf(stderr, "cochlex: %s\n", qPrintable(problem));
      return 1;
    }
  }
  prepareApplication();
  QApplication application(argc, argv);
  if (screenshot) {
    return runScreenshotCommand(*screenshot);
  }
  StartupSplash splash;
  _CochlexUI window;
  startViewer(window, splash);
  if (!lessonFile.isEmpty()) {
    window.lessons->openLessonAtStart(lessonFile);
  }
  return QApplication::exec();
}
