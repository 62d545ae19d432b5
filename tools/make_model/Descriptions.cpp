#include "tools/make_model/Descriptions.h"

#include "loading/ModelFile.h"
#include "tools/make_model/ModelWriter.h"

#include <filesystem>
#include <vector>

namespace makemodel {

namespace {

// A description is a page of text: a megabyte is hundreds of printed pages.
constexpr std::int64_t largestDescriptionBytes = std::int64_t(1) << 20;

// Whether candidate, a file name, names a file that lies in folder once links are followed.
bool
insideFolder(const std::filesystem::path& folder, const std::string& candidate)
{
  if (candidate.find('/') != std::string::npos || candidate.find('\\') != std::string::npos ||
      candidate == "." || candidate == "..") {
    return false;
  }
  std::error_code error;
  const std::filesystem::path file = std::filesystem::canonical(folder / candidate, error);
  return !error && file.parent_path() == folder;
}

} // namespace

std::string
descriptionPage(const std::string& folder, const std::string& name, int label)
{
  if (folder.empty()) {
    return {};
  }
  std::error_code error;
  const std::filesystem::path canonicalFolder = std::filesystem::canonical(folder, error);
  if (error) {
    return {};
  }
  std::vector<std::string> candidates = { name + ".html", structureFileName(name) + ".html" };
  if (label >= 0) {
    candidates.push_back(std::to_string(label) + ".html");
  }
  for (const std::string& candidate : candidates) {
    if (!insideFolder(canonicalFolder, candidate)) {
      continue;
    }
    // Opened as a regular file without blocking: a FIFO named like a page does not hang.
    FileBytes page = readWholeFile((canonicalFolder / candidate).string(), largestDescriptionBytes);
    if (page.problem.empty()) {
      return std::move(page.bytes);
    }
  }
  return {};
}

} // namespace makemodel
