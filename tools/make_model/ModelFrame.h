#pragma once

#include <vtkSmartPointer.h>

#include <array>
#include <cstdint>
#include <vector>

class vtkImageData;
class vtkMatrix4x4;

namespace makemodel {

enum class Side
{
  Right,
  Left
};

// Where the region goes in the viewer's model frame (x medial, y posterior, z superior: the
// orientation marker's M, P and S). The viewer places its fixed 748 x 552 x 115 section volume
// with fixed transforms; the region's centre goes to the centre of that volume, and the
// patient's axes to the model's. For a left ear medial is the patient's right, so the model is
// its mirror image: the marker's letters then stay true, and the volume and the surfaces go
// through the same map, so the sections still cut the surfaces where they are drawn.
struct ModelFrame
{
  vtkSmartPointer<vtkMatrix4x4> lpsToModel;
  vtkSmartPointer<vtkMatrix4x4> volumeToModel; // section volume millimetres to model
  std::array<double, 3> centreInModel{};
  bool mirrored = false;
};

ModelFrame
makeModelFrame(const std::array<double, 3>& regionCentreLps, Side side);

// The section volume's voxel (i, j, k) sits at (i, j, k) times the volume's spacing in its own
// frame.
vtkSmartPointer<vtkMatrix4x4>
sectionVoxelToModel(const ModelFrame& frame);

// Grey mapping of a CT: value v becomes 255 (v - (centre - width / 2)) / width, clamped.
struct GreyWindow
{
  double centre = 0;
  double width = 1;
};

// From the 1st and 99th percentiles of the image's values (a sample of about a million voxels).
GreyWindow
percentileWindow(vtkImageData* image, double slope, double intercept);

// The section volume from a CT: trilinear in the CT's voxels; outside the CT, black.
// sectionToImageIndex maps a section voxel index to a continuous CT index.
std::vector<std::uint8_t>
resampleImage(vtkImageData* image,
              vtkMatrix4x4* sectionToImageIndex,
              double slope,
              double intercept,
              const GreyWindow& window);

// The section volume from labels alone: the nearest label's grey, chosen labels only, on a
// dark background.
std::vector<std::uint8_t>
resampleLabels(const std::vector<std::uint16_t>& labels,
               const std::array<int, 3>& dimensions,
               vtkMatrix4x4* sectionToImageIndex,
               const std::array<std::uint8_t, 65536>& greyOfLabel);

constexpr std::uint8_t backgroundGrey = 16;

} // namespace makemodel
