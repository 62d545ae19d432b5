#pragma once

#include <vtkSmartPointer.h>

#include <string>
#include <string_view>

class vtkPolyData;

// VTK's legacy reader trusts the counts and cell sizes a file declares; a damaged file can make
// it allocate without bound, read past its buffers, or hand a mapper cells whose point ids lie
// outside the points. These checks keep such files away from the reader and from the mappers.

// Walks the structure of a legacy polygonal-data file held in memory: the version line, title,
// ASCII or BINARY, "DATASET POLYDATA", then every section with its declared counts, and the
// METADATA blocks after arrays. Returns an empty string when the file looks sound, else a short
// description of the first problem.
std::string
checkLegacyPolyData(std::string_view contents);

// The check of the first line alone, given the start of a file (wholeFile: all of it), so that a
// file that is not a legacy file at all is refused without reading the rest. Its problem is the
// one checkLegacyPolyData gives for such a file.
std::string
checkLegacyFirstLine(std::string_view start, bool wholeFile);

// The same for a file on disk; a file that cannot be opened is a problem too.
std::string
checkLegacyPolyDataFile(const std::string& path);

// Checks what a reader produced before a mapper sees it: cell offsets and point ids in range,
// attribute arrays as long as the points or cells they describe. Empty string when sound.
std::string
checkPolyDataConsistency(vtkPolyData* data);

// What reading a surface file gave: on success the surface and an empty problem; on any problem
// a short description of it and an empty (never null) surface.
struct SurfaceRead
{
  vtkSmartPointer<vtkPolyData> surface;
  std::string problem;
};

// Reads the file once into memory (a regular file of at most largestSurfaceBytes; one whose
// first line is wrong is refused after its first block), checks those bytes, has
// vtkPolyDataReader parse the same bytes and checks the result.
SurfaceRead
readCheckedPolyData(const std::string& path);
