#pragma once

#include <vtkSmartPointer.h>

#include <array>

class vtkPolyData;

// A plane through a point, keeping the half-space its normal points into (as a clipping plane
// does).
struct CutPlane
{
  std::array<double, 3> origin;
  std::array<double, 3> normal;
};

// The cap that closes a surface cut by a plane: the region of the plane inside the surface, as
// triangles lying in the plane, with point normals facing the side cut away (against the
// plane's normal), the way the cut face of a solid faces.
//
// Only closed loops of the cut contour are filled, so a surface that is open along the cut gets
// no cap there rather than a guessed one; a loop inside another loop is a hole and stays empty
// (a ring, such as a torus cut across its hole). Points that share coordinates, to a millionth
// of the surface's size, are one point even where the surface stores them twice (a cube whose
// faces have points of their own, the seam of a generated torus).
//
// Only the triangles that cross the plane are cut: no clipping of the surface. Returns an empty
// polydata (no points) when the plane misses the surface or no loop closes, and also for a cut of
// more than 256 loops or 50 000 points (a broken or hostile file), whose filling could stall.
vtkSmartPointer<vtkPolyData>
cutCap(vtkPolyData* surface, const CutPlane& plane);

// Where a box (xmin, xmax, ymin, ymax, zmin, zmax) lies against a plane: every corner on the
// side the plane keeps (a corner on the plane is kept), every corner on the side it cuts away,
// or corners on both sides.
enum class BoxSide
{
  Kept,
  CutAway,
  Across
};

BoxSide
boxSide(const double bounds[6], const CutPlane& plane);

// Area of the triangles and other polygons of a surface: what a cap covers.
double
polygonArea(vtkPolyData* surface);
