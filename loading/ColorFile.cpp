#include "loading/ColorFile.h"
#include "loading/ModelFile.h"

#include <algorithm>
#include <cmath>
#include <sstream>

std::array<double, 3>
parseStructureColor(std::istream& input)
{
  std::array<double, 3> color;
  if (input >> color[0] >> color[1] >> color[2]) {
    return color;
  }
  return { defaultStructureGrey, defaultStructureGrey, defaultStructureGrey };
}

ColorRead
readStructureColor(const std::string& surfacePath)
{
  ColorRead result;
  RegularFile file(surfacePath + ".color");
  if (!file.isOpen()) {
    if (!file.missing()) {
      result.problem = file.problem() + "; the structure is grey";
    }
    return result;
  }
  // Only the start is read: the three numbers come first, whatever follows is never used.
  std::string text(std::size_t(largestColorFileBytes), '\0');
  const std::int64_t count = file.read(text.data(), largestColorFileBytes);
  if (count < 0) {
    result.problem = file.problem() + "; the structure is grey";
    return result;
  }
  text.resize(std::size_t(count));
  std::istringstream input(text);
  std::array<double, 3> color{};
  if (!(input >> color[0] >> color[1] >> color[2]) || !std::isfinite(color[0]) ||
      !std::isfinite(color[1]) || !std::isfinite(color[2])) {
    result.problem = "does not begin with three finite numbers; the structure is grey";
    return result;
  }
  for (double& value : color) {
    if (value < 0 || value > 1) {
      result.problem = "holds a value outside 0 to 1; it is taken as the nearest of 0 and 1";
    }
    value = std::clamp(value, 0.0, 1.0);
  }
  result.color = color;
  return result;
}
