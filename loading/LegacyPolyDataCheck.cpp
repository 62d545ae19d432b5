#include "loading/LegacyPolyDataCheck.h"
#include "loading/PlainFile.h"

#include <vtkCallbackCommand.h>
#include <vtkCellArray.h>
#include <vtkCellData.h>
#include <vtkCommand.h>
#include <vtkDataArray.h>
#include <vtkNew.h>
#include <vtkPointData.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkPolyDataReader.h>

#include <cctype>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <sstream>

namespace {

using Count = std::uint64_t;

std::string
lowerCase(std::string_view text)
{
  std::string result(text);
  for (char& character : result) {
    character = char(std::tolower(static_cast<unsigned char>(character)));
  }
  return result;
}

// A word from the file made safe to print: printable characters only, shortened.
std::string
printable(std::string_view word, std::size_t length = 24)
{
  std::string result;
  for (char character : word.substr(0, length)) {
    result += std::isprint(static_cast<unsigned char>(character)) ? character : '?';
  }
  if (word.size() > length) {
    result += "...";
  }
  return result;
}

bool
isSpace(char character)
{
  return character == ' ' || character == '\n' || character == '\r' || character == '\t' ||
         character == '\v' || character == '\f';
}

// Reads the file the way VTK's legacy reader consumes it: words separated by white space,
// binary blocks that start after the end of their header line.
class Scanner
{
public:
  explicit Scanner(std::string_view text)
    : text(text)
  {
  }

  bool atEnd() const { return position >= text.size(); }
  Count remaining() const { return text.size() - position; }

  // One line without its line end; false at the end of the text.
  bool line(std::string_view& result)
  {
    if (atEnd()) {
      return false;
    }
    const std::size_t end = text.find('\n', position);
    const std::size_t stop = end == std::string_view::npos ? text.size() : end;
    result = text.substr(position, stop - position);
    if (!result.empty() && result.back() == '\r') {
      result.remove_suffix(1);
    }
    position = end == std::string_view::npos ? text.size() : end + 1;
    return true;
  }

  // The next white-space separated word; empty at the end of the text.
  std::string_view word()
  {
    const std::string_view result = nextWord();
    // The reader takes words into 256-byte buffers: a longer one would be split in two.
    if (result.size() > 255) {
      overlong = true;
    }
    return result;
  }

  bool sawOverlongWord() const { return overlong; }

  std::string_view nextWord()
  {
    while (position < text.size() && isSpace(text[position])) {
      ++position;
    }
    const std::size_t start = position;
    while (position < text.size() && !isSpace(text[position])) {
      ++position;
    }
    return text.substr(start, position - start);
  }

  // A count as the reader takes it: a whole number no larger than limit (its vtkIdType, or int
  // for the counts it reads as int).
  bool count(Count& value, Count limit = Count(std::numeric_limits<std::int64_t>::max()))
  {
    const std::string_view digits = word();
    if (digits.empty()) {
      return false;
    }
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return error == std::errc() && end == digits.data() + digits.size() && value <= limit;
  }

  bool integer(std::int64_t& value)
  {
    const std::string_view digits = word();
    if (digits.empty()) {
      return false;
    }
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return error == std::errc() && end == digits.data() + digits.size();
  }

  // What the reader's getline does before a binary block. Its buffer holds 255 characters: with
  // a longer rest of line it stops in the middle and reads the data from there, so that fails.
  bool skipRestOfLine()
  {
    const std::size_t end = text.find('\n', position);
    if (end != std::string_view::npos && end - position > 255) {
      return false;
    }
    position = end == std::string_view::npos ? text.size() : end + 1;
    return true;
  }

  bool skipBytes(Count bytes)
  {
    if (bytes > remaining()) {
      return false;
    }
    position += std::size_t(bytes);
    return true;
  }

  const unsigned char* bytes() const
  {
    return reinterpret_cast<const unsigned char*>(text.data()) + position;
  }

  // After an array the reader pops lines holding only spaces and carriage returns, looking
  // 256 bytes ahead each time, then looks for a METADATA block. A window of 256 such characters
  // without a line end makes it look at the same bytes for ever.
  bool hangsReaderAfterArray() const
  {
    std::size_t start = position;
    while (true) {
      std::size_t probe = start;
      while (probe < text.size() && (text[probe] == ' ' || text[probe] == '\r')) {
        ++probe;
        if (probe - start >= 256) {
          return true;
        }
      }
      if (probe >= text.size() || text[probe] != '\n') {
        return false;
      }
      start = probe + 1;
    }
  }

  // Whether a METADATA block follows, wherever the reader could see one. The reader ends such a
  // block at a line that is empty up to its first NUL byte and reads keys and values from it in
  // ways that are not checked here, so surfaces with array metadata are turned away.
  bool metadataFollows() const
  {
    std::size_t probe = position;
    while (probe < text.size() && isSpace(text[probe])) {
      ++probe;
    }
    return lowerCase(text.substr(probe, 8)) == "metadata";
  }

private:
  std::string_view text;
  std::size_t position = 0;
  bool overlong = false;
};

// Bytes per value in a binary block; 0 for names the reader does not know as fixed-size types.
// Bit arrays are handled by the caller.
Count
binaryValueSize(const std::string& type)
{
  if (type == "char" || type == "signed_char" || type == "unsigned_char") {
    return 1;
  }
  if (type == "short" || type == "unsigned_short") {
    return 2;
  }
  if (type == "int" || type == "unsigned_int" || type == "float" || type == "vtkidtype") {
    return 4;
  }
  if (type == "long" || type == "unsigned_long") {
    return sizeof(long);
  }
  if (type == "double" || type == "vtktypeint64" || type == "vtktypeuint64") {
    return 8;
  }
  return 0;
}

// The reader takes each ASCII value with operator>>, which stops at the first character that
// does not belong to the number and fails on a value outside the type's range. After such a
// failure the reader carries on from inside the token, out of step with the file: a FIELD
// array read that way comes back empty and the reader dereferences it. So every value must be
// one whole number that fits its type.
bool
integerFits(std::string_view word, std::int64_t lowest, std::uint64_t highest)
{
  if (!word.empty() && word.front() == '+') {
    word.remove_prefix(1);
  }
  const bool negative = !word.empty() && word.front() == '-';
  if (negative) {
    word.remove_prefix(1);
  }
  if (word.empty() || word.front() == '+' || word.front() == '-') {
    return false;
  }
  std::uint64_t magnitude = 0;
  const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), magnitude);
  if (error != std::errc() || end != word.data() + word.size()) {
    return false;
  }
  if (negative) {
    return lowest < 0 && magnitude <= std::uint64_t(-(lowest + 1)) + 1;
  }
  return magnitude <= highest;
}

bool
floatingFits(std::string_view word, bool singlePrecision)
{
  std::size_t index = 0;
  auto digits = [&] {
    const std::size_t start = index;
    while (index < word.size() && std::isdigit(static_cast<unsigned char>(word[index]))) {
      ++index;
    }
    return index - start;
  };
  if (index < word.size() && (word[index] == '+' || word[index] == '-')) {
    ++index;
  }
  std::size_t mantissa = digits();
  if (index < word.size() && word[index] == '.') {
    ++index;
    mantissa += digits();
  }
  if (mantissa == 0) {
    return false;
  }
  if (index < word.size() && (word[index] == 'e' || word[index] == 'E')) {
    ++index;
    if (index < word.size() && (word[index] == '+' || word[index] == '-')) {
      ++index;
    }
    if (digits() == 0) {
      return false;
    }
  }
  if (index != word.size()) {
    return false;
  }
  // Converted as the stream does, in the "C" locale whatever the program's locale is; only an
  // overflow to infinity fails there.
  static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", nullptr);
  const std::string text(word);
  return singlePrecision ? !std::isinf(strtof_l(text.c_str(), nullptr, cLocale))
                         : !std::isinf(strtod_l(text.c_str(), nullptr, cLocale));
}

// Whether an ASCII value of the given (known) type reads cleanly. The char types and bits are
// read through an int.
bool
asciiValueFits(std::string_view word, const std::string& type)
{
  using std::numeric_limits;
  if (type == "float" || type == "double") {
    return floatingFits(word, type == "float");
  }
  if (type == "short") {
    return integerFits(word, numeric_limits<short>::min(), numeric_limits<short>::max());
  }
  if (type == "unsigned_short") {
    return integerFits(word, 0, numeric_limits<unsigned short>::max());
  }
  if (type == "unsigned_int") {
    return integerFits(word, 0, numeric_limits<unsigned int>::max());
  }
  if (type == "long" || type == "vtktypeint64" || type == "vtkidtype") {
    return integerFits(
      word, numeric_limits<std::int64_t>::min(), numeric_limits<std::int64_t>::max());
  }
  if (type == "unsigned_long" || type == "vtktypeuint64") {
    return integerFits(word, 0, numeric_limits<std::uint64_t>::max());
  }
  return integerFits(word, numeric_limits<int>::min(), numeric_limits<int>::max());
}

// Counts the reader takes as int.
constexpr Count intLimit = Count(std::numeric_limits<int>::max());

bool
multiply(Count first, Count second, Count& product)
{
  if (first != 0 && second > std::numeric_limits<Count>::max() / first) {
    return false;
  }
  product = first * second;
  return true;
}

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
                    Count components);
  std::string legacyCells(const std::string& what);
  std::string cells(const std::string& what);
  std::string field(const std::string& what);
  std::string attributes(Count tuples, const std::string& kind);

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
  const std::string_view prefix = "# vtk DataFile Version";
  if (first.substr(0, prefix.size()) != prefix) {
    return "it is not a VTK legacy data file (its first line does not begin with \"# vtk "
           "DataFile Version\")";
  }
  std::string_view version = first.substr(prefix.size());
  while (!version.empty() && isSpace(version.front())) {
    version.remove_prefix(1);
  }
  while (!version.empty() && isSpace(version.back())) {
    version.remove_suffix(1);
  }
  const std::size_t dot = version.find('.');
  auto allDigits = [](std::string_view digits) {
    if (digits.empty() || digits.size() > 4) {
      return false;
    }
    for (char character : digits) {
      if (!std::isdigit(static_cast<unsigned char>(character))) {
        return false;
      }
    }
    return true;
  };
  if (dot == std::string_view::npos || !allDigits(version.substr(0, dot)) ||
      !allDigits(version.substr(dot + 1))) {
    return "its version line is malformed";
  }
  std::from_chars(version.data(), version.data() + dot, majorVersion);

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

std::string
Walker::array(const std::string& what, const std::string& type, Count tuples, Count components)
{
  Count values = 0;
  if (!multiply(tuples, components, values)) {
    return what + " declares more values than the file holds";
  }
  std::string tooShort =
    what + " declares " + std::to_string(values) + " values, more than the file holds";
  if (type == "string" || type == "utf8_string" || type == "variant") {
    return what + " uses a text type that is not supported for surfaces";
  }
  // Even an empty array of an unknown type makes the reader fail.
  if (type != "bit" && binaryValueSize(type) == 0) {
    return what + " has an unknown data type \"" + printable(type) + "\"";
  }
  if (binary) {
    // Without values the reader reads nothing, not even the rest of the line.
    if (values > 0) {
      Count bytes = 0;
      if (type == "bit") {
        bytes = values / 8 + (values % 8 != 0 ? 1 : 0);
      } else if (!multiply(values, binaryValueSize(type), bytes)) {
        return tooShort;
      }
      if (!scanner.skipRestOfLine()) {
        return what + " has more than 255 characters between its header and its data";
      }
      if (!scanner.skipBytes(bytes)) {
        return tooShort;
      }
    }
  } else {
    // Every ASCII value takes at least one character and one separator.
    if (values > 0 && values - 1 > scanner.remaining() / 2) {
      return tooShort;
    }
    for (Count index = 0; index < values; ++index) {
      const std::string_view word = scanner.word();
      if (word.empty()) {
        return tooShort;
      }
      if (!asciiValueFits(word, type)) {
        std::string problem = what;
        problem.append(" holds \"").append(printable(word)).append("\", which is not a ");
        return problem.append(type).append(" value");
      }
    }
  }
  if (scanner.hangsReaderAfterArray()) {
    return what + " is followed by more blanks than the reader can get past";
  }
  if (scanner.metadataFollows()) {
    return what + " carries METADATA, which is not supported for surfaces";
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

std::string
Walker::field(const std::string& what)
{
  Count arrays = 0;
  if (scanner.word().empty() || !scanner.count(arrays, intLimit)) {
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

std::string
Walker::attributes(Count tuples, const std::string& kind)
{
  const std::string where = kind + " ";
  while (true) {
    const std::string keyword = lowerCase(scanner.word());
    if (keyword.empty()) {
      return {};
    }
    std::string problem;
    if (keyword == "point_data" || keyword == "cell_data") {
      Count declared = 0;
      if (!scanner.count(declared)) {
        return keyword + " has a malformed count";
      }
      const bool points = keyword == "point_data";
      if (declared != (points ? pointCount : cellCount)) {
        return (points ? std::string("POINT_DATA") : std::string("CELL_DATA")) +
               " does not match the number of " + (points ? "points" : "cells");
      }
      return attributes(declared, points ? "POINT_DATA" : "CELL_DATA");
    }
    const std::string_view name = scanner.word();
    if (name.empty()) {
      return where + keyword + " ends early";
    }
    const std::string what = where + keyword;
    if (keyword == "scalars") {
      const std::string type = lowerCase(scanner.word());
      std::string key = lowerCase(scanner.word());
      Count components = 1;
      if (key != "lookup_table") {
        const auto parsed = std::from_chars(key.data(), key.data() + key.size(), components);
        if (parsed.ec != std::errc() || parsed.ptr != key.data() + key.size() || components < 1 ||
            components > intLimit) {
          return what + " has a malformed number of components";
        }
        key = lowerCase(scanner.word());
      }
      if (key != "lookup_table" || scanner.word().empty()) {
        return what + " lacks its LOOKUP_TABLE";
      }
      problem = array(what, type, tuples, components);
    } else if (keyword == "vectors" || keyword == "normals") {
      problem = array(what, lowerCase(scanner.word()), tuples, 3);
    } else if (keyword == "tensors6") {
      problem = array(what, lowerCase(scanner.word()), tuples, 6);
    } else if (keyword == "tensors") {
      problem = array(what, lowerCase(scanner.word()), tuples, 9);
    } else if (keyword == "texture_coordinates") {
      Count dimension = 0;
      if (!scanner.count(dimension) || dimension < 1 || dimension > 3) {
        return what + " has a malformed dimension";
      }
      problem = array(what, lowerCase(scanner.word()), tuples, dimension);
    } else if (keyword == "global_ids" || keyword == "pedigree_ids" || keyword == "edge_flags") {
      problem = array(what, lowerCase(scanner.word()), tuples, 1);
    } else if (keyword == "color_scalars") {
      Count components = 0;
      if (!scanner.count(components, intLimit) || components < 1) {
        return what + " has a malformed number of components";
      }
      problem = array(what, binary ? "unsigned_char" : "float", tuples, components);
    } else if (keyword == "lookup_table") {
      Count entries = 0;
      if (!scanner.count(entries, intLimit)) {
        return what + " has a malformed size";
      }
      problem = array(what, binary ? "unsigned_char" : "float", entries, 4);
    } else if (keyword == "field") {
      Count arrays = 0;
      if (!scanner.count(arrays, intLimit)) {
        return what + " has a malformed header";
      }
      for (Count index = 0; index < arrays && problem.empty(); ++index) {
        const std::string_view arrayName = scanner.word();
        if (arrayName.empty()) {
          return what + " ends before its arrays";
        }
        if (arrayName == "NULL_ARRAY") {
          continue;
        }
        Count components = 0;
        Count arrayTuples = 0;
        if (!scanner.count(components) || !scanner.count(arrayTuples)) {
          return what + " has a malformed array header";
        }
        problem = array(what + " array " + std::string(arrayName),
                        lowerCase(scanner.word()),
                        arrayTuples,
                        components);
      }
    } else {
      return where + "has an unknown section \"" + printable(keyword) + "\"";
    }
    if (!problem.empty()) {
      return problem;
    }
  }
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
      problem = field("FIELD");
    } else if (keyword == "point_data" || keyword == "cell_data") {
      Count declared = 0;
      if (!scanner.count(declared)) {
        return keyword + " has a malformed count";
      }
      if (keyword == "point_data") {
        if (declared != pointCount) {
          return "POINT_DATA does not match the number of points";
        }
        return attributes(declared, "POINT_DATA");
      }
      if (declared != cellCount) {
        return "CELL_DATA does not match the number of cells";
      }
      return attributes(declared, "CELL_DATA");
    } else {
      return "it has an unknown section \"" + printable(keyword) + "\"";
    }
    if (!problem.empty()) {
      return problem;
    }
  }
}

std::string
checkCellArray(vtkCellArray* cells, vtkIdType pointCount, const char* what)
{
  if (cells == nullptr) {
    return {};
  }
  vtkDataArray* offsets = cells->GetOffsetsArray();
  vtkDataArray* connectivity = cells->GetConnectivityArray();
  if (offsets == nullptr || connectivity == nullptr) {
    return std::string(what) + " lack their cell arrays";
  }
  const vtkIdType offsetCount = offsets->GetNumberOfValues();
  const vtkIdType idCount = connectivity->GetNumberOfValues();
  if (offsetCount == 0) {
    return idCount == 0 ? std::string() : std::string(what) + " have ids but no offsets";
  }
  auto check = [&](auto* offsetValues, auto* idValues) -> std::string {
    if (offsetValues[0] != 0 || offsetValues[offsetCount - 1] != idCount) {
      return std::string(what) + " have offsets that do not match their point ids";
    }
    for (vtkIdType index = 1; index < offsetCount; ++index) {
      if (offsetValues[index] < offsetValues[index - 1]) {
        return std::string(what) + " have offsets that go backwards";
      }
    }
    for (vtkIdType index = 0; index < idCount; ++index) {
      if (idValues[index] < 0 || idValues[index] >= pointCount) {
        return std::string(what) + " refer to point " + std::to_string(idValues[index]) +
               ", but there are only " + std::to_string(pointCount) + " points";
      }
    }
    return {};
  };
  if (cells->IsStorage64Bit()) {
    return check(cells->GetOffsetsArray64()->GetPointer(0),
                 cells->GetConnectivityArray64()->GetPointer(0));
  }
  return check(cells->GetOffsetsArray32()->GetPointer(0),
               cells->GetConnectivityArray32()->GetPointer(0));
}

std::string
checkAttributeLengths(vtkDataSetAttributes* attributes, vtkIdType count, const char* what)
{
  if (attributes == nullptr) {
    return {};
  }
  for (int index = 0; index < attributes->GetNumberOfArrays(); ++index) {
    vtkAbstractArray* array = attributes->GetAbstractArray(index);
    if (array != nullptr && array->GetNumberOfTuples() != count) {
      return std::string(what) + " array " + (array->GetName() ? array->GetName() : "") +
             " does not match the number of " +
             (std::string(what) == "point data" ? "points" : "cells");
    }
  }
  return {};
}

} // namespace

std::string
checkLegacyPolyData(std::string_view contents)
{
  return Walker(contents).run();
}

std::string
checkLegacyPolyDataFile(const std::string& path)
{
  std::error_code error;
  if (std::filesystem::exists(path, error) && !isPlainFile(path)) {
    return "it is not a regular file";
  }
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    return "the file cannot be opened";
  }
  std::ostringstream contents;
  contents << file.rdbuf();
  if (file.bad()) {
    return "the file cannot be read";
  }
  return checkLegacyPolyData(contents.str());
}

std::string
checkPolyDataConsistency(vtkPolyData* data)
{
  if (data == nullptr) {
    return "the reader produced nothing";
  }
  const vtkIdType pointCount = data->GetPoints() ? data->GetPoints()->GetNumberOfPoints() : 0;
  std::string problem = checkCellArray(data->GetVerts(), pointCount, "vertices");
  if (problem.empty()) {
    problem = checkCellArray(data->GetLines(), pointCount, "lines");
  }
  if (problem.empty()) {
    problem = checkCellArray(data->GetPolys(), pointCount, "polygons");
  }
  if (problem.empty()) {
    problem = checkCellArray(data->GetStrips(), pointCount, "triangle strips");
  }
  if (problem.empty()) {
    problem = checkAttributeLengths(data->GetPointData(), pointCount, "point data");
  }
  if (problem.empty()) {
    problem = checkAttributeLengths(data->GetCellData(), data->GetNumberOfCells(), "cell data");
  }
  return problem;
}

SurfaceRead
readCheckedPolyData(const std::string& path)
{
  SurfaceRead result;
  result.surface = vtkSmartPointer<vtkPolyData>::New();
  std::string& problem = result.problem;
  problem = checkLegacyPolyDataFile(path);
  if (!problem.empty()) {
    return result;
  }
  vtkNew<vtkPolyDataReader> reader;
  reader->SetFileName(path.c_str());
  // The reader's own complaints become the one line the caller prints.
  struct ReaderError
  {
    bool seen = false;
    std::string text;
  } readerError;
  vtkNew<vtkCallbackCommand> errorObserver;
  errorObserver->SetClientData(&readerError);
  errorObserver->SetCallback([](vtkObject*, unsigned long, void* clientData, void* callData) {
    auto* error = static_cast<ReaderError*>(clientData);
    if (!error->seen && callData != nullptr) {
      error->text = static_cast<const char*>(callData);
    }
    error->seen = true;
  });
  reader->AddObserver(vtkCommand::ErrorEvent, errorObserver);
  reader->Update();
  vtkSmartPointer<vtkPolyData> output = reader->GetOutput();
  if (readerError.seen) {
    // VTK's message reads "ERROR: In <source>, line <n>\n<class> (<address>): <what>".
    std::string what = readerError.text;
    const std::size_t start = what.find("): ");
    what = start == std::string::npos ? std::string() : what.substr(start + 3);
    what = what.substr(0, what.find('\n'));
    problem = what.empty() ? "the reader reported an error"
                           : "the reader reported: " + printable(what, 120);
    return result;
  }
  problem = checkPolyDataConsistency(output);
  if (problem.empty()) {
    result.surface = output;
  }
  return result;
}
