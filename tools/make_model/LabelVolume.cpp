#include "tools/make_model/LabelVolume.h"

#include <vtkImageData.h>

#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace makemodel {

namespace {

constexpr std::size_t largestCode = 65535;

// Codes of each layer's labels: a table for the values most label maps use, a map for the rest.
class Coder
{
public:
  Coder(int layers, LabelVolume& volume)
    : small(std::size_t(layers) * 65536, 0)
    , volume(volume)
  {
    volume.segments.assign(1, LabelSegment());
  }

  // 0 for the background; -1 when there are more labels than codes.
  int code(int layer, std::int64_t value)
  {
    if (value == 0) {
      return 0;
    }
    std::uint16_t* slot = nullptr;
    if (value < 65536) {
      slot = &small[std::size_t(layer) * 65536 + std::size_t(value)];
    } else {
      slot = &large[(std::uint64_t(layer) << 32) | std::uint64_t(value)];
    }
    if (*slot == 0) {
      if (volume.segments.size() > largestCode) {
        return -1;
      }
      *slot = std::uint16_t(volume.segments.size());
      LabelSegment segment;
      segment.layer = layer;
      segment.value = value;
      volume.segments.push_back(segment);
    }
    return *slot;
  }

private:
  std::vector<std::uint16_t> small;
  std::unordered_map<std::uint64_t, std::uint16_t> large;
  LabelVolume& volume;
};

template<typename T>
std::string
convert(const T* values,
        std::size_t count,
        int layers,
        double slope,
        double intercept,
        LabelVolume& volume)
{
  Coder coder(layers, volume);
  const bool scaled = slope != 1.0 || intercept != 0.0;
  for (int layer = 0; layer < layers; ++layer) {
    std::uint16_t* codes = volume.labels.data() + std::size_t(layer) * count;
    // Labels come in runs: the last one's code is kept at hand.
    double lastValue = 0;
    int lastCode = 0;
    for (std::size_t index = 0; index < count; ++index) {
      double value = double(values[index * std::size_t(layers) + std::size_t(layer)]);
      if (scaled) {
        value = value * slope + intercept;
      }
      if (value == lastValue) {
        codes[index] = std::uint16_t(lastCode);
        continue;
      }
      if (!(value >= 0 && value <= double(largestLabelValue)) || std::floor(value) != value) {
        return scaled ? "holds values that do not scale to labels (whole numbers from 0 to "
                        "2147483647) with its slope and intercept"
                      : "holds values that are not labels (whole numbers from 0 to 2147483647)";
      }
      const int code = coder.code(layer, std::int64_t(value));
      if (code < 0) {
        return "holds more than 65535 different labels";
      }
      lastValue = value;
      lastCode = code;
      codes[index] = std::uint16_t(code);
    }
  }
  return {};
}

} // namespace

int
LabelVolume::codeOf(int layer, std::int64_t value) const
{
  for (std::size_t code = 1; code < segments.size(); ++code) {
    if (segments[code].layer == layer && segments[code].value == value &&
        segments[code].extent.voxels > 0) {
      return int(code);
    }
  }
  return 0;
}

std::vector<int>
LabelVolume::codes() const
{
  std::vector<int> present;
  for (std::size_t code = 1; code < segments.size(); ++code) {
    if (segments[code].extent.voxels > 0) {
      present.push_back(int(code));
    }
  }
  std::sort(present.begin(), present.end(), [&](int a, int b) {
    const LabelSegment& first = segments[std::size_t(a)];
    const LabelSegment& second = segments[std::size_t(b)];
    return first.value != second.value ? first.value < second.value : first.layer < second.layer;
  });
  return present;
}

LabelVolume
makeLabelVolume(vtkImageData* image, double slope, double intercept)
{
  LabelVolume volume;
  int dimensions[3];
  image->GetDimensions(dimensions);
  volume.dimensions = { dimensions[0], dimensions[1], dimensions[2] };
  volume.layers = std::max(1, image->GetNumberOfScalarComponents());
  const std::size_t count = std::size_t(dimensions[0]) * dimensions[1] * dimensions[2];
  volume.labels.resize(count * std::size_t(volume.layers));
  switch (image->GetScalarType()) {
    vtkTemplateMacro(volume.problem = convert(static_cast<const VTK_TT*>(image->GetScalarPointer()),
                                              count,
                                              volume.layers,
                                              slope,
                                              intercept,
                                              volume));
  }
  if (!volume.problem.empty()) {
    volume.labels.clear();
    volume.segments.clear();
    return volume;
  }

  // Counts and extents per code, one pass.
  std::size_t index = 0;
  for (int layer = 0; layer < volume.layers; ++layer) {
    for (int k = 0; k < dimensions[2]; ++k) {
      for (int j = 0; j < dimensions[1]; ++j) {
        for (int i = 0; i < dimensions[0]; ++i, ++index) {
          const std::uint16_t code = volume.labels[index];
          if (code == 0) {
            continue;
          }
          LabelExtent& extent = volume.segments[code].extent;
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
  }
  return volume;
}

} // namespace makemodel
