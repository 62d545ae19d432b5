#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The model maker's readers of the files a user hands it, each fed one input through a scratch
// file, as cochlex-make-model reads them. Shared by the fuzz targets and the regression test,
// like the viewer's readers in FuzzEntryPoints.h; each returns what the reader made of the
// input, and a crash, sanitizer report or abort is the failure.

// The input as a label map in each image format the tool reads (NRRD, MetaImage, NIfTI, VTI);
// an image read is converted to labels, every voxel visited.
std::string
feedMakerImage(const std::uint8_t* data, std::size_t size);

// The input as a surface in each format the tool reads (STL, OBJ, PLY, VTP); a surface read is
// prepared for the model (cleaned, decimated, oriented) as the tool does.
std::string
feedMakerSurface(const std::uint8_t* data, std::size_t size);
