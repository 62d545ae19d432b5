// cochlex-make-model: makes a teaching model from a segmentation (a label map and its CT, or
// surfaces) for the viewer. No display is needed.

#include "loading/ModelFile.h"
#include "tools/make_model/MakeModel.h"

#include <vtkObject.h>

#include <QGuiApplication>

#include <cstdio>
#include <string>
#include <vector>

int
main(int argc, char** argv)
{
  std::vector<std::string> arguments(argv + 1, argv + argc);
  const makemodel::ParsedOptions parsed = makemodel::parseOptions(arguments);
  if (parsed.help) {
    std::fputs(makemodel::usageText(), stdout);
    return 0;
  }
  if (!parsed.problem.empty()) {
    // An argument of megabytes quoted back must not flood the terminal.
    std::fprintf(
      stderr, "cochlex-make-model: %s\n", shortenedInMiddle(parsed.problem, 1900).c_str());
    return 2;
  }
  // The splash image is painted off screen.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  // Qt's notes about the platform (a missing runtime folder, fonts) are not the user's
  // business: the tool's standard error is its progress and its one line per problem.
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg) {
      std::fprintf(stderr, "%s\n", qPrintable(message));
    }
  });
  QGuiApplication application(argc, argv);
  // Damaged files make VTK's readers print pages of messages; the tool says what went wrong
  // in one line of its own.
  vtkObject::GlobalWarningDisplayOff();
  return makemodel::makeModel(parsed.options);
}
