#include "tools/make_model/SegmentationHeader.h"

#include "loading/ModelFile.h"
#include "tools/make_model/ImageHeaders.h"

#include <cctype>
#include <cmath>
#include <cstdlib>

namespace makemodel {

namespace {

// A NRRD value's escapes: "\n" a line break, "\\" a backslash.
std::string
unescaped(const std::string& value)
{
  std::string text;
  for (std::size_t at = 0; at < value.size(); ++at) {
    if (value[at] == '\\' && at + 1 < value.size()) {
      ++at;
      text += value[at] == 'n' ? '\n' : value[at];
    } else {
      text += value[at];
    }
  }
  return text;
}

} // namespace

std::string
displayName(const std::string& name, std::size_t longest)
{
  std::string text = name;
  for (char& character : text) {
    const auto byte = static_cast<unsigned char>(character);
    if (byte < 0x20 || byte == 0x7f) {
      character = ' ';
    }
  }
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) {
    return {};
  }
  text = text.substr(first, text.find_last_not_of(' ') + 1 - first);
  if (text.size() > longest) {
    std::size_t cut = longest;
    // Back to the start of a UTF-8 character (not a continuation byte 10xxxxxx).
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xc0) == 0x80) {
      --cut;
    }
    text.resize(cut);
    text.erase(text.find_last_not_of(' ') + 1);
  }
  return text;
}

SegmentList
segmentsFromHeader(const std::map<std::string, std::string>& fields, int layers)
{
  SegmentList list;
  std::map<int, SegmentInfo> found;
  std::map<int, bool> layerGiven;
  for (auto field = fields.lower_bound("segment");
       field != fields.end() && field->first.compare(0, 7, "segment") == 0;
       ++field) {
    const std::string& key = field->first;
    std::size_t end = 7;
    while (end < key.size() && end < 13 && std::isdigit(static_cast<unsigned char>(key[end]))) {
      ++end;
    }
    if (end == 7 || end >= key.size() || key[end] != '_') {
      continue;
    }
    const int index = std::atoi(key.substr(7, end - 7).c_str());
    const std::string part = key.substr(end + 1);
    const std::string value = unescaped(field->second);
    SegmentInfo& segment = found[index];
    segment.index = index;
    const std::string label = "Segment" + std::to_string(index) + "_";
    if (part == "name") {
      segment.name = value;
    } else if (part == "color") {
      const std::vector<double> rgb = numbersIn(value);
      if (rgb.size() != 3 || !(rgb[0] >= 0 && rgb[0] <= 1) || !(rgb[1] >= 0 && rgb[1] <= 1) ||
          !(rgb[2] >= 0 && rgb[2] <= 1)) {
        list.problem =
          label + "Color is not three numbers from 0 to 1: " + shortenedInMiddle(value, 60);
        return list;
      }
      segment.color = std::array<double, 3>{ { rgb[0], rgb[1], rgb[2] } };
    } else if (part == "layer" || part == "labelvalue") {
      const std::vector<double> number = numbersIn(value);
      const double highest = part == "layer" ? double(layers - 1) : 2147483647.0;
      if (number.size() != 1 || !(number[0] >= (part == "layer" ? 0 : 1)) ||
          !(number[0] <= highest) || std::floor(number[0]) != number[0]) {
        list.problem =
          part == "layer"
            ? label + "Layer is not one of the file's " + std::to_string(layers) +
                " layers (0 to " + std::to_string(layers - 1) + "): " + shortenedInMiddle(value, 40)
            : label +
                "LabelValue is not a label from 1 to 2147483647: " + shortenedInMiddle(value, 40);
        return list;
      }
      if (part == "layer") {
        segment.layer = int(number[0]);
        layerGiven[index] = true;
      } else {
        segment.labelValue = std::int64_t(number[0]);
      }
    }
  }
  for (auto& [index, segment] : found) {
    if (!layerGiven[index] && layers > 1) {
      if (index >= layers) {
        list.problem = "Segment" + std::to_string(index) + " names no layer, and the file has " +
                       std::to_string(layers) + " layers";
        return list;
      }
      segment.layer = index;
    }
    list.segments.push_back(segment);
  }
  return list;
}

} // namespace makemodel
