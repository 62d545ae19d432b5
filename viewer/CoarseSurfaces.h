#pragma once

#include <vtkSmartPointer.h>

class vtkPolyData;

// Coarse copies of a structure's surface, for frames that may be drawn with less detail. Neither
// touches a window; both are safe to run off the GUI thread on a surface no other thread touches.

// A decimated copy for the frames drawn while the model moves: about keptShare of its triangles,
// the shape kept as well as a quadric decimation can, with point normals when the surface has
// them. Slow (3.3 s for the sample model's 263 000 triangles on the 2-core machine, while it was
// busy building), so it is built in the background once the model is shown.
vtkSmartPointer<vtkPolyData>
coarseSurface(vtkPolyData* surface, double keptShare);

// A quick copy for the pictures drawn while the model loads: the surface's points are merged
// cell by cell on a grid of `divisions` cells along its longest side, each into their mean
// point (and mean normal); triangles whose corners merged vanish, and a triangle that comes out
// twice is kept once. One pass over the points and one over the cells: 10 ms for the sample
// model's 263 000 triangles at 24 divisions (7 % of them kept) on a quiet 2-core machine; timed
// beside the decimation on a busy one, 29 ms against its 3.3 s. The shapes come out blocky, which
// a picture of the load in progress can afford. Null when the surface has no polygons, holds
// triangle strips, or has no extent.
vtkSmartPointer<vtkPolyData>
clusteredSurface(vtkPolyData* surface, int divisions);
