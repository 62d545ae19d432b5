#pragma once

#include <vtkSmartPointer.h>

#include <array>
#include <cstdint>
#include <string>

class vtkImageData;
class vtkMatrix4x4;

// The raw section volume: one unsigned byte per voxel, x fastest, then y, then z, no header.
// A folder without a volume entry in its manifest holds this fixed grid in "Joint/Joint.raw",
// placed by the fixed section transforms.
constexpr int sectionVolumeDimensions[3] = { 748, 552, 115 };
constexpr double sectionVolumeSpacing[3] = { 0.0127, 0.0127, 0.02 };
constexpr std::int64_t sectionVolumeByteCount = std::int64_t(748) * 552 * 115;
// A volume is held once, in the image the sections are cut from: 512 MB keeps a whole middle
// ear CT at 0.1 mm (about 800 x 800 x 800 voxels) well inside a school computer's memory.
constexpr std::int64_t largestSectionVolumeBytes = std::int64_t(512) << 20;

// The grid of a section volume: its file, voxels, spacing and, for a grid a manifest describes,
// its place in the model frame.
struct SectionVolumeGrid
{
  std::string relativePath = "/Joint/Joint.raw"; // from the model folder, beginning with "/"
  std::array<int, 3> dimensions{ sectionVolumeDimensions[0],
                                 sectionVolumeDimensions[1],
                                 sectionVolumeDimensions[2] };
  std::array<double, 3> spacing{ sectionVolumeSpacing[0],
                                 sectionVolumeSpacing[1],
                                 sectionVolumeSpacing[2] };
  // Where voxel (0, 0, 0) is in the model frame, and the unit vectors of the i, j and k axes.
  std::array<double, 3> origin{};
  std::array<std::array<double, 3>, 3> direction{ { { 1, 0, 0 }, { 0, 1, 0 }, { 0, 0, 1 } } };
  // false: the fixed grid, placed by the fixed section transforms; true: placed by origin and
  // direction.
  bool placed = false;

  std::int64_t byteCount() const
  {
    return std::int64_t(dimensions[0]) * dimensions[1] * dimensions[2];
  }
};

// The map from a placed grid's voxel index (i, j, k) to the model frame.
vtkSmartPointer<vtkMatrix4x4>
sectionVoxelPlacement(const SectionVolumeGrid& grid);

struct SectionVolumeRead
{
  vtkSmartPointer<vtkImageData> volume; // null when the file could not be opened or used
  std::int64_t bytesRead = 0;           // at most the grid's byte count
  std::int64_t fileSize = 0;            // larger than the grid's byte count: the rest is unused
  std::string problem;                  // the console line; empty for a complete volume
  bool refused = false;                 // a placed grid's file is too short: nothing was read
};

// Opens path (a regular file only) and, when it opens, builds the image (the grid's dimensions,
// origin 0, its spacing, one unsigned-char component) and reads the file straight into its
// scalars in one bulk read. For the fixed grid, voxels a short file does not reach are 0 (and
// problem names the count read); a placed grid whose file is shorter than its voxels is refused
// before anything is allocated. Bytes past the volume are not read.
SectionVolumeRead
readSectionVolume(const std::string& path, const SectionVolumeGrid& grid = {});
