#pragma once

#include <array>
#include <istream>
#include <string>
#include <vector>

namespace makemodel {

// One label of a segmentation's colour table.
struct ColorEntry
{
  long label = 0;
  std::string name;
  std::array<double, 3> color{}; // 0 to 1
  double opacity = 1.0;          // 0 to 1
  std::string group;             // the heading its row goes under; empty: none
};

struct ColorTable
{
  std::vector<ColorEntry> entries;
  std::string problem; // empty when every line was understood
};

// Reads a colour table in either of the two text forms segmentation tools write, told apart
// line by line:
//   label name R G B A            R, G, B and A from 0 to 255; the name may hold spaces
//   IDX R G B A VIS MSH "LABEL"   R, G, B from 0 to 255, A from 0 to 1, the name quoted
// or, after a header line naming its columns, comma-separated
//   LabelValue,Name,Color_R,Color_G,Color_B,Color_A   R, G, B and A from 0 to 255; fields may be
//                                                      quoted ("" a quote within)
// where an optional Group column puts each label's row under a heading of the viewer (labels
// with the same group share it; an empty field leaves the row outside any heading).
// Blank lines and lines starting with '#' are skipped. Label 0 (the background) is kept like
// any other; the caller ignores it. The first line that is neither form ends the reading, and
// problem names it. Bounded: lines past maximumLineLength or entries past maximumEntries are a
// problem, not a reason to grow without end.
ColorTable
parseColorTable(std::istream& input);

constexpr std::size_t maximumLineLength = 4096;
constexpr std::size_t maximumEntries = 65536;

// Reads the table from a regular file; problem says why a file could not be read.
ColorTable
readColorTable(const std::string& path);

} // namespace makemodel
