#pragma once

// The lowest stage of the legacy surface check: reading a legacy VTK file the way VTK's legacy
// reader consumes it (words, lines, binary blocks), and whether a single value or name from it
// reads cleanly. Internal to the check; the entry points are in LegacyPolyDataCheck.h.

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace legacy {

using Count = std::uint64_t;

// Counts the reader takes as int.
constexpr Count intLimit = Count(std::numeric_limits<int>::max());

// The reader reads lines and words into 256-byte buffers.
constexpr std::size_t longestLine = 255;

std::string
lowerCase(std::string_view text);

// A word from the file made safe to print: printable characters only, shortened.
std::string
printable(std::string_view word, std::size_t length = 24);

bool
isSpace(char character);

// The white-space separated words of one line.
std::vector<std::string_view>
splitWords(std::string_view line);

// Whether a line is empty but for spaces and carriage returns.
bool
isBlank(std::string_view line);

// Whether a line fits the reader's line buffer and holds no NUL byte (the reader would end the
// line there and read on from the middle of it).
bool
fitsLineBuffer(std::string_view line);

// Names and texts the reader decodes (array names, component names, text values) escape
// special characters as '%' and two hex digits. Its decoder reads past the end of the text for
// a '%' near the end, so every '%' must start a whole escape; a NUL byte would cut the text.
bool
escapesAreWhole(std::string_view text);

// A whole number no larger than limit, nothing else in the word.
bool
wholeCount(std::string_view digits, Count& value, Count limit);

// The version after "# vtk DataFile Version": major and minor number, at most four digits each.
bool
versionLine(std::string_view version, int& major);

// The problem with a file's first line, empty when it is the version line; whole: false when
// the line may go on beyond first, so that only what is there is checked.
std::string
firstLineProblem(std::string_view first, bool whole, int& majorVersion);

// Product that fails rather than wraps.
bool
multiply(Count first, Count second, Count& product);

// Bytes per value in a binary block; 0 for names the reader does not know as fixed-size types.
// Bit arrays are handled by the caller.
Count
binaryValueSize(const std::string& type);

// Whether an ASCII value of the given (known) type reads cleanly. The char types and bits are
// read through an int.
bool
asciiValueFits(std::string_view word, const std::string& type);

bool
integerFits(std::string_view word, std::int64_t lowest, std::uint64_t highest);

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

  // One line without its line end (and one carriage return before it); false at the end of
  // the text.
  bool line(std::string_view& result);

  // The next white-space separated word; empty at the end of the text.
  std::string_view word();
  bool sawOverlongWord() const { return overlong; }

  // A count as the reader takes it: a whole number no larger than limit (its vtkIdType, or int
  // for the counts it reads as int).
  bool count(Count& value, Count limit = Count(std::numeric_limits<std::int64_t>::max()));
  bool integer(std::int64_t& value);

  // What the reader's getline does before a binary block.
  bool skipRestOfLine();
  bool skipBytes(Count bytes);
  const unsigned char* bytes() const
  {
    return reinterpret_cast<const unsigned char*>(text.data()) + position;
  }

  // After an array the reader pops lines holding only spaces and carriage returns, looking
  // 256 bytes ahead each time. A window of 256 such characters without a line end makes it
  // look at the same bytes for ever.
  bool hangsReaderAfterArray() const;

  // Whether the reader, past those blank lines, sees a METADATA block; if so, moves to it.
  bool enterMetadata();

private:
  std::string_view text;
  std::size_t position = 0;
  bool overlong = false;
};

} // namespace legacy
