#pragma once

#include <filesystem>
#include <string>
#include <system_error>

namespace makemodel {

// Whether path names a regular file, through symbolic links. The tool checks its inputs before
// VTK's readers open them by name: opening a FIFO blocks until someone writes to it, and a
// device can read without end.
inline bool
isPlainFile(const std::string& path)
{
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}

} // namespace makemodel
