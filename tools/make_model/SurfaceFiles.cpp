#include "tools/make_model/SurfaceFiles.h"

#include "tools/make_model/TextScanner.h"

#include <vtkCellArray.h>
#include <vtkDataArray.h>
#include <vtkIdTypeArray.h>
#include <vtkNew.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <vector>

namespace makemodel {

namespace {

SurfaceFile
failure(std::string problem)
{
  SurfaceFile result;
  result.problem = std::move(problem);
  return result;
}

std::string
tooLarge()
{
  return "is larger than " + megabytes(maximumSurfaceFileBytes);
}

std::string
tooManyTriangles()
{
  return "holds more than " + std::to_string(maximumSurfaceTriangles) + " triangles";
}

// Cells from offsets (one more than the cells, from 0) and point indices.
vtkSmartPointer<vtkPolyData>
polyData(vtkPoints* points, std::vector<vtkIdType>& offsets, std::vector<vtkIdType>& corners)
{
  vtkNew<vtkIdTypeArray> offsetArray, cornerArray;
  offsetArray->SetNumberOfValues(vtkIdType(offsets.size()));
  std::copy(offsets.begin(), offsets.end(), offsetArray->GetPointer(0));
  cornerArray->SetNumberOfValues(vtkIdType(corners.size()));
  std::copy(corners.begin(), corners.end(), cornerArray->GetPointer(0));
  offsets = {};
  corners = {};
  vtkNew<vtkCellArray> cells;
  cells->SetData(offsetArray, cornerArray);
  auto surface = vtkSmartPointer<vtkPolyData>::New();
  surface->SetPoints(points);
  surface->SetPolys(cells);
  return surface;
}

SurfaceFile
readBinaryStl(RegularFile& file, std::int64_t triangles)
{
  vtkNew<vtkPoints> points;
  points->SetDataTypeToFloat();
  points->SetNumberOfPoints(3 * triangles);
  auto* coordinates = static_cast<float*>(points->GetVoidPointer(0));
  std::vector<char> block(std::size_t(50) * 4096);
  for (std::int64_t done = 0; done < triangles;) {
    const std::int64_t count = std::min<std::int64_t>(4096, triangles - done);
    if (file.read(block.data(), 50 * count) != 50 * count) {
      return failure("is shorter than its triangle count says");
    }
    for (std::int64_t triangle = 0; triangle < count; ++triangle) {
      // The normal's 12 bytes first; little-endian floats, as every machine this runs on.
      std::memcpy(coordinates + 9 * (done + triangle), block.data() + 50 * triangle + 12, 36);
    }
    done += count;
  }
  std::vector<vtkIdType> offsets(std::size_t(triangles) + 1), corners(std::size_t(3 * triangles));
  for (std::size_t index = 0; index < offsets.size(); ++index) {
    offsets[index] = 3 * vtkIdType(index);
  }
  for (std::size_t index = 0; index < corners.size(); ++index) {
    corners[index] = vtkIdType(index);
  }
  SurfaceFile result;
  result.surface = polyData(points, offsets, corners);
  return result;
}

SurfaceFile
readAsciiStl(RegularFile& file, std::string start)
{
  TextScanner scanner(file, std::move(start));
  vtkNew<vtkPoints> points;
  points->SetDataTypeToDouble(); // a text's numbers as written, 1e300 included
  std::vector<vtkIdType> offsets{ 0 }, corners;
  std::string word;
  int inLoop = 0; // corners of the current facet
  while (scanner.word(word)) {
    if (word == "vertex") {
      double xyz[3];
      for (double& value : xyz) {
        if (!scanner.word(word) || !wordNumber(word, value)) {
          return failure("holds a vertex without three numbers");
        }
      }
      if (++inLoop > 3) {
        return failure("holds a facet with more than three corners");
      }
      if (points->GetNumberOfPoints() >= maximumSurfacePoints) {
        return failure(tooManyTriangles());
      }
      corners.push_back(points->InsertNextPoint(xyz));
    } else if (word == "endloop") {
      if (inLoop != 3) {
        return failure("holds a facet without three corners");
      }
      offsets.push_back(vtkIdType(corners.size()));
      inLoop = 0;
    }
  }
  if (scanner.tooLong() || scanner.failed()) {
    return failure(scanner.failed() ? file.problem() : "holds a word longer than 256 characters");
  }
  if (inLoop != 0) {
    return failure("ends inside a facet");
  }
  SurfaceFile result;
  result.surface = polyData(points, offsets, corners);
  return result;
}

// One corner of an OBJ face, "7", "7/2", "7//3" or "-1": its 0-based vertex, or -1 when it
// names none of the vertices so far (count) or to come (a later check sees to those).
vtkIdType
objCorner(const std::string& text, std::int64_t count)
{
  char* end = nullptr;
  const long long index = std::strtoll(text.c_str(), &end, 10);
  if (end == text.c_str() || (*end != '\0' && *end != '/') || index == 0 ||
      index > maximumSurfacePoints || index < -count) {
    return -1;
  }
  return vtkIdType(index > 0 ? index - 1 : count + index);
}

} // namespace

SurfaceFile
readStlFile(const std::string& path)
{
  RegularFile file(path);
  if (!file.isOpen()) {
    return failure(file.problem());
  }
  if (file.size() > maximumSurfaceFileBytes) {
    return failure(tooLarge());
  }
  std::string head(84, '\0');
  head.resize(std::size_t(std::max<std::int64_t>(0, file.read(head.data(), 84))));
  if (head.size() == 84) {
    std::uint32_t triangles = 0;
    std::memcpy(&triangles, head.data() + 80, 4);
    if (84 + 50 * std::int64_t(triangles) == file.size()) {
      if (triangles > maximumSurfaceTriangles) {
        return failure(tooManyTriangles());
      }
      return readBinaryStl(file, triangles);
    }
  }
  const std::size_t first = head.find_first_not_of(" \t\r\n");
  if (first != std::string::npos && head.compare(first, 5, "solid") == 0) {
    return readAsciiStl(file, head);
  }
  return failure("is neither an ASCII STL nor a binary STL of 84 + 50 bytes a triangle");
}

SurfaceFile
readObjFile(const std::string& path)
{
  RegularFile file(path);
  if (!file.isOpen()) {
    return failure(file.problem());
  }
  if (file.size() > maximumSurfaceFileBytes) {
    return failure(tooLarge());
  }
  TextScanner scanner(file);
  vtkNew<vtkPoints> points;
  points->SetDataTypeToDouble(); // a text's numbers as written, 1e300 included
  std::vector<vtkIdType> offsets{ 0 }, corners;
  std::int64_t triangles = 0;
  std::string line, word;
  for (std::int64_t number = 1; scanner.line(line); ++number) {
    std::size_t at = line.find_first_not_of(" \t");
    if (at == std::string::npos || at + 1 >= line.size() || (line[at] != 'v' && line[at] != 'f') ||
        (line[at + 1] != ' ' && line[at + 1] != '\t')) {
      continue; // normals, texture coordinates, groups, materials: not needed
    }
    const bool vertex = line[at] == 'v';
    std::vector<std::string> words;
    for (at += 2; (at = line.find_first_not_of(" \t", at)) != std::string::npos;) {
      const std::size_t end = std::min(line.find_first_of(" \t", at), line.size());
      words.push_back(line.substr(at, end - at));
      at = end;
    }
    const std::string where = "line " + std::to_string(number) + ": ";
    if (vertex) {
      double xyz[3];
      if (words.size() < 3 || !wordNumber(words[0], xyz[0]) || !wordNumber(words[1], xyz[1]) ||
          !wordNumber(words[2], xyz[2])) {
        return failure(where + "a vertex without three numbers");
      }
      if (points->GetNumberOfPoints() >= maximumSurfacePoints) {
        return failure("holds more than " + std::to_string(maximumSurfacePoints) + " vertices");
      }
      points->InsertNextPoint(xyz);
      continue;
    }
    if (words.size() < 3) {
      continue; // a point or an edge, not a face
    }
    triangles += std::int64_t(words.size()) - 2;
    if (triangles > maximumSurfaceTriangles) {
      return failure(tooManyTriangles());
    }
    for (const std::string& corner : words) {
      const vtkIdType index = objCorner(corner, points->GetNumberOfPoints());
      if (index < 0) {
        return failure(where + "a face names vertex " + corner.substr(0, 20) +
                       ", which the file does not hold");
      }
      corners.push_back(index);
    }
    offsets.push_back(vtkIdType(corners.size()));
  }
  if (scanner.tooLong() || scanner.failed()) {
    return failure(scanner.failed() ? file.problem() : "holds a line longer than 64 KiB");
  }
  // Faces may name vertices listed after them.
  for (vtkIdType index : corners) {
    if (index >= points->GetNumberOfPoints()) {
      return failure("a face names vertex " + std::to_string(index + 1) + " of " +
                     std::to_string(points->GetNumberOfPoints()));
    }
  }
  SurfaceFile result;
  result.surface = polyData(points, offsets, corners);
  return result;
}

std::optional<PatientFrame>
frameNamedIn(const std::string& text)
{
  std::string lower = text;
  for (char& character : lower) {
    character = char(std::tolower(static_cast<unsigned char>(character)));
  }
  for (std::size_t at = lower.find("space="); at != std::string::npos;
       at = lower.find("space=", at + 1)) {
    const std::string name = lower.substr(at + 6, 3);
    if (name == "ras") {
      return PatientFrame::Ras;
    }
    if (name == "lps") {
      return PatientFrame::Lps;
    }
  }
  return std::nullopt;
}

std::string
vtpHeaderProblem(const std::string& path)
{
  RegularFile file(path);
  if (!file.isOpen()) {
    return file.problem();
  }
  if (file.size() > maximumSurfaceFileBytes) {
    return tooLarge();
  }
  // The pieces' counts come before their data; appended data starts after this much text.
  std::string head(std::size_t(std::min<std::int64_t>(file.size(), 1 << 20)), '\0');
  head.resize(std::size_t(std::max<std::int64_t>(0, file.read(head.data(), head.size()))));
  head = head.substr(0, head.find("<AppendedData"));
  const std::size_t top = head.find("<VTKFile");
  const bool compressed =
    top != std::string::npos &&
    head.substr(top, head.find('>', top) - top).find("compressor") != std::string::npos;
  double points = 0, cells = 0;
  for (std::size_t at = head.find("<Piece"); at != std::string::npos;
       at = head.find("<Piece", at + 1)) {
    const std::string tag = head.substr(at, head.find('>', at) - at);
    for (const char* name : { "NumberOfPoints",
                              "NumberOfVerts",
                              "NumberOfLines",
                              "NumberOfStrips",
                              "NumberOfPolys" }) {
      const std::size_t attribute = tag.find(std::string(name) + "=\"");
      if (attribute == std::string::npos) {
        continue;
      }
      char* end = nullptr;
      const char* value = tag.c_str() + attribute + std::strlen(name) + 2;
      const double count = std::strtod(value, &end);
      if (end == value || !(count >= 0)) {
        return std::string("declares a bad ") + name;
      }
      (std::strcmp(name, "NumberOfPoints") == 0 ? points : cells) += count;
    }
  }
  if (points > double(maximumSurfacePoints)) {
    return "declares more than " + std::to_string(maximumSurfacePoints) + " points";
  }
  if (cells > double(maximumSurfaceTriangles)) {
    return "declares more than " + std::to_string(maximumSurfaceTriangles) + " cells";
  }
  // Uncompressed, a coordinate takes at least a byte in any encoding, and so does a cell.
  if (!compressed && 3 * points + cells > double(file.size())) {
    return "declares more points and cells than its " + std::to_string(file.size()) +
           " bytes can hold";
  }
  return {};
}

std::string
surfaceProblem(vtkPolyData* surface)
{
  const vtkIdType pointCount = surface->GetNumberOfPoints();
  if (pointCount > maximumSurfacePoints) {
    return "holds more than " + std::to_string(maximumSurfacePoints) + " points";
  }
  if (vtkPoints* points = surface->GetPoints()) {
    for (vtkIdType point = 0; point < pointCount; ++point) {
      double xyz[3];
      points->GetPoint(point, xyz);
      for (double value : xyz) {
        if (!std::isfinite(value)) {
          return "holds a point that is not a finite number (point " + std::to_string(point) + ")";
        }
        if (std::abs(value) > largestCoordinate) {
          return "holds a point more than a kilometre (10^6 mm) from its origin";
        }
      }
    }
  }
  for (vtkCellArray* cells :
       { surface->GetVerts(), surface->GetLines(), surface->GetPolys(), surface->GetStrips() }) {
    if (!cells) {
      continue;
    }
    vtkDataArray* offsets = cells->GetOffsetsArray();
    vtkDataArray* corners = cells->GetConnectivityArray();
    const vtkIdType offsetCount = offsets ? offsets->GetNumberOfValues() : 0;
    const vtkIdType cornerCount = corners ? corners->GetNumberOfValues() : 0;
    double previous = 0;
    for (vtkIdType index = 0; index < offsetCount; ++index) {
      const double offset = offsets->GetComponent(index, 0);
      if (!(offset >= previous && offset <= double(cornerCount)) || (index == 0 && offset != 0)) {
        return "holds damaged cells (their offsets out of order)";
      }
      previous = offset;
    }
    if (offsetCount > 0 && previous != double(cornerCount)) {
      return "holds damaged cells (their offsets out of order)";
    }
    for (vtkIdType index = 0; index < cornerCount; ++index) {
      const double corner = corners->GetComponent(index, 0);
      if (!(corner >= 0 && corner < double(pointCount))) {
        return "holds a cell that names point " + std::to_string(std::llround(corner)) + " of " +
               std::to_string(pointCount);
      }
    }
  }
  return {};
}

} // namespace makemodel
