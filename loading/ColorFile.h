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

// The colour of the structure whose surface is surfacePath, from surfacePath + ".color"; a
// missing file gives the default grey.
std::array<double, 3>
readStructureColor(const std::string& surfacePath);
