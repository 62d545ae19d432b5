#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

#include <optional>

class QCommandLineParser;

// A picture of the frontal view written from the command line:
//   cochlex --screenshot FILE [--size WxH] [--labels] [--white] [--title TEXT] [--lesson FILE]
//           [MODEL_FOLDER]
struct ScreenshotRequest
{
  QString file;                       // PNG or JPEG, by its ending
  QSize size = defaultScreenshotSize; // of the picture, in pixels
  QString modelFolder;                // empty: the working directory
  bool labels = false;                // the structures' names, as View > Show Labels
  bool white = false;                 // on white, as View > White Background
  QString title;                      // printed above the picture (--title), or empty
  QString lesson;                     // a lesson whose first view is drawn (--lesson), or empty
  QString problem;                    // an unusable option value; nothing is written then

  static constexpr QSize defaultScreenshotSize{ 1024, 768 };
};

// The options of the screenshot command, for the program's command-line parser.
void
addScreenshotOptions(QCommandLineParser& parser);

// Whether the parsed command line asks for a screenshot.
bool
wantsScreenshot(const QCommandLineParser& parser);

// Whether it gives options that only a screenshot takes.
bool
hasScreenshotOnlyOptions(const QCommandLineParser& parser);

// The request from a parser that has parsed the arguments, and the model folder it was given.
ScreenshotRequest
screenshotRequestFrom(const QCommandLineParser& parser, const QString& modelFolder);

// Exit status of a picture written from a model that loaded with problems.
constexpr int screenshotIncompleteModel = 3;

// Loads the teaching model into a Viewer window that never appears on screen, draws its
// frontal view at the requested size and writes it. Returns the exit status: 0 when the file
// was written, 3 when it was written but the model had problems (each on standard error),
// otherwise 1 after one line on standard error.
int
runScreenshotCommand(const ScreenshotRequest& request);

// Empty when the window system Qt is about to use can draw the OpenGL view, otherwise one line
// naming what is missing. Asked before the application object exists: without a display Qt
// aborts, and its offscreen platform gives no OpenGL and crashes in the first render.
QString
screenshotDisplayProblem(int argc, char** argv);

// The same for a platform name (the -platform option or QT_QPA_PLATFORM, empty for Qt's
// default) and a display name (the -display option or DISPLAY); connects to an X display.
QString
screenshotDisplayProblem(const QString& platform, const QString& display);
