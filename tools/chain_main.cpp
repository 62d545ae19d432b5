// cochlex-chain-model: writes the ossicular chain sample model, made through the model maker,
// and its lesson into a folder.
//
//   cochlex-chain-model <model-directory>

#include "tools/ChainModel.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QStringList>

#include <vtkObject.h>

#include <cstdio>

int
main(int argc, char** argv)
{
  // The model maker paints the model's splash image off screen.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  // Qt's notes about the platform (a missing runtime folder, fonts) are no business of the
  // build's log; its critical messages still show.
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg) {
      std::fprintf(stderr, "%s\n", qPrintable(message));
    }
  });
  QGuiApplication application(argc, argv);
  const QStringList arguments = application.arguments().mid(1);
  if (arguments.size() != 1 || arguments[0].startsWith(QLatin1String("-"))) {
    std::printf("usage: cochlex-chain-model <model-directory>\n");
    return 2;
  }
  vtkObject::GlobalWarningDisplayOff();
  QElapsedTimer clock;
  clock.start();
  QString error;
  if (!chain::writeChainModel(arguments[0], &error)) {
    std::printf("cochlex-chain-model: %s\n", qPrintable(error));
    return 1;
  }
  std::printf("Ossicular chain model written to %s in %.1f s; open it with: cochlex %s\n",
              qPrintable(arguments[0]),
              clock.elapsed() / 1000.0,
              qPrintable(arguments[0]));
  return 0;
}
