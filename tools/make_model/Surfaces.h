#pragma once

#include "tools/SampleSurfaces.h"

#include "tools/make_model/LabelVolume.h"

#include <vtkSmartPointer.h>

class vtkMatrix4x4;
class vtkPolyData;

namespace makemodel {

struct SurfaceReport
{
  double unsmoothedVolume = 0; // mm^3, of the contour before smoothing
  double smoothedVolume = 0;   // mm^3, after smoothing, before decimation
  int blockSize = 1;           // voxels merged per axis before contouring (1: none)
};

// One label's closed surface in model millimetres: contoured half-way between the label and
// the rest, smoothed (keeping the enclosed volume within 2 % of the contour's), decimated to
// at most maxTriangles, wound counter-clockwise seen from outside, with point normals.
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

// Reads an STL, OBJ, PLY or VTP surface; problem is one line when it cannot.
struct SurfaceInput
{
  vtkSmartPointer<vtkPolyData> surface;
  std::string problem;
};

bool
isSurfacePath(const std::string& path);

SurfaceInput
readSurfaceInput(const std::string& path);

// Enclosed volume of a closed surface, positive when wound counter-clockwise seen from outside.
using sample::signedVolume;

// Edges used by other than exactly two triangles: zero for a closed manifold surface.
vtkIdType
openOrSharedEdges(vtkPolyData* surface);

} // namespace makemodel
