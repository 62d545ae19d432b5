#pragma once

#include "tools/SampleSurfaces.h"

#include "tools/make_model/LabelVolume.h"
#include "tools/make_model/SurfaceFiles.h"

#include <vtkSmartPointer.h>

class vtkMatrix4x4;
class vtkPolyData;

namespace makemodel {

struct SurfaceReport
{
  double unsmoothedVolume = 0; // mm^3, of the contour before smoothing
  double smoothedVolume = 0;   // mm^3, after smoothing and the volume's return, before decimation
  int blockSize = 1;           // voxels merged per axis before contouring (1: none)
};

// One label's closed surface (label: its code in volume) in model millimetres: contoured half-way
// between the label and the rest, smoothed, its enclosed volume brought back to that of the
// label's voxels, decimated to at most maxTriangles where that keeps it closed and manifold,
// wound counter-clockwise seen from outside, with point normals.
// indexToModel maps a continuous voxel index to the model frame.
vtkSmartPointer<vtkPolyData>
labelSurface(const LabelVolume& volume,
             int label,
             vtkMatrix4x4* indexToModel,
             vtkIdType maxTriangles,
             SurfaceReport* report = nullptr);

// A surface read from a file, moved into the model frame by lpsToModel, cleaned into
// triangles, decimated to maxTriangles, oriented and given normals as above.
vtkSmartPointer<vtkPolyData>
preparedSurface(vtkPolyData* input, vtkMatrix4x4* lpsToModel, vtkIdType maxTriangles);

// Reads an STL, OBJ, PLY, VTP or legacy VTK surface; problem is one line when it cannot.
struct SurfaceInput
{
  vtkSmartPointer<vtkPolyData> surface;
  std::optional<PatientFrame> frame; // the one the file names ("SPACE=RAS"), if it does
  std::string problem;
};

bool
isSurfacePath(const std::string& path);

SurfaceInput
readSurfaceInput(const std::string& path);

// Moves every point by distance along its normal (its faces' normals weighted by their areas,
// in the direction the faces are wound): how a smoothed surface gets its voxels' volume back.
void
offsetAlongNormals(vtkPolyData* surface, double distance);

// Enclosed volume of a closed surface, positive when wound counter-clockwise seen from outside.
using sample::signedVolume;

// A surface's edges: all of them, those of one triangle only (its open border) and those shared
// by three triangles or more.
struct EdgeCounts
{
  vtkIdType all = 0;
  vtkIdType open = 0;
  vtkIdType shared = 0;
};

EdgeCounts
edgeCounts(vtkPolyData* surface);

// Edges used by other than exactly two triangles: zero for a closed manifold surface.
vtkIdType
openOrSharedEdges(vtkPolyData* surface);

} // namespace makemodel
