#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class vtkImageData;

namespace makemodel {

// The extent of one label in voxel indices, inclusive, and its voxel count.
struct LabelExtent
{
  std::int64_t voxels = 0;
  std::array<int, 3> low{ { 1 << 30, 1 << 30, 1 << 30 } };
  std::array<int, 3> high{ { -1, -1, -1 } };
};

// One label present in a layer of the map.
struct LabelSegment
{
  int layer = 0;
  std::int64_t value = 0; // the label as the file gives it (after any scaling)
  LabelExtent extent;
};

// The largest label value read: that of a 32-bit signed label map.
constexpr std::int64_t largestLabelValue = 2147483647;

// A label map as 16-bit codes in index order, one plane of codes per layer (a segmentation's
// layers may overlap): half the memory of most readers' int output. Each code stands for one
// label of one layer, so labels up to largestLabelValue fit as long as at most 65535 different
// ones are present.
struct LabelVolume
{
  std::array<int, 3> dimensions{};
  int layers = 1;
  std::vector<std::uint16_t> labels;  // codes; 0 is the background
  std::vector<LabelSegment> segments; // by code; segments[0] is the background's
  std::string problem;

  std::uint16_t at(int i, int j, int k, int layer = 0) const
  {
    return labels[((std::size_t(layer) * dimensions[2] + k) * dimensions[1] + j) * dimensions[0] +
                  i];
  }
  // The code of a layer's label, 0 when the label has no voxels there.
  int codeOf(int layer, std::int64_t value) const;
  // Codes of every label present, ordered by value, then layer.
  std::vector<int> codes() const;
};

// Converts the image's voxels (any scalar type; each component a layer) to labels by value *
// slope + intercept, and counts each label. Values that do not become whole numbers from 0 to
// largestLabelValue, or more than 65535 different labels, are a problem.
LabelVolume
makeLabelVolume(vtkImageData* image, double slope = 1.0, double intercept = 0.0);

} // namespace makemodel
