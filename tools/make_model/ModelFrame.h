#pragma once

#include "loading/SectionVolume.h"

#include <vtkSmartPointer.h>

#include <array>
#include <cstdint>
#include <string>
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
// orientation marker's M, P and S). The region's centre goes where the original model's sections
// meet (the centre of its fixed 748 x 552 x 115 volume), so a made model stands where the
// viewer's cameras expect one, and the patient's axes go to the model's. For a left ear medial is
// the patient's right, so the model is its mirror image: the marker's letters then stay true, and
// the volume and the surfaces go through the same map, so the sections still cut the surfaces
// where they are drawn.
struct ModelFrame
{
  vtkSmartPointer<vtkMatrix4x4> lpsToModel;
  vtkSmartPointer<vtkMatrix4x4> volumeToModel; // section volume millimetres to model
  std::array<double, 3> centreInModel{};
  bool mirrored = false;
};

ModelFrame
makeModelFrame(const std::array<double, 3>& regionCentreLps, Side side);

// The millimetres of margin the section volume keeps around the labelled region: room for the
// tissue a structure touches (the sample's joint space is 0.3 mm wide, its ligaments 1 mm).
constexpr double sectionMargin = 2.0;

// An image the section volume is cut from: its voxels' map to LPS and its size.
struct GridSource
{
  vtkMatrix4x4* indexToLps = nullptr; // null: no image, the grid is chosen for the box alone
  std::array<int, 3> dimensions{};
};

// The section volume's grid: along the model frame's axes, over regionLps (an LPS box: x min,
// x max, y min, ...) grown by sectionMargin and cut to the image, at the image's own spacing and
// on its voxel centres (a grid of its own, the largest side 256 voxels, without one). A grid
// over largestBytes is coarsened to fit; note then says so.
SectionVolumeGrid
sectionGrid(const ModelFrame& frame,
            const std::array<double, 6>& regionLps,
            const GridSource& source,
            std::int64_t largestBytes,
            std::string& note);

// Grey mapping of a CT: value v becomes 255 (v - (centre - width / 2)) / width, clamped.
struct GreyWindow
{
  double centre = 0;
  double width = 1;
};

// From the 1st and 99th percentiles of the image's values (a sample of about a million voxels)
// inside the index box of regionLps grown by sectionMargin: the tissue the sections show, not the
// rest of the head nor the padding outside the scan. Values below -1024 (below air in
// Hounsfield units: only the padding of a CT, -2000 or -3024) are left out as well.
GreyWindow
percentileWindow(vtkImageData* image,
                 vtkMatrix4x4* indexToLps,
                 const std::array<double, 6>& regionLps,
                 double slope,
                 double intercept);

// The section volume from a CT: trilinear in the CT's voxels; outside the CT, black.
// sectionToImageIndex maps a section voxel index to a continuous CT index.
std::vector<std::uint8_t>
resampleImage(vtkImageData* image,
              const std::array<int, 3>& sectionDimensions,
              vtkMatrix4x4* sectionToImageIndex,
              double slope,
              double intercept,
              const GreyWindow& window);

// The section volume from labels alone: the nearest label's grey, chosen labels only, on a
// dark background. Where a segmentation's layers overlap, the first layer with a grey there
// shows.
std::vector<std::uint8_t>
resampleLabels(const std::vector<std::uint16_t>& labels,
               int layers,
               const std::array<int, 3>& dimensions,
               const std::array<int, 3>& sectionDimensions,
               vtkMatrix4x4* sectionToImageIndex,
               const std::array<std::uint8_t, 65536>& greyOfLabel);

constexpr std::uint8_t backgroundGrey = 16;

} // namespace makemodel
