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

struct StructureList
{
  std::vector<StructureEntry> entries;
  std::string problem;
};

// Reads the structure list: per entry a path line, then an opacity, then any white space. Lines
// may be of any length; a trailing carriage return is not part of the path. A malformed entry
// ends the list there, and entries beyond the ninth are ignored; problem then holds one line to
// show the user, and is empty for a sound list.
StructureList
parseStructureList(std::istream& input, const std::string& listPath);

// The controls show transparency: the slider in tenths, truncated toward zero, and kept inside
// the slider's range so that out-of-range opacities cannot overflow the conversion.
int
transparencySliderValue(double opacity);
