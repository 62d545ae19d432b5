#pragma once

// Checks made on an image's header before VTK's reader reads a voxel. VTK's readers trust their
// headers: voxels missing from a short file, a cut compressed stream or a data file that is not
// there are handed on as whatever memory held; a FIFO named as the data file blocks the reader;
// a spacing of zero or NaN becomes 1 mm. Each function returns the problem in one line, empty
// when the image may be read.

#include <cstdint>
#include <string>

class vtkNIFTIImageHeader;

namespace makemodel {

// The text headers alone, before VTK's reader reads them (a header line of 200 MB kept it busy
// for minutes): complete within 64 KiB, spacing and directions finite and positive, a data
// layout that is read here.
std::string
nrrdHeaderProblem(const std::string& path);

std::string
metaImageHeaderProblem(const std::string& path);

// MetaImage (.mha, .mhd): the header as above, and the voxels' bytes (raw) or decompressed
// bytes (zlib) all there; bytes is their size in memory.
std::string
metaImageProblem(const std::string& path, std::int64_t bytes);

// NIfTI (.nii, .nii.gz), before VTK's reader parses the header: its size field, byte order,
// mark and dimensions consistent.
std::string
niftiHeaderProblem(const std::string& path);

// NIfTI (.nii, .nii.gz): voxel sizes finite and positive, the placement finite, the voxels'
// offset past the header and their bytes all there (decompressed to their end if need be).
std::string
niftiProblem(const std::string& path, vtkNIFTIImageHeader* header, std::int64_t bytes);

// VTK image (.vti): one piece covering the whole image, spacing finite and positive.
std::string
vtiProblem(const std::string& path);

// Whether a voxel size (millimetres) is one a scan can have: finite, from 0.1 micrometre to
// a metre.
bool
plausibleVoxelSize(double size);

} // namespace makemodel
