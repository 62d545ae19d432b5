#pragma once

#include <vtkSmartPointer.h>

#include <cstdint>
#include <string>

class vtkImageData;

// The raw section volume: one unsigned byte per voxel, x fastest, then y, then z, no header.
constexpr int sectionVolumeDimensions[3] = { 748, 552, 115 };
constexpr double sectionVolumeSpacing[3] = { 0.0127, 0.0127, 0.02 };
constexpr std::int64_t sectionVolumeByteCount = std::int64_t(748) * 552 * 115;

struct SectionVolumeRead
{
  vtkSmartPointer<vtkImageData> volume; // null when the file could not be opened
  std::int64_t bytesRead = 0;           // at most sectionVolumeByteCount
  std::int64_t fileSize = 0;            // larger than sectionVolumeByteCount: the rest is unused
  std::string problem;                  // the console line; empty for a complete volume
};

// Opens path (a regular file only) and, when it opens, builds the image (dimensions, origin 0,
// spacing, one unsigned-char component) and reads the file straight into its scalars in one bulk
// read. Voxels a short file does not reach are 0 (and problem names the count read); bytes past the
// volume are not read.
SectionVolumeRead
readSectionVolume(const std::string& path);
