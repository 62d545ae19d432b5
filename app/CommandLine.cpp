#include "app/CommandLine.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

#ifndef COCHLEX_VERSION
#define COCHLEX_VERSION "unknown"
#endif

namespace {

const QString programName = QStringLiteral("cochlex");

CommandLineOutcome
exitWith(int status, const QString& message)
{
  CommandLineOutcome outcome;
  outcome.runViewer = false;
  outcome.exitStatus = status;
  outcome.message = message;
  return outcome;
}

// The toolkit reads its own options (-platform, -style, -display, ...) when the application
// object is built; they must pass here unharmed and unlisted.
void
acceptToolkitOptions(QCommandLineParser& parser)
{
  const char* const withValue[] = { "platform",
                                    "platformpluginpath",
                                    "platformtheme",
                                    "plugin",
                                    "qwindowgeometry",
                                    "geometry",
                                    "qwindowtitle",
                                    "qwindowicon",
                                    "icon",
                                    "session",
                                    "display",
                                    "name",
                                    "visual",
                                    "style",
                                    "stylesheet",
                                    "qmljsdebugger" };
  const char* const withoutValue[] = { "reverse", "widgetcount", "nograb",
                                       "dograb",  "sync",        "testability" };
  for (const char* name : withValue) {
    QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
    option.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(option);
  }
  for (const char* name : withoutValue) {
    QCommandLineOption option(QString::fromLatin1(name));
    option.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(option);
  }
}

// Empty when the folder can be the working directory, otherwise why not. The name is taken as
// the file system's bytes.
QString
folderProblem(const QByteArray& folder)
{
  struct stat status;
  if (::stat(folder.constData(), &status) != 0) {
    return QStringLiteral("does not exist");
  }
  if (!S_ISDIR(status.st_mode)) {
    return QStringLiteral("is not a folder");
  }
  // Entering a folder takes its search permission; reading the model takes its read permission.
  if (::access(folder.constData(), R_OK | X_OK) != 0) {
    return QStringLiteral("cannot be entered (permission denied)");
  }
  return QString();
}

// The bytes of the argument that decoded to text: the last such one, as the folder comes last.
QByteArray
rawArgument(const QString& text, const QList<QByteArray>& rawArguments)
{
  for (int index = rawArguments.size() - 1; index >= 1; --index) {
    if (QString::fromLocal8Bit(rawArguments[index]) == text) {
      return rawArguments[index];
    }
  }
  return QFile::encodeName(text);
}

} // namespace

CommandLineOutcome
parseCommandLine(const QStringList& arguments, const QList<QByteArray>& rawArguments)
{
  QCommandLineParser parser;
  parser.setApplicationDescription(
    QStringLiteral("Cochlex: an interactive 3-D viewer for teaching middle-ear anatomy.\n"
                   "It reads the teaching model in MODEL_FOLDER, or in the working directory "
                   "when no folder is given."));
  // One dash or two: the toolkit's own options come with one.
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  const QCommandLineOption helpOption = parser.addHelpOption();
  const QCommandLineOption versionOption = parser.addVersionOption();
  parser.addPositionalArgument(
    QStringLiteral("MODEL_FOLDER"),
    QStringLiteral("Folder of the teaching model: Joint_transformed.txt and the files it names. "
                   "It becomes the working directory."),
    QStringLiteral("[MODEL_FOLDER]"));
  acceptToolkitOptions(parser);
  addScreenshotOptions(parser);
  addWebExportOptions(parser);
  const QCommandLineOption lessonOption(
    QStringLiteral("lesson"),
    QStringLiteral("Open the lesson FILE (.cochlex-lesson) once the model has loaded; with "
                   "--screenshot, the picture shows its first view (status 1 when it cannot); "
                   "with --export-web, the page shows its views."),
    QStringLiteral("FILE"));
  parser.addOption(lessonOption);

  const QString name = arguments.isEmpty() ? programName : QFileInfo(arguments[0]).fileName();
  const QString tryHelp = QStringLiteral("Try '%1 --help' for more information.").arg(name);
  if (!parser.parse(arguments)) {
    return exitWith(2, QStringLiteral("%1: %2\n%3\n").arg(name, parser.errorText(), tryHelp));
  }
  // --help-all, which the parser adds beside --help, lists the toolkit's options as well.
  if (parser.isSet(helpOption) || parser.isSet(QStringLiteral("help-all"))) {
    return exitWith(0,
                    parser.helpText() +
                      QStringLiteral("\nThe toolkit's own options (-platform, -display, -style, "
                                     "-stylesheet, -reverse and others) are passed on to Qt.\n"));
  }
  if (parser.isSet(versionOption)) {
    return exitWith(0, QStringLiteral("%1 %2\n").arg(programName, QStringLiteral(COCHLEX_VERSION)));
  }

  const QStringList folders = parser.positionalArguments();
  if (folders.size() > 1) {
    return exitWith(2,
                    QStringLiteral("%1: one model folder at most, not %2\n%3\n")
                      .arg(name)
                      .arg(folders.size())
                      .arg(tryHelp));
  }
  if (!wantsScreenshot(parser) && hasScreenshotOnlyOptions(parser)) {
    return exitWith(2,
                    QStringLiteral("%1: --labels, --white and --title go with --screenshot\n%2\n")
                      .arg(name, tryHelp));
  }
  if (!wantsWebExport(parser) && hasWebExportOnlyOptions(parser)) {
    return exitWith(
      2, QStringLiteral("%1: --web-triangles goes with --export-web\n%2\n").arg(name, tryHelp));
  }
  if (wantsWebExport(parser) && wantsScreenshot(parser)) {
    return exitWith(2,
                    QStringLiteral("%1: --export-web and --screenshot cannot go together\n%2\n")
                      .arg(name, tryHelp));
  }
  CommandLineOutcome outcome;
  if (wantsWebExport(parser)) {
    outcome.webExport = webExportRequestFrom(parser);
  }
  if (wantsScreenshot(parser)) {
    // The folder, if any, is the working directory by the time the picture is taken; the
    // picture's name is taken as given, relative to where the program was started.
    outcome.screenshot = screenshotRequestFrom(parser, QString());
    if (!outcome.screenshot->file.isEmpty()) {
      outcome.screenshot->file = QFileInfo(outcome.screenshot->file).absoluteFilePath();
    }
  }
  if (parser.isSet(lessonOption)) {
    // Named from where the program was started, before the model folder is entered.
    outcome.lessonFile = QFileInfo(parser.value(lessonOption)).absoluteFilePath();
    // A screenshot shows the lesson's first view.
    if (outcome.screenshot) {
      outcome.screenshot->lesson = outcome.lessonFile;
    }
    if (outcome.webExport) {
      outcome.webExport->lesson = outcome.lessonFile;
    }
  }
  if (folders.isEmpty()) {
    return outcome;
  }
  const QByteArray folderBytes = rawArgument(folders[0], rawArguments);
  const QString problem = folderProblem(folderBytes);
  if (!problem.isEmpty()) {
    return exitWith(2,
                    QStringLiteral("%1: the model folder %2 %3\n").arg(name, folders[0], problem));
  }
  outcome.modelFolder = folders[0];
  outcome.modelFolderBytes = folderBytes;
  return outcome;
}

std::optional<int>
applyCommandLine(int argc,
                 char** argv,
                 std::optional<ScreenshotRequest>& screenshot,
                 QString* lessonFile,
                 std::optional<WebExportCommandRequest>* webExport)
{
  CommandLineOutcome outcome;
  {
    // A plain application object decodes the arguments as the toolkit will (locale, UTF-8);
    // it needs no display, so --help and --version work from any terminal. It is gone before
    // the viewer's own application object is built.
    QCoreApplication reader(argc, argv);
    QList<QByteArray> rawArguments;
    for (int index = 0; index < argc; ++index) {
      rawArguments << QByteArray(argv[index]);
    }
    outcome = parseCommandLine(QCoreApplication::arguments(), rawArguments);
    if (outcome.runViewer && !outcome.modelFolderBytes.isEmpty() &&
        ::chdir(outcome.modelFolderBytes.constData()) != 0) {
      outcome.runViewer = false;
      outcome.exitStatus = 2;
      outcome.message = QStringLiteral("%1: the model folder %2 cannot be entered\n")
                          .arg(programName, outcome.modelFolder);
    }
  }
  if (outcome.runViewer) {
    screenshot = outcome.screenshot;
    if (lessonFile != nullptr) {
      *lessonFile = outcome.lessonFile;
    }
    if (webExport != nullptr) {
      *webExport = outcome.webExport;
    }
    return std::nullopt;
  }
  const QByteArray text = outcome.message.toLocal8Bit();
  std::fputs(text.constData(), outcome.exitStatus == 0 ? stdout : stderr);
  std::fflush(outcome.exitStatus == 0 ? stdout : stderr);
  return outcome.exitStatus;
}
