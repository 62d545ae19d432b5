#pragma once

// NRRD voxels read here rather than by VTK's reader, which takes the first of four axes for
// components whatever the header's kinds say (a segmentation's layers became a 2-D image), reads
// neither bzip2 nor skipped lines, and trusts its sizes. Every byte count is checked against the
// header before a voxel is kept, and output never grows past what the header declares.

#include <vtkSmartPointer.h>

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

class vtkImageData;

namespace makemodel {

// What a NRRD header says about its voxels.
struct NrrdLayout
{
  std::array<std::int64_t, 3> sizes{}; // the three axes in space
  std::int64_t components = 1;         // a leading axis that is not in space: layers or vectors
  std::int64_t frames = 1;             // a trailing axis that is not in space: a series
  std::string componentKind;           // the leading axis's kind ("list", "vector", ...)
  int scalarType = 0;                  // VTK's type
  int scalarSize = 0;                  // bytes a value (text: that of the type)
  bool bigEndian = false;
  std::string encoding;      // raw, gzip, bzip2 or text
  std::string dataPath;      // the file holding the voxels
  bool separateData = false; // a detached header's data file
  std::int64_t dataOffset = 0;
  std::int64_t lineSkip = 0;
  std::int64_t byteSkip = 0; // -1: the voxels end the file (raw only)
  // Index to the header's space: one column per axis in space (directions scaled by the
  // spacing) and the origin; empty when the header gives none.
  std::vector<double> directions;
  std::vector<double> spacings;
  std::vector<double> origin;
  std::map<std::string, std::string> fields; // every field, keys in lower case
  std::string problem;
};

NrrdLayout
nrrdLayout(const std::string& path);

// Reads one frame of the voxels (0 for an image that is no series) into an image of the layout's
// sizes and components, origin 0 and spacing 1. Short, damaged or oversized data are a problem.
struct NrrdVoxels
{
  vtkSmartPointer<vtkImageData> image;
  std::string problem;
};

NrrdVoxels
readNrrdVoxels(const NrrdLayout& layout, std::int64_t frame);

} // namespace makemodel
