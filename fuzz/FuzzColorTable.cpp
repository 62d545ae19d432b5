// libFuzzer target for the colour-table reader of cochlex-make-model: a table comes from
// whatever segmentation tool the user has, so any bytes must give entries or one problem line.

#include "tools/make_model/ColorTable.h"

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

extern "C" int
LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  std::istringstream input(std::string(reinterpret_cast<const char*>(data), size));
  const makemodel::ColorTable table = makemodel::parseColorTable(input);
  for (const makemodel::ColorEntry& entry : table.entries) {
    // Every entry the reader hands on is one the model writer can use as it stands.
    for (double component : entry.color) {
      if (!(component >= 0 && component <= 1)) {
        std::abort();
      }
    }
    if (!(entry.opacity >= 0 && entry.opacity <= 1) || entry.name.empty() || entry.label < 0) {
      std::abort();
    }
  }
  if (table.entries.size() > makemodel::maximumEntries) {
    std::abort();
  }
  return 0;
}
