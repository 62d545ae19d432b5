#include "loading/ColorFile.h"

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
  std::ifstream file(surfacePath + ".color");
  if (!file) {
    return { defaultStructureGrey, defaultStructureGrey, defaultStructureGrey };
  }
  return parseStructureColor(file);
}
