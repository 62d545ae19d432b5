#pragma once

#include <filesystem>
#include <string>
#include <system_error>

// Whether path names a regular file, through symbolic links. Model files are checked before they
// are opened: opening a FIFO blocks until someone writes to it, a device can read without end and
// a folder opens on some systems but reads as nothing.
inline bool
isPlainFile(const std::string& path)
{
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}
