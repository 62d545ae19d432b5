#pragma once

#include <istream>
#include <string>
#include <vector>

// The viewer has one row of controls per structure.
constexpr int maximumStructureCount = 9;

struct StructureEntry
{
  std::string relativePath; // appended to the working directory as it stands
  double opacity = 1.0;
};

// Reads the structure list entry by entry: a path line, then an opacity, then any white space.
// Lines may be of any length; a trailing carriage return is not part of the path.
class StructureListReader
{
public:
  // listPath names the list in messages.
  StructureListReader(std::istream& input, std::string listPath);

  // The next entry, or false at the end of the list or at a problem. problem() then tells which:
  // empty at the regular end, otherwise one line to show the user (a malformed entry, or
  // entries beyond the ninth, which are ignored).
  bool next(StructureEntry& entry);
  const std::string& problem() const { return problemText; }

private:
  std::istream& input;
  std::string listPath;
  std::string problemText;
  int entryCount = 0;
  bool finished = false;
};

struct StructureList
{
  std::vector<StructureEntry> entries;
  std::string problem;
};

// The whole list at once.
StructureList
parseStructureList(std::istream& input, const std::string& listPath);

// The controls show transparency: the slider in tenths, truncated toward zero, and kept inside
// the slider's range so that out-of-range opacities cannot overflow the conversion.
int
transparencySliderValue(double opacity);
