#pragma once

#include <array>
#include <cstdint>
#include <map>
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

// A label map as 16-bit labels in index order: half the memory of most readers' int output,
// and every label tool's values fit.
struct LabelVolume
{
  std::array<int, 3> dimensions{};
  std::vector<std::uint16_t> labels;
  std::map<int, LabelExtent> extents; // every non-zero label present
  std::string problem;

  std::uint16_t at(int i, int j, int k) const
  {
    return labels[(std::size_t(k) * dimensions[1] + j) * dimensions[0] + i];
  }
};

// Converts the image's voxels (any scalar type) and counts each label. Values that are not
// whole numbers from 0 to 65535 are a problem.
LabelVolume
makeLabelVolume(vtkImageData* image);

} // namespace makemodel
