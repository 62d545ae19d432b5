#pragma once

#include <array>
#include <istream>
#include <string>

// Colour of a structure without a usable colour file.
constexpr double defaultStructureGrey = 0.7;

// Reads red, green and blue (0 to 1) from the start of a colour file's text; anything after the
// third number is ignored. Fewer than three readable numbers give the default grey.
std::array<double, 3>
parseStructureColor(std::istream& input);

struct ColorRead
{
  std::array<double, 3> color{ defaultStructureGrey, defaultStructureGrey, defaultStructureGrey };
  // Empty for a usable file and for none at all; else why the colour is grey or was clamped,
  // in words that follow the file's name.
  std::string problem;
};

// The colour of the structure whose surface is surfacePath, from surfacePath + ".color", read
// from one descriptor of a regular file. A missing file gives the default grey without a
// problem; a file that holds no three numbers, or a number that is not finite, gives the grey
// with one; numbers outside 0 to 1 are clamped to it, with a problem.
ColorRead
readStructureColor(const std::string& surfacePath);
