#include "loading/StructureList.h"

#include <algorithm>
#include <utility>

namespace {

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
  std::getline(input, path);
  if (!path.empty() && path.back() == '\r') {
    path.pop_back();
  }
  double opacity = 0.0;
  if (!(input >> opacity)) {
    finished = true;
    problemText = "Structure list " + listPath + ": entry " + std::to_string(number) + " (" + path +
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
