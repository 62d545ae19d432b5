#pragma once

#include "viewer/teaching/ViewState.h"

#include <QString>

#include <optional>
#include <string>
#include <vector>

// A model and a lesson as one web page that a browser opens from a file, with nothing fetched
// from the network: the structures as an embedded binary glTF file, the lesson's views with their
// captions, the Help and About text and the structures' descriptions, and a WebGL viewer. Needs
// no window and no display.
namespace webexport {

// A page a phone opens at once: the sample model's 263,000 triangles make a page of 5.3 MB, so
// 400,000 make about 8 MB.
constexpr qint64 defaultTriangleBudget = 400000;
// Fewer than this leaves nothing recognisable of a structure; more than this no phone draws.
constexpr qint64 smallestTriangleBudget = 1000;
constexpr qint64 largestTriangleBudget = 5000000;
constexpr const char* fileSuffixes[] = { "html", "htm" };

} // namespace webexport

struct WebExportRequest
{
  QString target;          // the page to write, ending in .html or .htm
  std::string modelFolder; // the folder the model is read from
  QString lessonFile;      // a .cochlex-lesson file whose views the page shows; empty: none
  // Views given directly (the window's Views dock); used when lessonFile is empty.
  std::optional<Lesson> lesson;
  qint64 triangleBudget = webexport::defaultTriangleBudget;
};

struct WebExportResult
{
  QString problem; // one line for the user; empty when the page was written
  qint64 pageBytes = 0;
  qint64 sourceTriangles = 0; // of the loaded structures
  qint64 triangles = 0;       // in the page
  int views = 0;
  std::vector<std::string> modelProblems; // what the load met; the page leaves those parts out
};

// Whether name ends in a suffix of a web page.
bool
isWebPageFileName(const QString& name);

// Reads the model and the lesson, fits the structures into the budget and writes the page
// through a file beside the target that is renamed once complete: on any problem nothing is
// left behind and a page already there stays as it was.
WebExportResult
exportWebPage(const WebExportRequest& request);
