#include "fuzz/FuzzEntryPoints.h"

#include "loading/ColorFile.h"
#include "loading/LegacyPolyDataCheck.h"
#include "loading/ModelFile.h"
#include "loading/ModelManifest.h"
#include "loading/PageFile.h"
#include "loading/PageReduction.h"
#include "loading/StructureList.h"
#include "viewer/teaching/LessonFile.h"

#include <QString>

#include <vtkCell.h>
#include <vtkCellArray.h>
#include <vtkCellArrayIterator.h>
#include <vtkDataArray.h>
#include <vtkGenericCell.h>
#include <vtkLogger.h>
#include <vtkNew.h>
#include <vtkOutputWindow.h>
#include <vtkPointData.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace {

class SilentOutputWindow : public vtkOutputWindow
{
public:
  static SilentOutputWindow* New();
  vtkTypeMacro(SilentOutputWindow, vtkOutputWindow);
  void DisplayText(const char*) override {}
};
vtkStandardNewMacro(SilentOutputWindow);

// One scratch file per process, removed at exit; several fuzzers may run side by side.
class ScratchFile
{
public:
  ScratchFile()
  {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/cochlex-fuzz-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
      std::perror("cochlex fuzz: mkdtemp");
      std::abort();
    }
    directory = pattern;
    path = directory + "/input.vtk";
  }
  ~ScratchFile()
  {
    std::error_code ignored;
    std::filesystem::remove_all(directory, ignored);
  }

  // Writes the input to the scratch file, or to its name followed by suffix.
  std::string write(const std::uint8_t* data, std::size_t size, const std::string& suffix = {})
  {
    std::string written = path + suffix;
    std::ofstream file(written, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data), std::streamsize(size));
    file.close();
    if (!file) {
      std::perror("cochlex fuzz: writing the scratch file");
      std::abort();
    }
    return written;
  }

private:
  std::string directory;
  std::string path;
};

ScratchFile&
scratchFile()
{
  static ScratchFile file;
  return file;
}

std::string
asText(const std::uint8_t* data, std::size_t size)
{
  return std::string(reinterpret_cast<const char*>(data), size);
}

// Visits every cell's point ids and the points they name, as the mapper does when it builds its
// buffers; out-of-range ids show up under the address sanitizer.
double
walkCells(vtkCellArray* cells, vtkPoints* points)
{
  double sum = 0;
  if (cells == nullptr) {
    return sum;
  }
  auto iterator = vtk::TakeSmartPointer(cells->NewIterator());
  for (iterator->GoToFirstCell(); !iterator->IsDoneWithTraversal(); iterator->GoToNextCell()) {
    vtkIdType count = 0;
    const vtkIdType* ids = nullptr;
    iterator->GetCurrentCell(count, ids);
    for (vtkIdType index = 0; index < count; ++index) {
      double point[3];
      points->GetPoint(ids[index], point);
      sum += point[0] + point[1] + point[2];
    }
  }
  return sum;
}

double
walkTuples(vtkDataArray* array, vtkIdType count)
{
  double sum = 0;
  if (array == nullptr) {
    return sum;
  }
  for (vtkIdType index = 0; index < count; ++index) {
    sum += array->GetComponent(index, 0);
  }
  return sum;
}

} // namespace

void
silenceVtkOutput()
{
  vtkNew<SilentOutputWindow> silent;
  vtkOutputWindow::SetInstance(silent);
  vtkLogger::SetStderrVerbosity(vtkLogger::VERBOSITY_OFF);
}

std::string
writeScratchInput(const std::uint8_t* data, std::size_t size, const std::string& suffix)
{
  return scratchFile().write(data, size, suffix);
}

std::string
feedStructureList(const std::uint8_t* data, std::size_t size)
{
  std::istringstream input(asText(data, size));
  const StructureList list = parseStructureList(input, "/fuzz/Joint_transformed.txt");
  if (list.entries.size() > std::size_t(maximumStructureCount)) {
    std::abort();
  }
  // A path line is never kept beyond its bound, whatever the input.
  for (const StructureEntry& entry : list.entries) {
    if (entry.relativePath.size() > longestStructureListLine ||
        (entry.problem.empty() && leavesFolder(entry.relativePath))) {
      std::abort();
    }
  }
  int sliderSum = 0;
  for (const StructureEntry& entry : list.entries) {
    const int slider = transparencySliderValue(entry.opacity);
    if (slider < 0 || slider > 10) {
      std::abort();
    }
    sliderSum += slider;
  }
  return std::to_string(list.entries.size()) + " entries, sliders " + std::to_string(sliderSum) +
         (list.problem.empty() ? "" : ", problem: " + list.problem);
}

std::string
feedColorFile(const std::uint8_t* data, std::size_t size)
{
  // As the viewer reads it: from a file, bounded, every colour it hands on inside 0..1.
  const std::string path = scratchFile().write(data, size, ".color");
  const ColorRead read = readStructureColor(path.substr(0, path.size() - 6));
  for (const double value : read.color) {
    if (!(value >= 0 && value <= 1)) {
      std::abort();
    }
  }
  std::istringstream input(asText(data, size));
  const std::array<double, 3> color = parseStructureColor(input);
  return "colour " + std::to_string(color[0]) + " " + std::to_string(color[1]) + " " +
         std::to_string(color[2]) + (read.problem.empty() ? "" : ", problem: " + read.problem);
}

std::string
feedPageFile(const std::uint8_t* data, std::size_t size)
{
  const std::string path = scratchFile().write(data, size);
  const QString page = readPageFile(QString::fromStdString(path)).page;
  // Every byte but the line ends becomes one character; the reduction adds at most one break
  // mark to every 200 letters of an unbroken word.
  if (page.size() > int(size + size / 200 + 1)) {
    std::abort();
  }
  return "page of " + std::to_string(page.size()) + " characters";
}

std::string
feedPageReduction(const std::uint8_t* data, std::size_t size)
{
  // Pages are read byte by byte as Latin-1 characters.
  const QString page = QString::fromLatin1(reinterpret_cast<const char*>(data),
                                           int(std::min<std::size_t>(size, INT32_MAX)));
  PageShape small;
  small.deepestTable = 2;
  small.deepestList = 2;
  small.deepestNesting = 4;
  small.longestWord = 8;
  small.mostElements = 64;
  small.mostCharacters = 512;
  std::size_t sizes[2] = {};
  int index = 0;
  for (const PageShape& shape : { PageShape(), small }) {
    const QString reduced = reducedPage(page, shape);
    // Nothing grows but by a break opportunity per longest word; replaced tags are no longer.
    if (reduced.size() > page.size() + page.size() / shape.longestWord + 1) {
      std::abort();
    }
    sizes[index++] = std::size_t(reduced.size());
  }
  return "reduced to " + std::to_string(sizes[0]) + " and " + std::to_string(sizes[1]) +
         " characters";
}

std::string
feedLegacyCheck(const std::uint8_t* data, std::size_t size)
{
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::string problem = checkLegacyPolyData(text);
  // The first-line check on the file's first block refuses exactly what the whole check
  // refuses at the first line, with the same words.
  const std::size_t block = std::min(size, std::size_t(firstBlockBytes));
  const std::string firstLine = checkLegacyFirstLine(text.substr(0, block), block == size);
  if (!firstLine.empty() && firstLine != problem) {
    std::abort();
  }
  return problem.empty() ? std::string("accepted") : "rejected: " + problem;
}

std::string
feedSurfaceLoad(const std::uint8_t* data, std::size_t size)
{
  const std::string path = scratchFile().write(data, size);
  const auto [surface, problem] = readCheckedPolyData(path);
  if (surface == nullptr) {
    std::abort();
  }
  if (!problem.empty()) {
    // A refused file leaves nothing of itself in the surface the viewer goes on with.
    if (surface->GetNumberOfPoints() != 0 || surface->GetNumberOfCells() != 0) {
      std::abort();
    }
    return "rejected: " + problem;
  }
  vtkPoints* points = surface->GetPoints();
  const vtkIdType pointCount = points ? points->GetNumberOfPoints() : 0;
  double sum = 0;
  if (points != nullptr) {
    sum += walkCells(surface->GetVerts(), points);
    sum += walkCells(surface->GetLines(), points);
    sum += walkCells(surface->GetPolys(), points);
    sum += walkCells(surface->GetStrips(), points);
  }
  vtkPointData* pointData = surface->GetPointData();
  sum += walkTuples(pointData->GetNormals(), pointCount);
  sum += walkTuples(pointData->GetTCoords(), pointCount);
  sum += walkTuples(pointData->GetScalars(), pointCount);
  double bounds[6];
  surface->GetBounds(bounds);
  // Random access to cells builds the cell links the picker and cutters rely on.
  vtkNew<vtkGenericCell> cell;
  const vtkIdType cellCount = surface->GetNumberOfCells();
  for (vtkIdType index = 0; index < cellCount && index < 4096; ++index) {
    surface->GetCell(index, cell);
    sum += double(cell->GetNumberOfPoints());
  }
  return "accepted: " + std::to_string(pointCount) + " points, " + std::to_string(cellCount) +
         " cells" + (std::isfinite(sum) ? "" : " (non-finite coordinates)");
}

std::string
feedModelManifest(const std::uint8_t* data, std::size_t size)
{
  const ModelManifest read = parseModelManifest(asText(data, size), "cochlex-model.json");
  // What the load relies on: paths inside the folder, opacities and colours within 0..1, at
  // most the largest count of rows, every problem a line that can be shown.
  if (read.structures.size() > std::size_t(largestManifestStructureCount)) {
    std::abort();
  }
  for (const ManifestStructure& structure : read.structures) {
    if (!(structure.opacity >= 0 && structure.opacity <= 1) ||
        (!structure.relativePath.empty() && (structure.relativePath.front() != '/' ||
                                             leavesFolder(structure.relativePath.substr(1)))) ||
        structure.name.size() > longestStructureName) {
      std::abort();
    }
    for (const double value : structure.color.value_or(std::array<double, 3>{})) {
      if (!(value >= 0 && value <= 1)) {
        std::abort();
      }
    }
  }
  for (const std::string& problem : read.problems) {
    if (problem.size() > longestShownLine) {
      std::abort();
    }
  }
  return std::string(read.usable ? "usable: " : "refused: ") +
         std::to_string(read.structures.size()) + " structures, " +
         std::to_string(read.problems.size()) + " problems";
}

std::string
feedLessonFile(const std::uint8_t* data, std::size_t size)
{
  const LessonRead read = readLesson(
    QByteArray(reinterpret_cast<const char*>(data), int(std::min<std::size_t>(size, INT32_MAX))));
  if (!read.problem.isEmpty()) {
    return "refused: " + read.problem.toStdString();
  }
  // What a window would do with it: the file written again, and the model's names compared.
  const QByteArray again = lessonJson(read.lesson);
  compareStructureLists(read.lesson.structureNames, { QStringLiteral("Incus") });
  return std::to_string(read.lesson.views.size()) + " views, " + std::to_string(again.size()) +
         " bytes written back";
}

void
warmUpQt()
{
  static_cast<void>(readLesson(QByteArray("{")));
  static_cast<void>(QStringLiteral("%1").arg(0.5, 0, 'g', 17));
}
