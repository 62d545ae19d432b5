#pragma once

#include "tools/make_model/ModelFrame.h"
#include "tools/make_model/SurfaceFiles.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace makemodel {

struct Options
{
  std::string labelMap;
  std::vector<std::pair<std::string, std::string>> surfaces; // name, file
  std::string ct;
  std::optional<GreyWindow> window;
  std::string colors;
  std::vector<std::int64_t> labels;
  std::optional<Side> side;
  long maxTriangles = 60000;
  std::optional<long> frame;                // of a series of label maps
  std::optional<PatientFrame> surfaceSpace; // of surface files that do not say theirs
  std::optional<std::array<double, 3>> sectionCentre;
  std::string descriptions;
  bool force = false;
  std::string outFolder;
  std::vector<std::string> sources; // every input file, in the order given
};

struct ParsedOptions
{
  Options options;
  bool help = false;
  std::string problem; // a usage problem: one line, exit status 2
};

ParsedOptions
parseOptions(const std::vector<std::string>& arguments);

const char*
usageText();

} // namespace makemodel
