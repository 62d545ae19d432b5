#include "tools/make_model/ModelFrame.h"

#include "loading/SectionVolume.h"
#include "tools/SampleAnatomy.h"

#include <vtkDataArray.h>
#include <vtkImageData.h>
#include <vtkMatrix4x4.h>
#include <vtkNew.h>
#include <vtkPointData.h>
#include <vtkSMPTools.h>
#include <vtkTransform.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace makemodel {

namespace {

// Calls fill(row, origin, step) for each line of the section volume, in parallel: origin is
// the continuous image index of the line's first voxel, step the change per voxel.
template<typename Fill>
void
forEachLine(const std::array<int, 3>& size, vtkMatrix4x4* toIndex, Fill fill)
{
  const int nx = size[0], ny = size[1], nz = size[2];
  double m[16];
  vtkMatrix4x4::DeepCopy(m, toIndex);
  vtkSMPTools::For(0, vtkIdType(ny) * nz, [&](vtkIdType begin, vtkIdType end) {
    for (vtkIdType line = begin; line < end; ++line) {
      const vtkIdType row = line % ny, slice = line / ny;
      const double j = double(row), k = double(slice);
      const double origin[3] = { m[1] * j + m[2] * k + m[3],
                                 m[5] * j + m[6] * k + m[7],
                                 m[9] * j + m[10] * k + m[11] };
      const double step[3] = { m[0], m[4], m[8] };
      fill(std::size_t(line) * nx, origin, step);
    }
  });
}

template<typename T>
void
resampleTyped(const T* values,
              const int* dimensions,
              const std::array<int, 3>& size,
              vtkMatrix4x4* toIndex,
              double scale,
              double offset,
              std::vector<std::uint8_t>& out)
{
  const std::size_t sliceSize = std::size_t(dimensions[0]) * dimensions[1];
  const int nx = size[0];
  forEachLine(size, toIndex, [&](std::size_t first, const double* origin, const double* step) {
    for (int i = 0; i < nx; ++i) {
      const double x = origin[0] + i * step[0], y = origin[1] + i * step[1],
                   z = origin[2] + i * step[2];
      if (!(x >= 0 && y >= 0 && z >= 0 && x <= dimensions[0] - 1 && y <= dimensions[1] - 1 &&
            z <= dimensions[2] - 1)) {
        out[first + i] = 0;
        continue;
      }
      const int i0 = std::min(int(x), dimensions[0] - 2), j0 = std::min(int(y), dimensions[1] - 2),
                k0 = std::min(int(z), dimensions[2] - 2);
      const double fx = x - i0, fy = y - j0, fz = z - k0;
      const T* corner = values + k0 * sliceSize + std::size_t(j0) * dimensions[0] + i0;
      auto lerp = [](double a, double b, double t) { return a + t * (b - a); };
      auto row = [&](const T* p) { return lerp(double(p[0]), double(p[1]), fx); };
      const double below = lerp(row(corner), row(corner + dimensions[0]), fy);
      const double above =
        lerp(row(corner + sliceSize), row(corner + sliceSize + dimensions[0]), fy);
      const double grey = lerp(below, above, fz) * scale + offset;
      // The clamped grey rounded by floor(grey + 0.5): std::lround took a third of this loop.
      out[first + i] = std::uint8_t(std::floor(std::clamp(grey, 0.0, 255.0) + 0.5));
    }
  });
}

} // namespace

ModelFrame
makeModelFrame(const std::array<double, 3>& regionCentreLps, Side side)
{
  ModelFrame frame;
  frame.mirrored = side == Side::Left;
  vtkNew<vtkTransform> placement;
  sample::buildVolumePlacement(placement);
  frame.volumeToModel = vtkSmartPointer<vtkMatrix4x4>::New();
  frame.volumeToModel->DeepCopy(placement->GetMatrix());

  double centre[3] = { 0.5 * (sectionVolumeDimensions[0] - 1) * sectionVolumeSpacing[0],
                       0.5 * (sectionVolumeDimensions[1] - 1) * sectionVolumeSpacing[1],
                       0.5 * (sectionVolumeDimensions[2] - 1) * sectionVolumeSpacing[2] };
  placement->TransformPoint(centre, centre);
  frame.centreInModel = { centre[0], centre[1], centre[2] };

  // LPS is medial-posterior-superior for a right ear; a left ear's medial is the patient's
  // right.
  vtkNew<vtkTransform> lpsToModel;
  lpsToModel->PostMultiply();
  lpsToModel->Translate(-regionCentreLps[0], -regionCentreLps[1], -regionCentreLps[2]);
  if (frame.mirrored) {
    lpsToModel->Scale(-1, 1, 1);
  }
  lpsToModel->Translate(centre);
  frame.lpsToModel = vtkSmartPointer<vtkMatrix4x4>::New();
  frame.lpsToModel->DeepCopy(lpsToModel->GetMatrix());
  return frame;
}

namespace {

// The corners of an LPS box through matrix: the box around them.
std::array<double, 6>
boxThrough(vtkMatrix4x4* matrix, const std::array<double, 6>& box)
{
  std::array<double, 6> result{ { 1e300, -1e300, 1e300, -1e300, 1e300, -1e300 } };
  for (int corner = 0; corner < 8; ++corner) {
    double point[4] = { box[corner & 1], box[2 + ((corner >> 1) & 1)], box[4 + (corner >> 2)], 1 };
    matrix->MultiplyPoint(point, point);
    for (std::size_t axis = 0; axis < 3; ++axis) {
      result[2 * axis] = std::min(result[2 * axis], point[axis]);
      result[2 * axis + 1] = std::max(result[2 * axis + 1], point[axis]);
    }
  }
  return result;
}

std::array<double, 6>
grown(std::array<double, 6> box, double margin)
{
  for (std::size_t axis = 0; axis < 3; ++axis) {
    box[2 * axis] -= margin;
    box[2 * axis + 1] += margin;
  }
  return box;
}

vtkSmartPointer<vtkMatrix4x4>
inverted(vtkMatrix4x4* matrix)
{
  auto result = vtkSmartPointer<vtkMatrix4x4>::New();
  vtkMatrix4x4::Invert(matrix, result);
  return result;
}

} // namespace

SectionVolumeGrid
sectionGrid(const ModelFrame& frame,
            const std::array<double, 6>& regionLps,
            const GridSource& source,
            std::int64_t largestBytes,
            std::string& note)
{
  std::array<double, 6> box = grown(regionLps, sectionMargin);
  std::array<double, 3> spacing{};
  if (source.indexToLps != nullptr) {
    // Only where the image has voxels: outside it a section would be black.
    const std::array<double, 6> image = boxThrough(source.indexToLps,
                                                   { -0.5,
                                                     source.dimensions[0] - 0.5,
                                                     -0.5,
                                                     source.dimensions[1] - 0.5,
                                                     -0.5,
                                                     source.dimensions[2] - 0.5 });
    for (std::size_t axis = 0; axis < 3; ++axis) {
      box[2 * axis] = std::max(box[2 * axis], image[2 * axis]);
      box[2 * axis + 1] = std::min(box[2 * axis + 1], image[2 * axis + 1]);
      box[2 * axis + 1] = std::max(box[2 * axis], box[2 * axis + 1]);
    }
    // Along each model axis the spacing of the image axis that runs along it (the model's axes
    // are LPS's, x perhaps reversed). An image turned against them is resampled at half its
    // finest spacing: at its own, a voxel's content would move by up to half a voxel.
    bool turned = false;
    for (int axis = 0; axis < 3; ++axis) {
      double best = -1;
      for (int column = 0; column < 3; ++column) {
        const double length = std::hypot(source.indexToLps->GetElement(0, column),
                                         source.indexToLps->GetElement(1, column),
                                         source.indexToLps->GetElement(2, column));
        const double along = std::abs(source.indexToLps->GetElement(axis, column)) / length;
        if (along > best) {
          best = along;
          spacing[std::size_t(axis)] = length;
        }
      }
      turned = turned || best < 0.9999;
    }
    if (turned) {
      spacing.fill(0.5 * std::min({ spacing[0], spacing[1], spacing[2] }));
    }
  } else {
    const double longest = std::max({ box[1] - box[0], box[3] - box[2], box[5] - box[4] });
    spacing.fill(std::max(longest / 255.0, 0.01));
  }

  const std::array<double, 6> model = boxThrough(frame.lpsToModel, box);
  SectionVolumeGrid grid;
  grid.relativePath = "/Joint/Sections.raw";
  grid.placed = true;
  grid.spacing = spacing;
  std::array<double, 4> origin{ model[0], model[2], model[4], 1 };
  if (source.indexToLps != nullptr) {
    // On the image's voxel centres: an image along the model's axes is then copied, not blurred.
    vtkNew<vtkMatrix4x4> modelToIndex;
    vtkMatrix4x4::Multiply4x4(
      inverted(source.indexToLps), inverted(frame.lpsToModel), modelToIndex);
    double index[4];
    modelToIndex->MultiplyPoint(origin.data(), index);
    for (double& value : index) {
      value = std::round(value);
    }
    index[3] = 1;
    const vtkSmartPointer<vtkMatrix4x4> indexToModel = inverted(modelToIndex);
    indexToModel->MultiplyPoint(index, origin.data());
  }
  grid.origin = { origin[0], origin[1], origin[2] };
  const auto fit = [&] {
    for (std::size_t axis = 0; axis < 3; ++axis) {
      const double extent = model[2 * axis + 1] - grid.origin[axis];
      grid.dimensions[axis] = int(std::clamp(std::floor(extent / grid.spacing[axis] + 1e-6) + 1,
                                             1.0,
                                             0.5 * std::numeric_limits<int>::max()));
    }
  };
  fit();
  if (grid.byteCount() > largestBytes) {
    const std::array<int, 3> fine = grid.dimensions;
    const std::array<double, 3> ownSpacing = grid.spacing;
    // The voxel count falls as the cube of the factor, less the one voxel each axis keeps: a few
    // steps of 2 % past the cube root fit it.
    double factor = std::cbrt(double(grid.byteCount()) / double(largestBytes));
    for (; grid.byteCount() > largestBytes; factor *= 1.02) {
      for (std::size_t axis = 0; axis < 3; ++axis) {
        grid.spacing[axis] = ownSpacing[axis] * factor;
      }
      fit();
    }
    char text[200];
    std::snprintf(text,
                  sizeof text,
                  "its grid over the region (%d x %d x %d voxels) is larger than %lld MB: "
                  "coarsened to %d x %d x %d",
                  fine[0],
                  fine[1],
                  fine[2],
                  static_cast<long long>(largestBytes >> 20),
                  grid.dimensions[0],
                  grid.dimensions[1],
                  grid.dimensions[2]);
    note = text;
  }
  return grid;
}

GreyWindow
percentileWindow(vtkImageData* image,
                 vtkMatrix4x4* indexToLps,
                 const std::array<double, 6>& regionLps,
                 double slope,
                 double intercept)
{
  vtkDataArray* scalars = image->GetPointData()->GetScalars();
  int dimensions[3];
  image->GetDimensions(dimensions);
  const std::array<double, 6> indexBox =
    boxThrough(inverted(indexToLps), grown(regionLps, sectionMargin));
  std::array<vtkIdType, 3> first{}, last{};
  vtkIdType count = 1;
  for (std::size_t axis = 0; axis < 3; ++axis) {
    first[axis] = vtkIdType(std::clamp(std::ceil(indexBox[2 * axis]), 0.0, dimensions[axis] - 1.0));
    last[axis] =
      vtkIdType(std::clamp(std::floor(indexBox[2 * axis + 1]), 0.0, dimensions[axis] - 1.0));
    last[axis] = std::max(last[axis], first[axis]);
    count *= last[axis] - first[axis] + 1;
  }
  // The same stride along every axis, so the sample spreads over the whole box.
  const vtkIdType step =
    std::max<vtkIdType>(1, vtkIdType(std::floor(std::cbrt(double(count) / 1000000.0))));
  std::vector<double> sample;
  for (vtkIdType k = first[2]; k <= last[2]; k += step) {
    for (vtkIdType j = first[1]; j <= last[1]; j += step) {
      for (vtkIdType i = first[0]; i <= last[0]; i += step) {
        const vtkIdType index = (k * dimensions[1] + j) * dimensions[0] + i;
        const double value = scalars->GetComponent(index, 0) * slope + intercept;
        if (std::isfinite(value) && value >= -1024) {
          sample.push_back(value);
        }
      }
    }
  }
  GreyWindow window;
  if (sample.empty()) {
    return window;
  }
  auto percentile = [&](double fraction) {
    auto at = sample.begin() + std::ptrdiff_t(fraction * double(sample.size() - 1));
    std::nth_element(sample.begin(), at, sample.end());
    return *at;
  };
  const double low = percentile(0.01), high = percentile(0.99);
  window.centre = 0.5 * (low + high);
  window.width = std::max(high - low, 1e-6);
  return window;
}

std::vector<std::uint8_t>
resampleImage(vtkImageData* image,
              const std::array<int, 3>& sectionDimensions,
              vtkMatrix4x4* sectionToImageIndex,
              double slope,
              double intercept,
              const GreyWindow& window)
{
  std::vector<std::uint8_t> out(std::size_t(sectionDimensions[0]) * sectionDimensions[1] *
                                std::size_t(sectionDimensions[2]));
  int dimensions[3];
  image->GetDimensions(dimensions);
  // grey = 255 (value - low) / width with value = stored * slope + intercept.
  const double low = window.centre - 0.5 * window.width;
  const double scale = 255.0 * slope / window.width;
  const double offset = 255.0 * (intercept - low) / window.width;
  switch (image->GetScalarType()) {
    vtkTemplateMacro(resampleTyped(static_cast<const VTK_TT*>(image->GetScalarPointer()),
                                   dimensions,
                                   sectionDimensions,
                                   sectionToImageIndex,
                                   scale,
                                   offset,
                                   out));
  }
  return out;
}

std::vector<std::uint8_t>
resampleLabels(const std::vector<std::uint16_t>& labels,
               int layers,
               const std::array<int, 3>& dimensions,
               const std::array<int, 3>& sectionDimensions,
               vtkMatrix4x4* sectionToImageIndex,
               const std::array<std::uint8_t, 65536>& greyOfLabel)
{
  std::vector<std::uint8_t> out(std::size_t(sectionDimensions[0]) * sectionDimensions[1] *
                                std::size_t(sectionDimensions[2]));
  const std::size_t sliceSize = std::size_t(dimensions[0]) * dimensions[1];
  const std::size_t layerSize = sliceSize * std::size_t(dimensions[2]);
  const int nx = sectionDimensions[0];
  forEachLine(sectionDimensions,
              sectionToImageIndex,
              [&](std::size_t first, const double* origin, const double* step) {
                for (int i = 0; i < nx; ++i) {
                  const long x = std::lround(origin[0] + i * step[0]),
                             y = std::lround(origin[1] + i * step[1]),
                             z = std::lround(origin[2] + i * step[2]);
                  const bool inside = x >= 0 && y >= 0 && z >= 0 && x < dimensions[0] &&
                                      y < dimensions[1] && z < dimensions[2];
                  std::uint8_t grey = backgroundGrey;
                  const std::size_t voxel =
                    std::size_t(z) * sliceSize + std::size_t(y) * dimensions[0] + std::size_t(x);
                  for (int layer = 0; inside && layer < layers && grey == backgroundGrey; ++layer) {
                    grey = greyOfLabel[labels[std::size_t(layer) * layerSize + voxel]];
                  }
                  out[first + i] = grey;
                }
              });
  return out;
}

} // namespace makemodel
