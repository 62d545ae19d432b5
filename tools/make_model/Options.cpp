#include "tools/make_model/Options.h"

#include "tools/make_model/ImageInput.h"
#include "tools/make_model/Surfaces.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <sstream>

namespace makemodel {

namespace {

// Comma-separated numbers, exactly count of them (any count when count is 0), all finite.
bool
numberList(const std::string& text, std::size_t count, std::vector<double>* numbers)
{
  std::istringstream stream(text);
  numbers->clear();
  for (std::string item; std::getline(stream, item, ',');) {
    std::size_t used = 0;
    double value = 0;
    try {
      value = std::stod(item, &used);
    } catch (...) {
      return false;
    }
    if (used != item.size() || !std::isfinite(value)) {
      return false;
    }
    numbers->push_back(value);
  }
  return !numbers->empty() && (count == 0 || numbers->size() == count) &&
         (text.empty() || text.back() != ',');
}

} // namespace

const char*
usageText()
{
  return "usage: cochlex-make-model [options] INPUT... OUT_FOLDER\n"
         "\n"
         "Makes a Cochlex teaching model from a segmentation. INPUT is a label map (.nii, "
         ".nii.gz,\n"
         ".nrrd, .nhdr, .mha, .mhd or .vti; each non-zero label a structure) and/or surfaces "
         "(.stl,\n"
         ".obj, .ply, .vtp, named after their files). OUT_FOLDER receives the model; open it with\n"
         "'cochlex OUT_FOLDER'.\n"
         "\n"
         "  --ct IMAGE               grey-value image for the section volume (any grid)\n"
         "  --window CENTER,WIDTH    grey mapping of the CT (default: 1st to 99th percentile)\n"
         "  --colors TABLE           colour table: 'label name R G B A' (0-255) or\n"
         "                           'IDX R G B A VIS MSH \"LABEL\"' lines, or CSV with the\n"
         "                           columns LabelValue,Name,Color_R,Color_G,Color_B,Color_A\n"
         "                           and an optional Group (rows under that heading)\n"
         "                           (overrides a segmentation file's names and colours)\n"
         "  --labels 3,5,7           the labels to make structures of (default: all, at most 64)\n"
         "  --surface NAME=FILE      a surface in the label map's physical frame (repeatable)\n"
         "  --side left|right        the ear's side, where the image cannot tell\n"
         "  --surface-space ras|lps  frame of surface files that do not name theirs (default:\n"
         "                           that of the label map's format, LPS without one)\n"
         "  --frame N                the image of a series (a 4-D label map) to use, from 0\n"
         "  --max-triangles N        triangle budget per structure (default 60000)\n"
         "  --section-centre X,Y,Z   the model's centre point, in the label map's millimetres\n"
         "                           (default: centre of the labelled region)\n"
         "  --descriptions FOLDER    NAME.html or LABEL.html pages describing the structures\n"
         "  --force                  replace an existing, non-empty OUT_FOLDER\n"
         "  --help                   show this text\n"
         "\n"
         "The section volume covers the structures and 2 mm around them at the CT's own\n"
         "resolution (at most 512 MB). Exit status: 0 done, 1 bad input, 2 bad usage.\n";
}

ParsedOptions
parseOptions(const std::vector<std::string>& arguments)
{
  ParsedOptions parsed;
  Options& options = parsed.options;
  std::vector<std::string> positional;
  auto fail = [&](const std::string& problem) {
    parsed.problem = problem;
    return parsed;
  };
  for (std::size_t index = 0; index < arguments.size(); ++index) {
    std::string argument = arguments[index];
    // --option=value as well as --option value.
    std::optional<std::string> attached;
    if (const std::size_t equals = argument.find('=');
        argument.compare(0, 2, "--") == 0 && equals != std::string::npos) {
      attached = argument.substr(equals + 1);
      argument.resize(equals);
    }
    if (argument == "--help" || argument == "-h") {
      parsed.help = true;
      return parsed;
    }
    if (argument == "--force" && !attached) {
      options.force = true;
      continue;
    }
    if (argument.size() < 2 || argument.compare(0, 2, "--") != 0 || argument == "--") {
      positional.push_back(argument);
      continue;
    }
    static const char* const valued[] = {
      "--ct",           "--window", "--colors",        "--labels",
      "--surface",      "--side",   "--max-triangles", "--section-centre",
      "--descriptions", "--frame",  "--surface-space"
    };
    if (std::find(std::begin(valued), std::end(valued), argument) == std::end(valued)) {
      return fail("unknown option " + argument);
    }
    if (!attached && index + 1 >= arguments.size()) {
      return fail(argument + " needs a value");
    }
    const std::string value = attached ? *attached : arguments[++index];
    std::vector<double> numbers;
    if (argument == "--ct") {
      options.ct = value;
    } else if (argument == "--colors") {
      options.colors = value;
    } else if (argument == "--descriptions") {
      options.descriptions = value;
    } else if (argument == "--window") {
      if (!numberList(value, 2, &numbers) || numbers[1] <= 0) {
        return fail("--window needs CENTER,WIDTH with a positive width, not " + value);
      }
      options.window = GreyWindow{ numbers[0], numbers[1] };
    } else if (argument == "--labels") {
      if (!numberList(value, 0, &numbers)) {
        return fail("--labels needs label numbers separated by commas, not " + value);
      }
      for (double number : numbers) {
        if (number < 1 || number > 2147483647 || std::floor(number) != number) {
          return fail("--labels: " + value +
                      " holds a value that is not a label from 1 to 2147483647");
        }
        options.labels.push_back(std::int64_t(number));
      }
    } else if (argument == "--surface") {
      const std::size_t equals = value.find('=');
      if (equals == std::string::npos || equals == 0 || equals + 1 == value.size()) {
        return fail("--surface needs NAME=FILE, not " + value);
      }
      options.surfaces.emplace_back(value.substr(0, equals), value.substr(equals + 1));
      options.sources.push_back(value.substr(equals + 1));
    } else if (argument == "--side") {
      if (value != "left" && value != "right") {
        return fail("--side needs left or right, not " + value);
      }
      options.side = value == "left" ? Side::Left : Side::Right;
    } else if (argument == "--max-triangles") {
      if (!numberList(value, 1, &numbers) || numbers[0] < 100 || numbers[0] > 10000000 ||
          std::floor(numbers[0]) != numbers[0]) {
        return fail("--max-triangles needs a whole number from 100 to 10000000, not " + value);
      }
      options.maxTriangles = long(numbers[0]);
    } else if (argument == "--frame") {
      if (!numberList(value, 1, &numbers) || numbers[0] < 0 || numbers[0] > 1e9 ||
          std::floor(numbers[0]) != numbers[0]) {
        return fail("--frame needs the number of an image of the series, from 0, not " + value);
      }
      options.frame = long(numbers[0]);
    } else if (argument == "--surface-space") {
      if (value != "ras" && value != "lps" && value != "RAS" && value != "LPS") {
        return fail("--surface-space needs ras or lps, not " + value);
      }
      options.surfaceSpace =
        value == "ras" || value == "RAS" ? PatientFrame::Ras : PatientFrame::Lps;
    } else if (argument == "--section-centre") {
      if (!numberList(value, 3, &numbers)) {
        return fail("--section-centre needs X,Y,Z in millimetres, not " + value);
      }
      options.sectionCentre = std::array<double, 3>{ numbers[0], numbers[1], numbers[2] };
    }
  }
  if (positional.empty()) {
    return fail("no OUT_FOLDER given (--help shows the usage)");
  }
  options.outFolder = positional.back();
  positional.pop_back();
  for (const std::string& input : positional) {
    if (isSurfacePath(input)) {
      options.surfaces.emplace_back(std::filesystem::path(input).stem().string(), input);
    } else if (options.labelMap.empty()) {
      options.labelMap = input;
    } else {
      return fail("more than one label map given: " + options.labelMap + " and " + input);
    }
    options.sources.push_back(input);
  }
  if (options.labelMap.empty() && options.surfaces.empty()) {
    return fail("no INPUT given: a label map or a surface (--help shows the usage)");
  }
  if (!options.ct.empty()) {
    options.sources.push_back(options.ct);
  }
  if (!options.colors.empty()) {
    options.sources.push_back(options.colors);
  }
  return parsed;
}

} // namespace makemodel
