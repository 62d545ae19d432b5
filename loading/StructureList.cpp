#include "loading/StructureList.h"
#include "loading/ModelFile.h"

#include <algorithm>
#include <utility>

namespace {

// One line without its line end, of at most longestStructureListLine bytes: the rest of a longer
// line is read through, not kept, so a line of megabytes costs no more memory than a short one.
// Returns false for such a line.
bool
readBoundedLine(std::istream& input, std::string& line)
{
  line.clear();
  std::streambuf* buffer = input.rdbuf();
  bool whole = true;
  for (;;) {
    const int character = buffer->sbumpc();
    if (character == std::streambuf::traits_type::eof()) {
      input.setstate(std::ios::eofbit);
      break;
    }
    if (character == '\n') {
      break;
    }
    if (line.size() < longestStructureListLine) {
      line.push_back(char(character));
    } else {
      whole = false;
    }
  }
  return whole;
}

// Reads the list entry by entry; problem() tells why next() stopped, empty at the regular end.
class StructureListReader
{
public:
  StructureListReader(std::istream& input, std::string listPath);
  bool next(StructureEntry& entry);
  const std::string& problem() const { return problemText; }

private:
  std::istream& input;
  std::string listPath;
  std::string problemText;
  int entryCount = 0;
  bool finished = false;
};

StructureListReader::StructureListReader(std::istream& input, std::string listPath)
  : input(input)
  , listPath(std::move(listPath))
{
  input >> std::ws;
}

bool
StructureListReader::next(StructureEntry& entry)
{
  if (finished) {
    return false;
  }
  if (input.eof() || input.peek() == std::istream::traits_type::eof()) {
    finished = true;
    return false;
  }
  const int number = entryCount + 1;
  if (entryCount == maximumStructureCount) {
    finished = true;
    problemText = "Structure list " + listPath + " names more than " +
                  std::to_string(maximumStructureCount) + " structures; only the first " +
                  std::to_string(maximumStructureCount) + " are loaded, the rest is ignored.";
    return false;
  }
  std::string path;
  const bool whole = readBoundedLine(input, path);
  if (!path.empty() && path.back() == '\r') {
    path.pop_back();
  }
  entry.problem.clear();
  if (!whole) {
    entry.problem =
      "its path line is longer than " + std::to_string(longestStructureListLine) + " bytes";
  } else if (leavesFolder(path)) {
    entry.problem = "its path leaves the model folder";
  }
  double opacity = 0.0;
  if (!(input >> opacity)) {
    finished = true;
    problemText = "Structure list " + listPath + ": entry " + std::to_string(number) + " (" +
                  shortenedInMiddle(path) +
                  ") has no readable opacity; it and the entries after it are ignored.";
    return false;
  }
  input >> std::ws;
  entry.relativePath = std::move(path);
  entry.opacity = opacity;
  ++entryCount;
  return true;
}

} // namespace

StructureList
parseStructureList(std::istream& input, const std::string& listPath)
{
  StructureList list;
  StructureListReader reader(input, listPath);
  StructureEntry entry;
  while (reader.next(entry)) {
    list.entries.push_back(entry);
  }
  list.problem = reader.problem();
  return list;
}

int
transparencySliderValue(double opacity)
{
  return int(std::clamp(10 - 10 * opacity, 0.0, 10.0));
}
