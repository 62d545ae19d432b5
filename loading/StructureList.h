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
  // Why the entry's surface must not be read (its path line is too long, or its path climbs
  // out of the model folder); empty for a usable entry. The entry keeps its row either way.
  std::string problem;
};

struct StructureList
{
  std::vector<StructureEntry> entries;
  std::string problem;
};

// Reads the structure list: per entry a path line, then an opacity, then any white space. A
// trailing carriage return is not part of the path. A path line longer than
// longestStructureListLine is read through but not kept: its entry carries a problem, and the
// list goes on after it; so does a path that leaves the model folder by "..". A malformed
// entry ends the list there, and entries beyond the ninth are ignored; problem then holds one
// line to show the user, and is empty for a sound list.
StructureList
parseStructureList(std::istream& input, const std::string& listPath);

// The controls show transparency: the slider in tenths, truncated toward zero, and kept inside
// the slider's range so that out-of-range opacities cannot overflow the conversion.
int
transparencySliderValue(double opacity);
