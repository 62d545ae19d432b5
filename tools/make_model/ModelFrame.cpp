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

namespace makemodel {

namespace {

constexpr int nx = sectionVolumeDimensions[0];
constexpr int ny = sectionVolumeDimensions[1];
constexpr int nz = sectionVolumeDimensions[2];

// Calls fill(row, origin, step) for each line of the section volume, in parallel: origin is
// the continuous image index of the line's first voxel, step the change per voxel.
template<typename Fill>
void
forEachLine(vtkMatrix4x4* toIndex, Fill fill)
{
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
              vtkMatrix4x4* toIndex,
              double scale,
              double offset,
              std::vector<std::uint8_t>& out)
{
  const std::size_t sliceSize = std::size_t(dimensions[0]) * dimensions[1];
  forEachLine(toIndex, [&](std::size_t first, const double* origin, const double* step) {
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
      out[first + i] = std::uint8_t(std::clamp(std::lround(grey), 0L, 255L));
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

  double centre[3] = { 0.5 * (nx - 1) * sectionVolumeSpacing[0],
                       0.5 * (ny - 1) * sectionVolumeSpacing[1],
                       0.5 * (nz - 1) * sectionVolumeSpacing[2] };
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

vtkSmartPointer<vtkMatrix4x4>
sectionVoxelToModel(const ModelFrame& frame)
{
  vtkNew<vtkMatrix4x4> spacing;
  for (int axis = 0; axis < 3; ++axis) {
    spacing->SetElement(axis, axis, sectionVolumeSpacing[axis]);
  }
  auto result = vtkSmartPointer<vtkMatrix4x4>::New();
  vtkMatrix4x4::Multiply4x4(frame.volumeToModel, spacing, result);
  return result;
}

GreyWindow
percentileWindow(vtkImageData* image, double slope, double intercept)
{
  vtkDataArray* scalars = image->GetPointData()->GetScalars();
  const vtkIdType count = scalars->GetNumberOfTuples();
  const vtkIdType step = std::max<vtkIdType>(1, count / 1000000);
  std::vector<double> sample;
  sample.reserve(std::size_t(count / step + 1));
  for (vtkIdType index = 0; index < count; index += step) {
    const double value = scalars->GetComponent(index, 0) * slope + intercept;
    if (std::isfinite(value)) {
      sample.push_back(value);
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
              vtkMatrix4x4* sectionToImageIndex,
              double slope,
              double intercept,
              const GreyWindow& window)
{
  std::vector<std::uint8_t> out(static_cast<std::size_t>(sectionVolumeByteCount));
  int dimensions[3];
  image->GetDimensions(dimensions);
  // grey = 255 (value - low) / width with value = stored * slope + intercept.
  const double low = window.centre - 0.5 * window.width;
  const double scale = 255.0 * slope / window.width;
  const double offset = 255.0 * (intercept - low) / window.width;
  switch (image->GetScalarType()) {
    vtkTemplateMacro(resampleTyped(static_cast<const VTK_TT*>(image->GetScalarPointer()),
                                   dimensions,
                                   sectionToImageIndex,
                                   scale,
                                   offset,
                                   out));
  }
  return out;
}

std::vector<std::uint8_t>
resampleLabels(const std::vector<std::uint16_t>& labels,
               const std::array<int, 3>& dimensions,
               vtkMatrix4x4* sectionToImageIndex,
               const std::array<std::uint8_t, 65536>& greyOfLabel)
{
  std::vector<std::uint8_t> out(static_cast<std::size_t>(sectionVolumeByteCount));
  const std::size_t sliceSize = std::size_t(dimensions[0]) * dimensions[1];
  forEachLine(sectionToImageIndex,
              [&](std::size_t first, const double* origin, const double* step) {
                for (int i = 0; i < nx; ++i) {
                  const long x = std::lround(origin[0] + i * step[0]),
                             y = std::lround(origin[1] + i * step[1]),
                             z = std::lround(origin[2] + i * step[2]);
                  const bool inside = x >= 0 && y >= 0 && z >= 0 && x < dimensions[0] &&
                                      y < dimensions[1] && z < dimensions[2];
                  out[first + i] =
                    inside ? greyOfLabel[labels[std::size_t(z) * sliceSize +
                                                std::size_t(y) * dimensions[0] + std::size_t(x)]]
                           : backgroundGrey;
                }
              });
  return out;
}

} // namespace makemodel
