#pragma once

// Surface files as the model maker reads them. VTK's readers take a file's counts and indices on
// trust (a face naming vertex 1,000,000,000, a header declaring 2e9 points), so STL and OBJ are
// parsed here, and so is PLY; VTP headers are checked against the bytes present before VTK's reader
// sees them. Whatever is read is then checked as a whole: every index inside the points, every
// coordinate finite and of a sensible size.

#include <vtkSmartPointer.h>

#include <cstdint>
#include <optional>
#include <string>

class vtkPolyData;

namespace makemodel {

// A surface file is at most this large: an ASCII STL of the largest surface accepted below
// (about 250 bytes a facet) fits.
constexpr std::int64_t maximumSurfaceFileBytes = std::int64_t(1) << 30;
// 2,097,152 triangles: several times a fine segmentation's surface. The pipeline's copies of it
// (cleaning, moving, decimation) took 2.5 GB at twice this.
constexpr std::int64_t maximumSurfaceTriangles = std::int64_t(1) << 21;
// An STL stores the three corners of each triangle apart.
constexpr std::int64_t maximumSurfacePoints = 3 * maximumSurfaceTriangles;
// Millimetres: a kilometre is no anatomy, and beyond it the model frame's products lose their
// precision long before they overflow.
constexpr double largestCoordinate = 1e6;

// The patient frames surface files come in: x toward the patient's left, y posterior (LPS, that
// of DICOM and most CT tools) or x toward the right, y anterior (RAS, that of NIfTI and several
// segmentation tools); z superior in both.
enum class PatientFrame
{
  Lps,
  Ras
};

struct SurfaceFile
{
  vtkSmartPointer<vtkPolyData> surface;
  std::optional<PatientFrame> frame; // where the file says it (a "SPACE=RAS" comment)
  std::string problem;               // one line, empty when surface holds the file's faces
};

// The frame a surface file's comment or header text names: "SPACE=RAS", "SPACE=LPS" (as
// segmentation tools write them), none when it names neither.
std::optional<PatientFrame>
frameNamedIn(const std::string& text);

// An STL surface, binary (its size must be 84 + 50 bytes a triangle) or ASCII.
SurfaceFile
readStlFile(const std::string& path);

// An OBJ surface: its vertices ("v") and faces ("f"); the rest is not needed for a model.
SurfaceFile
readObjFile(const std::string& path);

// A PLY surface, ASCII or binary: its vertices' x, y and z and its faces' vertex indices. Every
// element the header declares is walked through, so a short file or an index past the vertices
// is found here.
SurfaceFile
readPlyFile(const std::string& path);

// The same for a VTP file's pieces (their declared points and cells).
std::string
vtpHeaderProblem(const std::string& path);

// Whether a surface read by any reader is whole: cell offsets in order, every point index
// inside the points, every coordinate finite and within largestCoordinate. Empty when it is.
std::string
surfaceProblem(vtkPolyData* surface);

} // namespace makemodel
