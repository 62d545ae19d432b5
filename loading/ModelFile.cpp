#include "loading/ModelFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

RegularFile::RegularFile(const std::string& path)
{
  // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer. O_NOCTTY: a
  // terminal device must not become the viewer's controlling terminal.
  const int opened = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (opened < 0) {
    absent = errno == ENOENT;
    why =
      absent ? "does not exist" : std::string("cannot be opened (") + std::strerror(errno) + ")";
    return;
  }
  struct stat status;
  if (::fstat(opened, &status) != 0 || !S_ISREG(status.st_mode)) {
    ::close(opened);
    why = "is not a regular file";
    return;
  }
  // Reads from a regular file never block; clearing the flag keeps them plain.
  ::fcntl(opened, F_SETFL, ::fcntl(opened, F_GETFL) & ~O_NONBLOCK);
  descriptor = opened;
  length = std::int64_t(status.st_size);
}

RegularFile::~RegularFile()
{
  if (descriptor >= 0) {
    ::close(descriptor);
  }
}

std::int64_t
RegularFile::read(void* buffer, std::int64_t count)
{
  auto* bytes = static_cast<char*>(buffer);
  std::int64_t total = 0;
  while (total < count) {
    const ssize_t got = ::read(descriptor, bytes + total, std::size_t(count - total));
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got < 0) {
      why = std::string("cannot be read (") + std::strerror(errno) + ")";
      return -1;
    }
    if (got == 0) {
      break;
    }
    total += got;
  }
  return total;
}

BoundedFileBuffer::int_type
BoundedFileBuffer::underflow()
{
  if (gptr() < egptr()) {
    return traits_type::to_int_type(*gptr());
  }
  if (left <= 0) {
    char probe;
    cut = file.read(&probe, 1) == 1;
    return traits_type::eof();
  }
  const std::int64_t count = file.read(block.data(), std::min<std::int64_t>(left, block.size()));
  if (count <= 0) {
    return traits_type::eof();
  }
  left -= count;
  setg(block.data(), block.data(), block.data() + count);
  return traits_type::to_int_type(*gptr());
}

FileBytes
readWholeFile(const std::string& path, std::int64_t limit)
{
  FileBytes result;
  RegularFile file(path);
  if (!file.isOpen()) {
    result.problem = file.problem();
    result.missing = file.missing();
    return result;
  }
  if (file.size() > limit) {
    result.problem = "is larger than " + megabytes(limit);
    return result;
  }
  // One byte more than the size: a file that grew since it was opened is noticed, not cut.
  result.bytes.resize(std::size_t(file.size()) + 1);
  const std::int64_t count = file.read(result.bytes.data(), file.size() + 1);
  if (count < 0) {
    result.problem = file.problem();
    result.bytes.clear();
    return result;
  }
  if (count > file.size()) {
    result.problem = "grew while it was read";
    result.bytes.clear();
    return result;
  }
  result.bytes.resize(std::size_t(count));
  return result;
}

std::string
shortenedInMiddle(std::string_view text, std::size_t longest)
{
  const std::string_view ellipsis = "\u2026";
  if (text.size() <= longest) {
    return std::string(text);
  }
  const std::size_t kept = longest > ellipsis.size() ? longest - ellipsis.size() : 0;
  auto continuation = [&](std::size_t index) {
    return index < text.size() && (static_cast<unsigned char>(text[index]) & 0xC0) == 0x80;
  };
  // Cut only before the first byte of a character.
  std::size_t headEnd = kept / 2;
  while (headEnd > 0 && continuation(headEnd)) {
    --headEnd;
  }
  std::size_t tailStart = text.size() - (kept - kept / 2);
  while (tailStart < text.size() && continuation(tailStart)) {
    ++tailStart;
  }
  return std::string(text.substr(0, headEnd)) + std::string(ellipsis) +
         std::string(text.substr(tailStart));
}

bool
leavesFolder(std::string_view relativePath)
{
  int depth = 0;
  while (!relativePath.empty()) {
    const std::size_t slash = relativePath.find('/');
    const std::string_view part = relativePath.substr(0, slash);
    if (part == "..") {
      if (--depth < 0) {
        return true;
      }
    } else if (!part.empty() && part != ".") {
      ++depth;
    }
    relativePath =
      slash == std::string_view::npos ? std::string_view() : relativePath.substr(slash + 1);
  }
  return false;
}

std::string
megabytes(std::int64_t bytes)
{
  if (bytes >= (std::int64_t(1) << 20)) {
    return std::to_string(bytes >> 20) + " MB";
  }
  return std::to_string(bytes) + " bytes";
}
