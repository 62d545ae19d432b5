#include "loading/ColorFile.h"
#include "loading/PlainFile.h"

#include <fstream>

std::array<double, 3>
parseStructureColor(std::istream& input)
{
  std::array<double, 3> color;
  if (input >> color[0] >> color[1] >> color[2]) {
    return color;
  }
  return { defaultStructureGrey, defaultStructureGrey, defaultStructureGrey };
}

std::array<double, 3>
readStructureColor(const std::string& surfacePath)
{
  const std::string path = surfacePath + ".color";
  std::ifstream file;
  if (isPlainFile(path)) {
    file.open(path);
  }
  if (!file.is_open()) {
    return { defaultStructureGrey, defaultStructureGrey, defaultStructureGrey };
  }
  return parseStructureColor(file);
}
