#pragma once

#include "app/ScreenshotCommand.h"
#include "app/WebExportCommand.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// What the command line asks for: a viewer on a model folder, or an answer and an exit.
struct CommandLineOutcome
{
  bool runViewer = true;
  // The folder to make the working directory before anything is read; empty: keep the
  // working directory the program was started in.
  QString modelFolder;
  // The same as the file system names it: a name that is not UTF-8 does not survive a QString.
  QByteArray modelFolderBytes;
  // Without a viewer: the exit status, and the text for standard output (status 0) or
  // standard error (any other status).
  int exitStatus = 0;
  QString message;
  // Set when the command line asks for a picture of the frontal view instead of a window.
  std::optional<ScreenshotRequest> screenshot;
  // Set when the command line asks for the lesson as a web page instead of a window.
  std::optional<WebExportCommandRequest> webExport;
  // A lesson to open once the model has loaded (--lesson FILE), made absolute against the folder
  // the program was started in; empty: none.
  QString lessonFile;
};

// Reads the arguments, the program's name first, and checks that a model folder given can be
// entered. Needs no display, but an application object (a plain QCoreApplication will do): the
// help text names the program from it. rawArguments, when given, are the same arguments as the
// system passed them: the folder is taken from them byte for byte.
CommandLineOutcome
parseCommandLine(const QStringList& arguments, const QList<QByteArray>& rawArguments = {});

// The start-up's use of the above: prints the answer and returns the exit status when the
// program should end at once; otherwise enters the model folder, hands on a screenshot request
// and returns nothing; lessonFile, when given, receives the lesson to open, and webExport a web
// page export asked for. Runs before the application object exists.
std::optional<int>
applyCommandLine(int argc,
                 char** argv,
                 std::optional<ScreenshotRequest>& screenshot,
                 QString* lessonFile = nullptr,
                 std::optional<WebExportCommandRequest>* webExport = nullptr);
