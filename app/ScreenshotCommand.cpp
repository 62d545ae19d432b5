#include "app/ScreenshotCommand.h"

#include "viewer/CochlexUI.h"
#include "viewer/Labels.h"
#include "viewer/Lessons.h"
#include "viewer/Screenshots.h"

#include "ui/RenderView.h"
#include <QAction>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QProgressBar>
#include <QRegularExpression>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

const QString screenshotOption = QStringLiteral("screenshot");
const QString sizeOption = QStringLiteral("size");
const QString labelsOption = QStringLiteral("labels");
const QString whiteOption = QStringLiteral("white");
const QString titleOption = QStringLiteral("title");
// Beyond this the picture no longer fits the graphics driver's buffers.
constexpr int largestSide = 8192;

int
failWith(const QString& problem)
{
  std::fprintf(stderr, "cochlex: %s\n", qPrintable(problem));
  std::fflush(stderr);
  return 1;
}

std::optional<QSize>
parseSize(const QString& text)
{
  const QRegularExpressionMatch match =
    QRegularExpression(QStringLiteral("^(\\d{1,5})x(\\d{1,5})$")).match(text);
  if (!match.hasMatch()) {
    return std::nullopt;
  }
  const QSize size(match.captured(1).toInt(), match.captured(2).toInt());
  if (size.width() < 1 || size.height() < 1 || size.width() > largestSide ||
      size.height() > largestSide) {
    return std::nullopt;
  }
  return size;
}

// The picture is written; a model that loaded with problems makes it incomplete, and a script
// must be able to tell. The Help and About pages are not in the picture.
int
reportIncompleteModel(const _CochlexUI& window)
{
  const LoadReport& report = window.loadReport;
  int status = 0;
  for (const std::string& problem : report.problems) {
    if (std::find(report.pageProblems.begin(), report.pageProblems.end(), problem) ==
        report.pageProblems.end()) {
      std::fprintf(stderr, "cochlex: %s\n", problem.c_str());
      status = screenshotIncompleteModel;
    }
  }
  std::fflush(stderr);
  return status;
}

} // namespace

void
addScreenshotOptions(QCommandLineParser& parser)
{
  parser.addOption({ screenshotOption,
                     QStringLiteral("Write the frontal view of the model to FILE (.png, .jpg) "
                                    "and quit, without showing a window. Needs a display "
                                    "(xvfb-run gives one). Exit status 0: written; 3: written, "
                                    "but the model is incomplete (its problems on standard "
                                    "error); 1: not written."),
                     QStringLiteral("FILE") });
  parser.addOption({ sizeOption,
                     QStringLiteral("Size of the screenshot in pixels (default 1024x768)."),
                     QStringLiteral("WxH") });
  parser.addOption({ labelsOption,
                     QStringLiteral("Label the structures in the screenshot, as View > Show "
                                    "Labels does.") });
  parser.addOption({ whiteOption,
                     QStringLiteral("Draw the screenshot on white, for print, as View > White "
                                    "Background does.") });
  parser.addOption({ titleOption,
                     QStringLiteral("Print TEXT as a title in a band above the picture, which "
                                    "keeps its size below it (one line, at most %1 characters).")
                       .arg(maximumTitleLength),
                     QStringLiteral("TEXT") });
}

bool
hasScreenshotOnlyOptions(const QCommandLineParser& parser)
{
  return parser.isSet(labelsOption) || parser.isSet(whiteOption) || parser.isSet(titleOption);
}

bool
wantsScreenshot(const QCommandLineParser& parser)
{
  return parser.isSet(screenshotOption);
}

ScreenshotRequest
screenshotRequestFrom(const QCommandLineParser& parser, const QString& modelFolder)
{
  ScreenshotRequest request;
  request.file = parser.value(screenshotOption);
  request.modelFolder = modelFolder;
  request.labels = parser.isSet(labelsOption);
  request.white = parser.isSet(whiteOption);
  request.title = parser.value(titleOption);
  if (request.file.isEmpty()) {
    request.problem = QStringLiteral("--screenshot needs a file name.");
  } else if (!isScreenshotFileName(request.file)) {
    // Told before the model is read, not after.
    request.problem = QStringLiteral("The screenshot's name must end in .png, .jpg or .jpeg: %1")
                        .arg(QDir::toNativeSeparators(request.file));
  } else if (parser.isSet(sizeOption)) {
    if (const std::optional<QSize> size = parseSize(parser.value(sizeOption))) {
      request.size = *size;
    } else {
      request.problem = QStringLiteral("--size takes WIDTHxHEIGHT in pixels, each 1 to %1, "
                                       "not \"%2\".")
                          .arg(largestSide)
                          .arg(parser.value(sizeOption));
    }
  }
  return request;
}

int
runScreenshotCommand(const ScreenshotRequest& request)
{
  if (!request.problem.isEmpty()) {
    return failWith(request.problem);
  }
  // The file name is taken as given, before the model folder becomes the working directory.
  const QString file = QFileInfo(request.file).absoluteFilePath();
  if (!request.modelFolder.isEmpty() && !QDir::setCurrent(request.modelFolder)) {
    return failWith(QStringLiteral("Cannot open the model folder %1.")
                      .arg(QDir::toNativeSeparators(request.modelFolder)));
  }

  _CochlexUI window;
  // Laid out and drawn like a shown window, but never mapped: nothing appears on the screen.
  window.setAttribute(Qt::WA_DontShowOnScreen);
  window.progressBar->setAttribute(Qt::WA_DontShowOnScreen);
  const qreal ratio = window.devicePixelRatioF();
  window.qvtkWidget->setFixedSize(
    QSize(qRound(request.size.width() / ratio), qRound(request.size.height() / ratio)));
  window.show();
  window.loadTB();
  if (window.frontActors.empty()) {
    return failWith(QStringLiteral("No teaching model could be read in %1.")
                      .arg(QDir::toNativeSeparators(QDir::currentPath())));
  }

  // Labels sized for the page the picture is printed on.
  window.labels->setForPrint(true);
  if (!request.lesson.isEmpty()) {
    // A picture without the lesson asked for would pass for the lesson's.
    const QString problem = window.lessons->showLessonFile(request.lesson);
    if (!problem.isEmpty()) {
      return failWith(problem);
    }
  }
  // The actions do all the work, as when the user chooses them. With a lesson, its view has set
  // them, and only the options given change them.
  if (request.lesson.isEmpty() || request.white) {
    window.labels->whiteBackgroundAction()->setChecked(request.white);
  }
  if (request.lesson.isEmpty() || request.labels) {
    window.labels->showLabelsAction()->setChecked(request.labels);
  }
  if (window.labels->showLabelsAction()->isChecked()) {
    window.labels->placeNow();
  }
  QImage image = renderMainView(window, 1);
  // Only a fractional device pixel ratio can leave the view a pixel off the requested size.
  if (!image.isNull() && image.size() != request.size) {
    image = image.scaled(request.size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  }
  double background[3] = { 0, 0, 0 };
  window.mainRenderer()->GetBackground(background);
  const QColor paper = QColor::fromRgbF(background[0], background[1], background[2]);
  // The lesson view's caption under the picture, as the window shows it.
  image = withTitleBand(
    withCaptionBand(image, window.lessons->shownCaption(), paper), request.title, paper);
  const QString problem = writeScreenshotFile(image, file);
  if (!problem.isEmpty()) {
    return failWith(problem);
  }
  return reportIncompleteModel(window);
}

QString
screenshotDisplayProblem(int argc, char** argv)
{
  QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
  QString display = qEnvironmentVariable("DISPLAY");
  // Qt's own options win over the environment, with one dash or two.
  for (int index = 1; index + 1 < argc; ++index) {
    const char* name = argv[index];
    name += std::strncmp(name, "--", 2) == 0 ? 2 : (name[0] == '-' ? 1 : 0);
    if (std::strcmp(name, "platform") == 0) {
      platform = QString::fromLocal8Bit(argv[index + 1]);
    } else if (std::strcmp(name, "display") == 0) {
      display = QString::fromLocal8Bit(argv[index + 1]);
    }
  }
  return screenshotDisplayProblem(platform, display);
}

QString
screenshotDisplayProblem(const QString& platform, const QString& display)
{
  const QString withXvfb = QStringLiteral("; xvfb-run cochlex --screenshot ... gives it one");
  // "offscreen:option" names the platform before the colon.
  const QString name = platform.section(QLatin1Char(':'), 0, 0).trimmed();
  if (name == QLatin1String("offscreen") || name == QLatin1String("minimal")) {
    return QStringLiteral("--screenshot needs an OpenGL display, which the %1 platform does not "
                          "give (QT_QPA_PLATFORM or -platform)%2")
      .arg(name, withXvfb);
  }
  if (name.startsWith(QLatin1String("wayland"))) {
    return qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
             ? QStringLiteral("--screenshot needs a display, and WAYLAND_DISPLAY is not set") +
                 withXvfb
             : QString();
  }
  if (!name.isEmpty() && name != QLatin1String("xcb")) {
    return {};
  }
  if (display.isEmpty()) {
    return QStringLiteral("--screenshot needs a display, and DISPLAY is not set") + withXvfb;
  }
  // Qt aborts when the display cannot be reached: ask the X server first.
  xcb_connection_t* connection = xcb_connect(display.toLocal8Bit().constData(), nullptr);
  const bool reached = xcb_connection_has_error(connection) == 0;
  xcb_disconnect(connection);
  return reached
           ? QString()
           : QStringLiteral("--screenshot cannot reach the display %1 (DISPLAY)").arg(display) +
               withXvfb;
}
