#include "tools/make_model/LabelVolume.h"

#include <vtkImageData.h>

#include <algorithm>
#include <cmath>

namespace makemodel {

namespace {

template<typename T>
bool
convert(const T* values, std::size_t count, std::uint16_t* labels)
{
  for (std::size_t index = 0; index < count; ++index) {
    const double value = double(values[index]);
    if (!(value >= 0 && value <= 65535) || std::floor(value) != value) {
      return false;
    }
    labels[index] = std::uint16_t(value);
  }
  return true;
}

} // namespace

LabelVolume
makeLabelVolume(vtkImageData* image)
{
  LabelVolume volume;
  int dimensions[3];
  image->GetDimensions(dimensions);
  volume.dimensions = { dimensions[0], dimensions[1], dimensions[2] };
  const std::size_t count = std::size_t(dimensions[0]) * dimensions[1] * dimensions[2];
  volume.labels.resize(count);
  bool whole = false;
  switch (image->GetScalarType()) {
    vtkTemplateMacro(whole = convert(static_cast<const VTK_TT*>(image->GetScalarPointer()),
                                     count,
                                     volume.labels.data()));
  }
  if (!whole) {
    volume.labels.clear();
    volume.problem = "holds values that are not labels (whole numbers from 0 to 65535)";
    return volume;
  }

  // Counts and extents per label, one pass; a dense table is quicker than a map per voxel.
  std::vector<LabelExtent> table(65536);
  std::size_t index = 0;
  for (int k = 0; k < dimensions[2]; ++k) {
    for (int j = 0; j < dimensions[1]; ++j) {
      for (int i = 0; i < dimensions[0]; ++i, ++index) {
        const std::uint16_t label = volume.labels[index];
        if (label == 0) {
          continue;
        }
        LabelExtent& extent = table[label];
        ++extent.voxels;
        extent.low = { std::min(extent.low[0], i),
                       std::min(extent.low[1], j),
                       std::min(extent.low[2], k) };
        extent.high = { std::max(extent.high[0], i),
                        std::max(extent.high[1], j),
                        std::max(extent.high[2], k) };
      }
    }
  }
  for (int label = 1; label < 65536; ++label) {
    if (table[std::size_t(label)].voxels > 0) {
      volume.extents[label] = table[std::size_t(label)];
    }
  }
  return volume;
}

} // namespace makemodel
