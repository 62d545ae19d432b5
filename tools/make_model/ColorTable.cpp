#include "tools/make_model/ColorTable.h"

#include "loading/ModelFile.h"

#include <cctype>
#include <cmath>
#include <fstream>
#include <sstream>

namespace makemodel {

namespace {

bool
isBlank(const std::string& line)
{
  return line.find_first_not_of(" \t\r") == std::string::npos;
}

// A whole number within [low, high], nothing else in the token.
bool
wholeNumber(const std::string& token, long low, long high, long* value)
{
  if (token.empty() || token.size() > 12) {
    return false;
  }
  std::size_t used = 0;
  try {
    *value = std::stol(token, &used);
  } catch (...) {
    return false;
  }
  return used == token.size() && *value >= low && *value <= high;
}

bool
realNumber(const std::string& token, double low, double high, double* value)
{
  if (token.empty() || token.size() > 32) {
    return false;
  }
  std::size_t used = 0;
  try {
    *value = std::stod(token, &used);
  } catch (...) {
    return false;
  }
  return used == token.size() && std::isfinite(*value) && *value >= low && *value <= high;
}

// IDX R G B A VIS MSH "LABEL": seven numbers, then the name between double quotes.
bool
parseQuotedForm(const std::string& line, ColorEntry* entry)
{
  const std::size_t open = line.find('"');
  const std::size_t close = line.find('"', open + 1);
  if (close == std::string::npos || !isBlank(line.substr(close + 1))) {
    return false;
  }
  std::istringstream numbers(line.substr(0, open));
  std::vector<std::string> tokens;
  for (std::string token; numbers >> token;) {
    tokens.push_back(token);
  }
  long rgb[3] = {};
  double alpha = 0;
  long ignored = 0;
  if (tokens.size() != 7 || !wholeNumber(tokens[0], 0, 0x7fffffff, &entry->label) ||
      !wholeNumber(tokens[1], 0, 255, &rgb[0]) || !wholeNumber(tokens[2], 0, 255, &rgb[1]) ||
      !wholeNumber(tokens[3], 0, 255, &rgb[2]) || !realNumber(tokens[4], 0, 1, &alpha) ||
      !wholeNumber(tokens[5], 0, 1, &ignored) || !wholeNumber(tokens[6], 0, 1, &ignored)) {
    return false;
  }
  entry->name = line.substr(open + 1, close - open - 1);
  entry->color = { rgb[0] / 255.0, rgb[1] / 255.0, rgb[2] / 255.0 };
  entry->opacity = alpha;
  return true;
}

// label name R G B A, each colour component and the alpha from 0 to 255.
bool
parsePlainForm(const std::string& line, ColorEntry* entry)
{
  std::istringstream words(line);
  std::vector<std::string> tokens;
  for (std::string token; words >> token;) {
    tokens.push_back(token);
  }
  if (tokens.size() < 6) {
    return false;
  }
  const std::size_t count = tokens.size();
  long rgba[4] = {};
  for (int component = 0; component < 4; ++component) {
    if (!wholeNumber(tokens[count - 4 + component], 0, 255, &rgba[component])) {
      return false;
    }
  }
  if (!wholeNumber(tokens[0], 0, 0x7fffffff, &entry->label)) {
    return false;
  }
  entry->name = tokens[1];
  for (std::size_t word = 2; word + 4 < count; ++word) {
    entry->name += ' ' + tokens[word];
  }
  entry->color = { rgba[0] / 255.0, rgba[1] / 255.0, rgba[2] / 255.0 };
  entry->opacity = rgba[3] / 255.0;
  return true;
}

// A comma-separated line's fields: a field in double quotes may hold commas, and "" within it
// stands for one quote. False when a quote is left open or stray text follows one.
bool
csvFields(const std::string& line, std::vector<std::string>* fields)
{
  fields->assign(1, std::string());
  bool quoted = false;
  bool closed = false; // a quoted field has ended; only a comma may follow
  for (std::size_t at = 0; at < line.size(); ++at) {
    const char character = line[at];
    if (quoted) {
      if (character != '"') {
        fields->back() += character;
      } else if (at + 1 < line.size() && line[at + 1] == '"') {
        fields->back() += '"';
        ++at;
      } else {
        quoted = false;
        closed = true;
      }
    } else if (character == ',') {
      fields->emplace_back();
      closed = false;
    } else if (character == '"' && fields->back().find_first_not_of(" \t") == std::string::npos &&
               !closed) {
      fields->back().clear();
      quoted = true;
    } else if (closed && character != ' ' && character != '\t') {
      return false;
    } else if (!closed) {
      fields->back() += character;
    }
  }
  return !quoted;
}

std::string
trimmed(const std::string& text)
{
  const std::size_t first = text.find_first_not_of(" \t");
  return first == std::string::npos ? std::string()
                                    : text.substr(first, text.find_last_not_of(" \t") + 1 - first);
}

// The columns a comma-separated table's header line names, or an empty list when it is no such
// header.
std::vector<int>
csvColumns(const std::string& line)
{
  std::vector<std::string> fields;
  if (!csvFields(line, &fields)) {
    return {};
  }
  static const char* const wanted[] = { "labelvalue", "name",    "color_r", "color_g",
                                        "color_b",    "color_a", "group" };
  constexpr std::size_t wantedCount = sizeof(wanted) / sizeof(wanted[0]);
  std::vector<int> columns(wantedCount, -1);
  for (std::size_t field = 0; field < fields.size(); ++field) {
    std::string name = trimmed(fields[field]);
    for (char& character : name) {
      character = char(std::tolower(static_cast<unsigned char>(character)));
    }
    for (std::size_t column = 0; column < wantedCount; ++column) {
      if (name == wanted[column] && columns[column] < 0) {
        columns[column] = int(field);
      }
    }
  }
  // The label and the name are needed; the colour, if given, whole.
  if (columns[0] < 0 || columns[1] < 0 || (columns[2] < 0) != (columns[3] < 0) ||
      (columns[3] < 0) != (columns[4] < 0)) {
    return {};
  }
  return columns;
}

// LabelValue,Name,Color_R,Color_G,Color_B,Color_A in the columns the header line gave, colour
// and alpha from 0 to 255.
bool
parseCsvForm(const std::string& line, const std::vector<int>& columns, ColorEntry* entry)
{
  std::vector<std::string> fields;
  if (!csvFields(line, &fields)) {
    return false;
  }
  auto field = [&](std::size_t column) {
    return std::size_t(columns[column]) < fields.size()
             ? trimmed(fields[std::size_t(columns[column])])
             : std::string("\x01missing");
  };
  if (!wholeNumber(field(0), 0, 0x7fffffff, &entry->label)) {
    return false;
  }
  entry->name = field(1);
  long rgba[4] = { 255, 255, 255, 255 };
  for (std::size_t component = 0; component < 4; ++component) {
    if (columns[2 + component] >= 0 &&
        !wholeNumber(field(2 + component), 0, 255, &rgba[component])) {
      return false;
    }
  }
  entry->color = { rgba[0] / 255.0, rgba[1] / 255.0, rgba[2] / 255.0 };
  entry->opacity = rgba[3] / 255.0;
  if (columns[6] >= 0 && std::size_t(columns[6]) < fields.size()) {
    entry->group = trimmed(fields[std::size_t(columns[6])]);
  }
  return true;
}

} // namespace

ColorTable
parseColorTable(std::istream& input)
{
  ColorTable table;
  std::string line;
  std::size_t lineNumber = 0;
  char character = 0;
  bool ended = false;
  std::vector<int> csv; // the columns, once a comma-separated table's header line was read
  while (!ended) {
    // Read by hand so that one endless line cannot take all the memory.
    line.clear();
    ended = true;
    while (input.get(character)) {
      ended = false;
      if (character == '\n') {
        break;
      }
      if (line.size() == maximumLineLength) {
        table.problem = "line " + std::to_string(lineNumber + 1) + " is longer than " +
                        std::to_string(maximumLineLength) + " characters";
        return table;
      }
      line += character;
    }
    if (ended && line.empty()) {
      break;
    }
    ++lineNumber;
    const std::size_t first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos || line[first] == '#') {
      continue;
    }
    if (!line.empty() && line.back() == '\r') {
      line.pop_back();
    }
    if (csv.empty() && table.entries.empty() && !(csv = csvColumns(line)).empty()) {
      continue;
    }
    ColorEntry entry;
    const bool understood = !csv.empty()                          ? parseCsvForm(line, csv, &entry)
                            : line.find('"') != std::string::npos ? parseQuotedForm(line, &entry)
                                                                  : parsePlainForm(line, &entry);
    if (!understood || entry.name.empty()) {
      table.problem =
        "line " + std::to_string(lineNumber) +
        (csv.empty() ? " is neither \"label name R G B A\" nor "
                       "\"IDX R G B A VIS MSH \\\"LABEL\\\"\""
                     : " is not \"LabelValue,Name,Color_R,Color_G,Color_B,Color_A\" (0-255)");
      return table;
    }
    if (table.entries.size() == maximumEntries) {
      table.problem = "more than " + std::to_string(maximumEntries) + " labels";
      return table;
    }
    table.entries.push_back(entry);
  }
  return table;
}

ColorTable
readColorTable(const std::string& path)
{
  // A colour table names at most a few hundred labels: 16 MB is far beyond any real one, and the
  // file is read from one descriptor of a regular file, so a FIFO cannot block the tool.
  const FileBytes file = readWholeFile(path, std::int64_t(16) << 20);
  if (!file.problem.empty()) {
    ColorTable table;
    table.problem = file.missing ? "cannot be opened as a file" : file.problem;
    return table;
  }
  std::istringstream text(file.bytes);
  return parseColorTable(text);
}

} // namespace makemodel
