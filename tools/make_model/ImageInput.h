#pragma once

#include <vtkSmartPointer.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>

class vtkImageData;
class vtkMatrix4x4;

namespace makemodel {

// A 3-D image with its place in the patient: voxels in file index order (the image's own
// origin and spacing are not used) and the map from a continuous voxel index (i, j, k) to
// millimetres in LPS (x toward the patient's left, y posterior, z superior).
struct ImageInput
{
  vtkSmartPointer<vtkImageData> image;
  vtkSmartPointer<vtkMatrix4x4> indexToWorld; // the header's own frame (NIfTI: RAS)
  vtkSmartPointer<vtkMatrix4x4> worldToLps;
  vtkSmartPointer<vtkMatrix4x4> indexToLps;
  double rescaleSlope = 1.0; // stored value * slope + intercept = the image's value
  double rescaleIntercept = 0.0;
  // A segmentation file's layers, one a component of the image (their segments may overlap);
  // every other image has one component.
  int layers = 1;
  std::map<std::string, std::string> headerFields; // a NRRD header's fields, keys in lower case
  std::string problem; // one line for the user; empty when the image was read
};

// Images above this many bytes or voxels are refused before their voxels are read, so that the
// tool stays under 2 GB: a label map is held as read and as 16-bit labels while it is converted
// (1 GiB + 512 MiB at most), and the labels beside a label's box of 32-bit contour values or a
// CT afterwards (512 MiB + 1 GiB).
constexpr std::int64_t maximumImageBytes = std::int64_t(1) << 30;
constexpr std::int64_t maximumImageVoxels = std::int64_t(1) << 28;

// A segmentation file's layers read at most.
constexpr std::int64_t maximumLayers = 256;

// Whether path ends in one of the image formats the tool reads (.nii, .nii.gz, .nrrd, .nhdr,
// .mha, .mhd, .vti).
bool
isImagePath(const std::string& path);

// Reads the header, checks the image (3-D, one component or a segmentation's layers, at most
// maximumImageBytes and maximumImageVoxels, finite positive spacing, all its voxels present), then
// the voxels. A series of images (a fourth axis of time or frames) is refused unless frame
// chooses one. VTK's own messages are silenced; a failure is one line in problem.
ImageInput
readImageInput(const std::string& path, std::optional<long> frame = std::nullopt);

} // namespace makemodel
