#pragma once

// Words and lines of a text surface file, read from one open descriptor in blocks: a file of
// any length costs one block of memory, and a word or line has a bound.

#include "loading/ModelFile.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace makemodel {

class TextScanner
{
public:
  // Reads on from file's current position, after the bytes already read from it (start).
  explicit TextScanner(RegularFile& file, std::string start = {})
    : file(file)
    , buffer(std::move(start))
  {
  }

  // The next character, or -1 at the end of the file (or on a read error: failed()).
  int get()
  {
    if (at == buffer.size() && !fill()) {
      return -1;
    }
    return static_cast<unsigned char>(buffer[at++]);
  }

  // The next word (up to longest characters), false at the end of the file or when the word
  // is longer (tooLong()).
  bool word(std::string& text, std::size_t longest = 256)
  {
    text.clear();
    int character = get();
    while (character == ' ' || character == '\t' || character == '\r' || character == '\n') {
      character = get();
    }
    while (character >= 0 && character != ' ' && character != '\t' && character != '\r' &&
           character != '\n') {
      if (text.size() == longest) {
        overlong = true;
        return false;
      }
      text += char(character);
      character = get();
    }
    return !text.empty();
  }

  // The next line without its end (up to longest characters), false at the end of the file or
  // when the line is longer (tooLong()).
  bool line(std::string& text, std::size_t longest = 65536)
  {
    text.clear();
    int character = get();
    if (character < 0) {
      return false;
    }
    while (character >= 0 && character != '\n') {
      if (text.size() == longest) {
        overlong = true;
        return false;
      }
      text += char(character);
      character = get();
    }
    if (!text.empty() && text.back() == '\r') {
      text.pop_back();
    }
    return true;
  }

  // The next count bytes into out; false when the file ends first.
  bool bytes(void* out, std::size_t count)
  {
    auto* target = static_cast<char*>(out);
    while (count > 0) {
      if (at == buffer.size() && !fill()) {
        return false;
      }
      const std::size_t part = std::min(count, buffer.size() - at);
      std::memcpy(target, buffer.data() + at, part);
      at += part;
      target += part;
      count -= part;
    }
    return true;
  }

  bool tooLong() const { return overlong; }
  bool failed() const { return error; }

private:
  bool fill()
  {
    buffer.resize(1 << 16);
    const std::int64_t count = file.read(buffer.data(), std::int64_t(buffer.size()));
    error = error || count < 0;
    buffer.resize(std::size_t(count > 0 ? count : 0));
    at = 0;
    return count > 0;
  }

  RegularFile& file;
  std::string buffer;
  std::size_t at = 0;
  bool overlong = false;
  bool error = false;
};

// A whole word as a number (strtod: "nan" and "inf" are numbers here, refused later with the
// surface); false when the word is not one.
inline bool
wordNumber(const std::string& text, double& number)
{
  char* end = nullptr;
  number = std::strtod(text.c_str(), &end);
  return !text.empty() && end == text.c_str() + text.size();
}

} // namespace makemodel
