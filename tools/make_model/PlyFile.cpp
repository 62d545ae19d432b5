// PLY surfaces, ASCII and binary. Every value of every element the header declares is read in
// turn, so the counts are checked against the bytes really there and the memory follows the
// vertices and faces read, not the counts a header claims.

#include "tools/make_model/SurfaceFiles.h"

#include "tools/make_model/TextScanner.h"

#include <vtkCellArray.h>
#include <vtkIdTypeArray.h>
#include <vtkNew.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <sstream>
#include <vector>

namespace makemodel {

namespace {

struct Property
{
  bool list = false;
  int countSize = 0;  // bytes of a list's count
  char countKind = 0; // 'i' signed, 'u' unsigned, 'f' floating point
  int valueSize = 0;  // bytes of a value
  char valueKind = 0;
  std::string name;
};

struct Element
{
  std::string name;
  std::int64_t count = 0;
  std::vector<Property> properties;
};

bool
typeOf(const std::string& name, int& size, char& kind)
{
  static const std::map<std::string, std::pair<int, char>> types = {
    { "char", { 1, 'i' } },    { "int8", { 1, 'i' } },    { "uchar", { 1, 'u' } },
    { "uint8", { 1, 'u' } },   { "short", { 2, 'i' } },   { "int16", { 2, 'i' } },
    { "ushort", { 2, 'u' } },  { "uint16", { 2, 'u' } },  { "int", { 4, 'i' } },
    { "int32", { 4, 'i' } },   { "uint", { 4, 'u' } },    { "uint32", { 4, 'u' } },
    { "float", { 4, 'f' } },   { "float32", { 4, 'f' } }, { "double", { 8, 'f' } },
    { "float64", { 8, 'f' } },
  };
  const auto found = types.find(name);
  if (found == types.end()) {
    return false;
  }
  size = found->second.first;
  kind = found->second.second;
  return true;
}

// The values of the data part, as text words or binary numbers of either byte order.
class PlyValues
{
public:
  PlyValues(TextScanner& scanner, int format)
    : scanner(scanner)
    , format(format)
  {
  }

  bool next(int size, char kind, double& value)
  {
    if (format == 0) {
      return scanner.word(word, 64) && wordNumber(word, value);
    }
    unsigned char bytes[8];
    if (!scanner.bytes(bytes, std::size_t(size))) {
      return false;
    }
    if (format == 2) { // big-endian, on a little-endian machine
      std::reverse(bytes, bytes + size);
    }
    std::uint64_t bits = 0;
    std::memcpy(&bits, bytes, std::size_t(size));
    if (kind == 'f') {
      value = size == 4 ? double(floatFrom(bits)) : doubleFrom(bits);
    } else if (kind == 'u') {
      value = double(bits);
    } else {
      const int shift = 64 - 8 * size;
      value = double(std::int64_t(bits << shift) >> shift);
    }
    return true;
  }

private:
  static float floatFrom(std::uint64_t bits)
  {
    const auto word32 = std::uint32_t(bits);
    float value;
    std::memcpy(&value, &word32, 4);
    return value;
  }
  static double doubleFrom(std::uint64_t bits)
  {
    double value;
    std::memcpy(&value, &bits, 8);
    return value;
  }

  TextScanner& scanner;
  int format; // 0 ASCII, 1 binary little-endian, 2 binary big-endian
  std::string word;
};

SurfaceFile
failure(std::string problem)
{
  SurfaceFile result;
  result.problem = std::move(problem);
  return result;
}

} // namespace

SurfaceFile
readPlyFile(const std::string& path)
{
  RegularFile file(path);
  if (!file.isOpen()) {
    return failure(file.problem());
  }
  if (file.size() > maximumSurfaceFileBytes) {
    return failure("is larger than " + megabytes(maximumSurfaceFileBytes));
  }
  // The header: at most 64 KiB of lines up to "end_header".
  std::string head(std::size_t(std::min<std::int64_t>(file.size(), 65536)), '\0');
  head.resize(std::size_t(std::max<std::int64_t>(0, file.read(head.data(), head.size()))));
  const std::size_t end = head.find("end_header");
  const std::size_t dataStart = end == std::string::npos ? end : head.find('\n', end);
  if (head.compare(0, 3, "ply") != 0 || dataStart == std::string::npos) {
    return failure(R"(is not a PLY file with a header of at most 64 KiB ("ply" ... "end_header"))");
  }
  std::istringstream lines(head.substr(0, dataStart));
  std::vector<Element> elements;
  int format = -1;
  for (std::string line; std::getline(lines, line);) {
    std::istringstream words(line);
    std::string keyword, first, second, third;
    words >> keyword >> first >> second >> third;
    if (keyword == "format") {
      format = first == "ascii"                  ? 0
               : first == "binary_little_endian" ? 1
               : first == "binary_big_endian"    ? 2
                                                 : -1;
    } else if (keyword == "element") {
      Element element;
      element.name = first;
      char* stop = nullptr;
      element.count = std::strtoll(second.c_str(), &stop, 10);
      if (second.empty() || *stop != '\0' || element.count < 0 ||
          element.count > maximumSurfacePoints) {
        return failure("declares " + second.substr(0, 20) + " " + first.substr(0, 20) +
                       " elements (at most " + std::to_string(maximumSurfacePoints) + ")");
      }
      elements.push_back(element);
    } else if (keyword == "property" && !elements.empty()) {
      Property property;
      property.list = first == "list";
      const bool known = property.list ? typeOf(second, property.countSize, property.countKind) &&
                                           typeOf(third, property.valueSize, property.valueKind)
                                       : typeOf(first, property.valueSize, property.valueKind);
      if (!known || (property.list && property.countKind == 'f')) {
        return failure("has a property of unknown type: " + line.substr(0, 80));
      }
      property.name = property.list ? "" : second;
      words >> property.name;
      elements.back().properties.push_back(property);
    }
  }
  if (format < 0) {
    return failure("names no PLY format (ascii, binary_little_endian, binary_big_endian)");
  }
  TextScanner scanner(file, head.substr(dataStart + 1));
  PlyValues values(scanner, format);
  vtkNew<vtkPoints> points;
  points->SetDataTypeToDouble(); // a text's numbers as written, 1e300 included
  std::vector<vtkIdType> offsets{ 0 }, corners;
  std::int64_t vertices = 0, triangles = 0;
  for (const Element& element : elements) {
    if (element.properties.empty() && element.count > 0) {
      return failure("declares " + element.name.substr(0, 20) + " elements without properties");
    }
    const bool isVertex = element.name == "vertex", isFace = element.name == "face";
    if (isVertex) {
      vertices = element.count;
    }
    for (std::int64_t item = 0; item < element.count; ++item) {
      double xyz[3] = { 0, 0, 0 };
      for (const Property& property : element.properties) {
        double value = 0;
        if (!property.list) {
          if (!values.next(property.valueSize, property.valueKind, value)) {
            return failure("is shorter than its header says, or holds a word that is no number");
          }
          if (isVertex && property.name.size() == 1 && property.name[0] >= 'x' &&
              property.name[0] <= 'z') {
            xyz[property.name[0] - 'x'] = value;
          }
          continue;
        }
        double count = 0;
        if (!values.next(property.countSize, property.countKind, count) ||
            !(count >= 0 && count <= 65536) || std::floor(count) != count) {
          return failure("holds a list of a bad length, or is shorter than its header says");
        }
        const bool indices =
          isFace && (property.name == "vertex_indices" || property.name == "vertex_index");
        for (int corner = 0; corner < int(count); ++corner) {
          if (!values.next(property.valueSize, property.valueKind, value)) {
            return failure("is shorter than its header says, or holds a word that is no number");
          }
          if (indices && !(value >= 0 && value < double(vertices))) {
            const bool whole = value >= -1e18 && value <= 1e18;
            return failure("holds a face that names vertex " +
                           (whole ? std::to_string(std::llround(value)) : "out of range") + " of " +
                           std::to_string(vertices));
          }
          if (indices) {
            corners.push_back(vtkIdType(value));
          }
        }
        if (indices && count >= 3) {
          triangles += std::int64_t(count) - 2;
          if (triangles > maximumSurfaceTriangles) {
            return failure("holds more than " + std::to_string(maximumSurfaceTriangles) +
                           " triangles");
          }
          offsets.push_back(vtkIdType(corners.size()));
        } else if (indices) {
          corners.resize(std::size_t(offsets.back())); // a point or an edge, not a face
        }
      }
      if (isVertex) {
        points->InsertNextPoint(xyz);
      }
    }
  }
  if (scanner.failed()) {
    return failure(file.problem());
  }
  vtkNew<vtkIdTypeArray> offsetArray, cornerArray;
  offsetArray->SetNumberOfValues(vtkIdType(offsets.size()));
  std::copy(offsets.begin(), offsets.end(), offsetArray->GetPointer(0));
  cornerArray->SetNumberOfValues(vtkIdType(corners.size()));
  std::copy(corners.begin(), corners.end(), cornerArray->GetPointer(0));
  vtkNew<vtkCellArray> cells;
  cells->SetData(offsetArray, cornerArray);
  SurfaceFile result;
  result.surface = vtkSmartPointer<vtkPolyData>::New();
  result.surface->SetPoints(points);
  result.surface->SetPolys(cells);
  return result;
}

} // namespace makemodel
