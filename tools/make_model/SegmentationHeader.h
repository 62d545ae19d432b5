#pragma once

// The segments a segmentation file's NRRD header describes: each one's name, colour, layer and
// label value, in fields "Segment<N>_Name", "Segment<N>_Color" (three numbers from 0 to 1),
// "Segment<N>_Layer" and "Segment<N>_LabelValue".

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace makemodel {

struct SegmentInfo
{
  int index = 0; // N of its fields
  std::string name;
  std::optional<std::array<double, 3>> color;
  int layer = 0;
  std::int64_t labelValue = 1;
};

struct SegmentList
{
  std::vector<SegmentInfo> segments; // by N
  std::string problem;               // one line; empty when every segment's fields were read
};

// fields: the header's fields, keys in lower case; layers: the image's layers. A segment without
// a layer is in the layer of its own number when there are several (older files keep one segment
// a layer), else in the only one; without a label value its label is 1.
SegmentList
segmentsFromHeader(const std::map<std::string, std::string>& fields, int layers);

// A name as a list shows it: control characters (tabs, line breaks, escapes) as spaces, spaces
// at either end dropped, at most longest bytes without splitting a UTF-8 character.
std::string
displayName(const std::string& name, std::size_t longest);

} // namespace makemodel
