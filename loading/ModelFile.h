#pragma once

#include <array>
#include <cstdint>
#include <streambuf>
#include <string>
#include <string_view>

// A model folder comes from a USB stick, a shared drive or a course page: every file in it may
// be hostile. Each reader takes what it needs from one open descriptor of a regular file, with
// a bound on what it reads, so a file cannot change between its check and its use, a FIFO or
// device cannot block or feed the viewer without end, and no file can take more than its share
// of memory.

// The bounds, in bytes. The sample model's largest surface is 1.6 MB and its Help page 14 KB;
// a surface is held up to three times while VTK's reader parses it (VTK copies its input
// twice), so 64 MB keeps even the largest allowed surface's load well under 500 MB.
constexpr std::int64_t largestSurfaceBytes = std::int64_t(64) << 20;
constexpr std::int64_t largestPageBytes = std::int64_t(4) << 20;
constexpr std::int64_t largestPageResourceBytes = std::int64_t(16) << 20;
// Three numbers and perhaps a comment: the rest of a colour file is never used.
constexpr std::int64_t largestColorFileBytes = 4096;
// Nine entries of at most 4 KB each leave room; beyond this the list is not read on.
constexpr std::int64_t largestStructureListBytes = std::int64_t(64) << 20;
constexpr std::size_t longestStructureListLine = 4096;
// The first bytes of a file, enough for its first line, read before the rest is looked at.
constexpr std::int64_t firstBlockBytes = 4096;

// A descriptor of a regular file, opened without blocking (a FIFO would wait for a writer) and
// checked on the descriptor itself, so nothing can be swapped in after the check. Closed when
// destroyed.
class RegularFile
{
public:
  // On failure isOpen() is false and problem() says why, in words that follow the file's name.
  explicit RegularFile(const std::string& path);
  ~RegularFile();
  RegularFile(const RegularFile&) = delete;
  RegularFile& operator=(const RegularFile&) = delete;

  bool isOpen() const { return descriptor >= 0; }
  // Whether the open failed only because nothing is there.
  bool missing() const { return absent; }
  const std::string& problem() const { return why; }
  // The size the file had when it was opened.
  std::int64_t size() const { return length; }

  // Reads up to count bytes into buffer, retrying short reads; returns the bytes read, fewer at
  // the end of the file, -1 on a read error (problem() then says so).
  std::int64_t read(void* buffer, std::int64_t count);

private:
  int descriptor = -1;
  bool absent = false;
  std::int64_t length = 0;
  std::string why;
};

// A stream's buffer over an open regular file that ends after limit bytes, for text read as it
// goes (the structure list) rather than held whole.
class BoundedFileBuffer : public std::streambuf
{
public:
  BoundedFileBuffer(RegularFile& file, std::int64_t limit)
    : file(file)
    , left(limit)
  {
  }
  // Whether the limit, not the end of the file, ended the stream.
  bool cutShort() const { return cut; }

protected:
  int_type underflow() override;

private:
  RegularFile& file;
  std::int64_t left;
  bool cut = false;
  std::array<char, 65536> block;
};

// A whole small file: at most limit bytes. A larger file is a problem and is not read at all.
struct FileBytes
{
  std::string bytes;
  std::string problem; // empty when bytes holds the whole file
  bool missing = false;
};

FileBytes
readWholeFile(const std::string& path, std::int64_t limit);

// The longest line the viewer prints or shows: one problem must not flood the console or make
// the window lay out megabytes of text.
constexpr std::size_t longestShownLine = 2000;
// Names inside such a line are shortened to this, keeping both ends: two of them, as a message
// may hold, still fit a line.
constexpr std::size_t longestShownName = 950;

// text shortened in the middle to at most longest bytes, an ellipsis in place of what was cut,
// without splitting a UTF-8 character.
std::string
shortenedInMiddle(std::string_view text, std::size_t longest = longestShownName);

// Whether a relative path, followed from the model folder, climbs out of it by "..".
bool
leavesFolder(std::string_view relativePath);

// How a number of bytes is named in a message: "64 MB".
std::string
megabytes(std::int64_t bytes);
