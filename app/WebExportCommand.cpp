#include "app/WebExportCommand.h"

#include "loading/TeachingModel.h"
#include "web/WebExport.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <cstdio>

namespace {

const QString exportOption = QStringLiteral("export-web");
const QString trianglesOption = QStringLiteral("web-triangles");

int
failWith(const QString& problem)
{
  std::fprintf(stderr, "cochlex: %s\n", qPrintable(problem));
  std::fflush(stderr);
  return 1;
}

} // namespace

void
addWebExportOptions(QCommandLineParser& parser)
{
  parser.addOption({ exportOption,
                     QStringLiteral("Write the model, and the lesson given with --lesson, as one "
                                    "web page (FILE.html) that a browser opens offline, and "
                                    "quit. Needs no display. Exit status 0: written; 3: written, "
                                    "but the model is incomplete; 1: not written."),
                     QStringLiteral("FILE") });
  parser.addOption(
    { trianglesOption,
      QStringLiteral("Triangles of the whole model in the web page (default %1): the "
                     "structures are simplified to fit.")
        .arg(webexport::defaultTriangleBudget),
      QStringLiteral("N") });
}

bool
wantsWebExport(const QCommandLineParser& parser)
{
  return parser.isSet(exportOption);
}

bool
hasWebExportOnlyOptions(const QCommandLineParser& parser)
{
  return parser.isSet(trianglesOption);
}

WebExportCommandRequest
webExportRequestFrom(const QCommandLineParser& parser)
{
  WebExportCommandRequest request;
  request.triangles = webexport::defaultTriangleBudget;
  request.file = parser.value(exportOption);
  if (request.file.isEmpty()) {
    request.problem = QStringLiteral("--export-web needs a file name.");
    return request;
  }
  if (!isWebPageFileName(request.file)) {
    request.problem = QStringLiteral("The web page's name must end in .html or .htm: %1")
                        .arg(QDir::toNativeSeparators(request.file));
    return request;
  }
  request.file = QFileInfo(request.file).absoluteFilePath();
  if (parser.isSet(trianglesOption)) {
    const QString text = parser.value(trianglesOption);
    bool number = false;
    const qint64 triangles = QRegularExpression(QStringLiteral("^\\d{1,9}$")).match(text).hasMatch()
                               ? text.toLongLong(&number)
                               : 0;
    if (!number || triangles < webexport::smallestTriangleBudget ||
        triangles > webexport::largestTriangleBudget) {
      request.problem = QStringLiteral("--web-triangles takes a number from %1 to %2, not \"%3\".")
                          .arg(webexport::smallestTriangleBudget)
                          .arg(webexport::largestTriangleBudget)
                          .arg(text);
      return request;
    }
    request.triangles = triangles;
  }
  return request;
}

int
runWebExportCommand(const WebExportCommandRequest& request)
{
  if (!request.problem.isEmpty()) {
    return failWith(request.problem);
  }
  const ModelFolder folder = currentModelFolder();
  if (!folder.problem.empty()) {
    return failWith(QString::fromStdString(folder.problem));
  }
  WebExportRequest exportRequest;
  exportRequest.target = request.file;
  exportRequest.modelFolder = folder.path;
  exportRequest.lessonFile = request.lesson;
  exportRequest.triangleBudget = request.triangles;
  const WebExportResult result = exportWebPage(exportRequest);
  if (!result.problem.isEmpty()) {
    return failWith(result.problem);
  }
  std::printf("cochlex: wrote %s: %d %s, %lld triangles (of %lld), %.1f MB\n",
              qPrintable(QDir::toNativeSeparators(request.file)),
              result.views,
              result.views == 1 ? "view" : "views",
              static_cast<long long>(result.triangles),
              static_cast<long long>(result.sourceTriangles),
              double(result.pageBytes) / 1e6);
  std::fflush(stdout);
  // The page lacks what the load could not read: a script must be able to tell.
  for (const std::string& problem : result.modelProblems) {
    std::fprintf(stderr, "cochlex: %s\n", problem.c_str());
  }
  std::fflush(stderr);
  return result.modelProblems.empty() ? 0 : webExportIncompleteModel;
}
