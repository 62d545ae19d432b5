#pragma once

#include "web/WebExport.h"

#include <QString>

#include <optional>

class QCommandLineParser;

// The lesson as one web page, written from the command line without a display:
//   cochlex --export-web FILE.html [--lesson LESSON] [--web-triangles N] [MODEL_FOLDER]
struct WebExportCommandRequest
{
  QString file;   // absolute, named from where the program was started
  QString lesson; // absolute; empty: the page shows the model's start view
  qint64 triangles = webexport::defaultTriangleBudget; // of the whole model
  QString problem; // an unusable option value; nothing is read or written then
};

void
addWebExportOptions(QCommandLineParser& parser);

bool
wantsWebExport(const QCommandLineParser& parser);

// Whether it gives options that only the export takes.
bool
hasWebExportOnlyOptions(const QCommandLineParser& parser);

WebExportCommandRequest
webExportRequestFrom(const QCommandLineParser& parser);

// Exit status of a page written from a model that loaded with problems, as for a screenshot.
constexpr int webExportIncompleteModel = 3;

// Reads the model in the working directory and writes the page. Returns the exit status: 0 when
// it was written (one line on standard output), 3 when it was written but the model had problems
// (each on standard error), otherwise 1 after one line on standard error.
int
runWebExportCommand(const WebExportCommandRequest& request);
