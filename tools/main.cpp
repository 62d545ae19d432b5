// cochlex-sample-model: writes the sample teaching model into a folder, ready to be the viewer's
// working directory.
//
//   cochlex-sample-model <model-directory>
//   cochlex-sample-model --icon <file.png> [size]

#include "SampleModel.h"

#include <QGuiApplication>
#include <QStringList>

#include <cstdio>

int
main(int argc, char** argv)
{
  // The images are painted off screen; no display is needed.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QGuiApplication application(argc, argv);
  const QStringList arguments = application.arguments().mid(1);

  QString error;
  if (arguments.size() >= 2 && arguments[0] == QLatin1String("--icon")) {
    const int size = arguments.size() >= 3 ? arguments[2].toInt() : 64;
    if (size < 16 || size > 1024) {
      std::printf("The icon size must lie between 16 and 1024 pixels.\n");
      return 2;
    }
    if (!writeSampleIcon(arguments[1], size, &error)) {
      std::printf("%s\n", qPrintable(error));
      return 1;
    }
    return 0;
  }
  if (arguments.size() != 1 || arguments[0].startsWith(QLatin1String("-"))) {
    std::printf("usage: cochlex-sample-model <model-directory>\n"
                "       cochlex-sample-model --icon <file.png> [size]\n");
    return 2;
  }

  SampleModelReport report;
  if (!writeSampleModel(arguments[0], &error, &report)) {
    std::printf("%s\n", qPrintable(error));
    return 1;
  }
  std::printf(
    "Sample teaching model written to %s in %.1f s.\n", qPrintable(arguments[0]), report.seconds);
  return 0;
}
