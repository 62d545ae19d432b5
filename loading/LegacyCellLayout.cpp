// The structure walk of the legacy surface check: the version line, title, ASCII or BINARY,
// "DATASET POLYDATA", then every section with its declared counts, each array's values and the
// METADATA block that may follow it, checked against what the file really holds.

#include "loading/LegacyArrayCheck.h"
#include "loading/LegacyPolyDataCheck.h"
#include "loading/LegacyScanner.h"

#include <algorithm>
#include <cctype>

namespace legacy {

std::string
firstLineProblem(std::string_view first, bool whole, int& majorVersion)
{
  const std::string_view prefix = "# vtk DataFile Version";
  if (first.substr(0, prefix.size()) != prefix.substr(0, std::min(prefix.size(), first.size())) ||
      (whole && first.size() < prefix.size())) {
    return "it is not a VTK legacy data file (its first line does not begin with \"# vtk "
           "DataFile Version\")";
  }
  if (whole && !versionLine(first.substr(prefix.size()), majorVersion)) {
    return "its version line is malformed";
  }
  return {};
}

namespace {

class Walker
{
public:
  explicit Walker(std::string_view contents)
    : scanner(contents)
  {
  }

  std::string run();

private:
  std::string walk();
  std::string header();
  std::string array(const std::string& what,
                    const std::string& type,
                    Count tuples,
                    Count components,
                    bool metadataMayFollow = true)
  {
    return checkArray(scanner, binary, what, type, tuples, components, metadataMayFollow);
  }
  std::string legacyCells(const std::string& what);
  std::string cells(const std::string& what);
  std::string field(const std::string& what);
  std::string attributes(std::string keyword);
  std::string attribute(const std::string& keyword, const std::string& where, Count tuples);

  Scanner scanner;
  bool binary = false;
  int majorVersion = 0;
  Count pointCount = 0;
  Count cellCount = 0;
};

std::string
Walker::header()
{
  std::string_view first;
  if (!scanner.line(first)) {
    return "the file is empty";
  }
  if (std::string problem = firstLineProblem(first, true, majorVersion); !problem.empty()) {
    return problem;
  }

  std::string_view title;
  if (!scanner.line(title)) {
    return "it ends after the version line";
  }
  const std::string format = lowerCase(scanner.word());
  if (format == "binary") {
    binary = true;
  } else if (format != "ascii") {
    return "its format is neither ASCII nor BINARY";
  }
  if (lowerCase(scanner.word()) != "dataset") {
    return "it does not declare a dataset";
  }
  if (lowerCase(scanner.word()) != "polydata") {
    return "it does not hold polygonal data (DATASET POLYDATA)";
  }
  return {};
}

// Before file version 5 a cell array is a flat list: point count, then that many point ids.
// The reader converts it without checking, so the list is walked here.
std::string
Walker::legacyCells(const std::string& what)
{
  Count cells = 0;
  Count size = 0;
  if (!scanner.count(cells) || !scanner.count(size)) {
    return what + " has a malformed header";
  }
  std::string tooShort =
    what + " declares " + std::to_string(size) + " values, more than the file holds";
  Count walked = 0;
  Count index = 0;
  auto next = [&](std::int64_t& value) {
    if (binary) {
      const unsigned char* bytes = scanner.bytes();
      value = std::int32_t(std::uint32_t(bytes[0]) << 24 | std::uint32_t(bytes[1]) << 16 |
                           std::uint32_t(bytes[2]) << 8 | std::uint32_t(bytes[3]));
      scanner.skipBytes(4);
      return true;
    }
    return scanner.integer(value);
  };
  if (binary) {
    if (!scanner.skipRestOfLine()) {
      return what + " has more than 255 characters between its header and its data";
    }
    if (size > scanner.remaining() / 4) {
      return tooShort;
    }
  } else if (size > 0 && size - 1 > scanner.remaining() / 2) {
    return tooShort;
  }
  while (index < size) {
    std::int64_t points = 0;
    if (!next(points)) {
      return what + " holds a value that is not a number";
    }
    ++index;
    if (points < 0 || Count(points) > size - index) {
      return what + " has a cell whose size does not fit the list";
    }
    for (std::int64_t point = 0; point < points; ++point, ++index) {
      std::int64_t id = 0;
      if (!next(id)) {
        return what + " holds a value that is not a number";
      }
      if (id < 0 || Count(id) >= pointCount) {
        return what + " refers to point " + std::to_string(id) + ", but there are only " +
               std::to_string(pointCount) + " points";
      }
    }
    ++walked;
  }
  if (walked != cells) {
    return what + " declares " + std::to_string(cells) + " cells but lists " +
           std::to_string(walked);
  }
  cellCount += cells;
  return {};
}

std::string
Walker::cells(const std::string& what)
{
  if (majorVersion < 5) {
    return legacyCells(what);
  }
  Count offsets = 0;
  Count connectivity = 0;
  if (!scanner.count(offsets) || !scanner.count(connectivity)) {
    return what + " has a malformed header";
  }
  if (offsets == 0) {
    return {};
  }
  if (lowerCase(scanner.word()) != "offsets") {
    return what + " lacks its OFFSETS";
  }
  std::string problem = array(what + " OFFSETS", lowerCase(scanner.word()), offsets, 1);
  if (!problem.empty()) {
    return problem;
  }
  if (lowerCase(scanner.word()) != "connectivity") {
    return what + " lacks its CONNECTIVITY";
  }
  problem = array(what + " CONNECTIVITY", lowerCase(scanner.word()), connectivity, 1);
  if (problem.empty()) {
    cellCount += offsets - 1;
  }
  return problem;
}

// A FIELD section, for the whole surface or within point or cell data; its name has been read.
std::string
Walker::field(const std::string& what)
{
  Count arrays = 0;
  if (!scanner.count(arrays, intLimit)) {
    return what + " has a malformed header";
  }
  for (Count index = 0; index < arrays; ++index) {
    const std::string_view name = scanner.word();
    if (name.empty()) {
      return what + " ends before its arrays";
    }
    if (name == "NULL_ARRAY") {
      continue;
    }
    if (!escapesAreWhole(name)) {
      return what + " has a malformed array name \"" + printable(name) + "\"";
    }
    Count components = 0;
    Count tuples = 0;
    if (!scanner.count(components) || !scanner.count(tuples)) {
      return what + " has a malformed array header";
    }
    std::string problem =
      array(what + " array " + std::string(name), lowerCase(scanner.word()), tuples, components);
    if (!problem.empty()) {
      return problem;
    }
  }
  return {};
}

// POINT_DATA or CELL_DATA and what follows. The reader goes from one to the other by calling
// itself, so a file that switches back and forth could exhaust its stack: each may come once.
std::string
Walker::attributes(std::string keyword)
{
  bool seenPointData = false;
  bool seenCellData = false;
  while (true) {
    const bool points = keyword == "point_data";
    const std::string section = points ? "POINT_DATA" : "CELL_DATA";
    if (points ? seenPointData : seenCellData) {
      return section + " comes twice";
    }
    (points ? seenPointData : seenCellData) = true;
    Count declared = 0;
    if (!scanner.count(declared)) {
      return keyword + " has a malformed count";
    }
    if (declared != (points ? pointCount : cellCount)) {
      return section + " does not match the number of " + (points ? "points" : "cells");
    }
    while (true) {
      keyword = lowerCase(scanner.word());
      if (keyword.empty()) {
        return {};
      }
      if (keyword == "point_data" || keyword == "cell_data") {
        break;
      }
      std::string what = section;
      what.append(" ").append(keyword);
      std::string problem = attribute(keyword, what, declared);
      if (!problem.empty()) {
        return problem;
      }
    }
  }
}

// One attribute of point or cell data, from its name on; tuples is the number of points or
// cells it describes.
std::string
Walker::attribute(const std::string& keyword, const std::string& what, Count tuples)
{
  const std::string_view name = scanner.word();
  if (name.empty()) {
    return what + " ends early";
  }
  if (keyword == "field") {
    return field(what);
  }
  if (keyword == "lookup_table") {
    Count entries = 0;
    if (!scanner.count(entries, intLimit)) {
      return what + " has a malformed size";
    }
    return array(what, binary ? "unsigned_char" : "float", entries, 4, false);
  }
  // The reader decodes the names of all other attributes.
  if (!escapesAreWhole(name)) {
    return what + " has a malformed name \"" + printable(name) + "\"";
  }
  if (keyword == "scalars") {
    const std::string type = lowerCase(scanner.word());
    std::string key = lowerCase(scanner.word());
    Count components = 1;
    if (key != "lookup_table") {
      if (!wholeCount(key, components, intLimit) || components < 1) {
        return what + " has a malformed number of components";
      }
      key = lowerCase(scanner.word());
    }
    if (key != "lookup_table" || scanner.word().empty()) {
      return what + " lacks its LOOKUP_TABLE";
    }
    return array(what, type, tuples, components);
  }
  if (keyword == "color_scalars") {
    Count components = 0;
    if (!scanner.count(components, intLimit) || components < 1) {
      return what + " has a malformed number of components";
    }
    return array(what, binary ? "unsigned_char" : "float", tuples, components);
  }
  if (keyword == "texture_coordinates") {
    Count dimension = 0;
    if (!scanner.count(dimension) || dimension < 1 || dimension > 3) {
      return what + " has a malformed dimension";
    }
    return array(what, lowerCase(scanner.word()), tuples, dimension);
  }
  Count components = 0;
  if (keyword == "vectors" || keyword == "normals") {
    components = 3;
  } else if (keyword == "tensors6") {
    components = 6;
  } else if (keyword == "tensors") {
    components = 9;
  } else if (keyword == "global_ids" || keyword == "pedigree_ids" || keyword == "edge_flags") {
    components = 1;
  } else {
    return what.substr(0, what.find(' ')) + " has an unknown section \"" + printable(keyword) +
           "\"";
  }
  return array(what, lowerCase(scanner.word()), tuples, components);
}

std::string
Walker::run()
{
  std::string problem = walk();
  if (problem.empty() && scanner.sawOverlongWord()) {
    return "it holds a word longer than 255 characters";
  }
  return problem;
}

std::string
Walker::walk()
{
  std::string problem = header();
  if (!problem.empty()) {
    return problem;
  }
  while (true) {
    const std::string keyword = lowerCase(scanner.word());
    if (keyword.empty()) {
      return {};
    }
    if (keyword == "points") {
      Count points = 0;
      if (!scanner.count(points)) {
        return "POINTS has a malformed count";
      }
      problem = array("POINTS", lowerCase(scanner.word()), points, 3);
      pointCount = points;
    } else if (keyword == "vertices" || keyword == "lines" || keyword == "polygons" ||
               keyword == "triangle_strips") {
      std::string what = keyword;
      for (char& character : what) {
        character = char(std::toupper(static_cast<unsigned char>(character)));
      }
      problem = cells(what);
    } else if (keyword == "field") {
      problem = scanner.word().empty() ? "FIELD has a malformed header" : field("FIELD");
    } else if (keyword == "point_data" || keyword == "cell_data") {
      return attributes(keyword);
    } else {
      return "it has an unknown section \"" + printable(keyword) + "\"";
    }
    if (!problem.empty()) {
      return problem;
    }
  }
}

} // namespace
} // namespace legacy

std::string
checkLegacyPolyData(std::string_view contents)
{
  return legacy::Walker(contents).run();
}

std::string
checkLegacyFirstLine(std::string_view start, bool wholeFile)
{
  if (start.empty()) {
    return wholeFile ? "the file is empty" : std::string();
  }
  const std::size_t end = start.find('\n');
  std::string_view first = start.substr(0, end);
  const bool whole = end != std::string_view::npos || wholeFile;
  if (whole && !first.empty() && first.back() == '\r') {
    first.remove_suffix(1);
  }
  int majorVersion = 0;
  return legacy::firstLineProblem(first, whole, majorVersion);
}
