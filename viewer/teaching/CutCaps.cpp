#include "viewer/teaching/CutCaps.h"

#include <vtkCellArray.h>
#include <vtkCellArrayIterator.h>
#include <vtkContourTriangulator.h>
#include <vtkFloatArray.h>
#include <vtkMath.h>
#include <vtkNew.h>
#include <vtkPointData.h>
#include <vtkPointLocator.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkPolygon.h>
#include <vtkTriangleFilter.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

using Point = std::array<double, 3>;

// The triangulation of loops with holes takes time growing with the square of points and holes.
// A cut of the sample model has at most a few loops of some hundred points; a surface cut into
// more than this (a hostile or broken file) stays hollow rather than stall the view.
constexpr std::size_t mostLoops = 256;
constexpr vtkIdType mostContourPoints = 50000;

// An edge by the coordinates of its two ends, the lesser first, so that the faces on either side
// name it alike even when each stores its own copies of the points.
struct EdgeKey
{
  std::array<double, 6> ends;
  bool operator==(const EdgeKey& other) const { return ends == other.ends; }
};

struct EdgeKeyHash
{
  std::size_t operator()(const EdgeKey& key) const
  {
    std::uint64_t hash = 1469598103934665603ULL;
    for (double value : key.ends) {
      std::uint64_t bits = 0;
      std::memcpy(&bits, &value, sizeof bits);
      hash = (hash ^ bits) * 1099511628211ULL;
    }
    return std::size_t(hash);
  }
};

double
signedDistance(const Point& point, const CutPlane& plane)
{
  return (point[0] - plane.origin[0]) * plane.normal[0] +
         (point[1] - plane.origin[1]) * plane.normal[1] +
         (point[2] - plane.origin[2]) * plane.normal[2];
}

// The cut contour: one point per crossed edge, one segment per crossed triangle, and the
// segments met at each point (a closed manifold surface gives every point exactly two).
class Contour
{
public:
  Contour(vtkPoints* surfacePoints, const double bounds[6], const CutPlane& plane)
    : surfacePoints(surfacePoints)
  {
    // Seams of generated or converted surfaces carry copies of points a few ulps apart: a
    // millionth of the surface's size joins them, and is far below any triangle of a model.
    const double size = std::sqrt(vtkMath::Distance2BetweenPoints(
      std::array<double, 3>{ bounds[0], bounds[2], bounds[4] }.data(),
      std::array<double, 3>{ bounds[1], bounds[3], bounds[5] }.data()));
    const double tolerance = 1e-6 * size;
    double padded[6];
    for (int side = 0; side < 6; ++side) {
      padded[side] = bounds[side] + (side % 2 ? 2 : -2) * tolerance;
    }
    // In double precision: a cap lies in its plane to the last digit a float could not hold.
    cutPoints->SetDataTypeToDouble();
    merged->SetTolerance(tolerance);
    merged->InitPointInsertion(cutPoints, padded, 1024);
    const vtkIdType count = surfacePoints->GetNumberOfPoints();
    distances.resize(std::size_t(count));
    for (vtkIdType id = 0; id < count; ++id) {
      Point point;
      surfacePoints->GetPoint(id, point.data());
      distances[std::size_t(id)] = signedDistance(point, plane);
    }
  }

  // A vertex exactly in the plane counts as kept, so that every triangle is crossed by the
  // plane on exactly two of its edges or on none.
  bool below(vtkIdType id) const { return distances[std::size_t(id)] < 0; }

  void cutTriangle(const vtkIdType ids[3])
  {
    vtkIdType ends[2];
    int found = 0;
    for (int edge = 0; edge < 3; ++edge) {
      const vtkIdType a = ids[edge];
      const vtkIdType b = ids[(edge + 1) % 3];
      if (below(a) != below(b) && found < 2) {
        ends[found++] = crossing(a, b);
      }
    }
    // Both ends can be one point where the plane passes through a vertex.
    if (found == 2 && ends[0] != ends[1]) {
      link(ends[0], ends[1]);
      link(ends[1], ends[0]);
    }
  }

  // Each closed loop once, as point ids in order; chains that end (an open surface) or branch
  // (a surface that touches itself) are left out.
  std::vector<std::vector<vtkIdType>> closedLoops() const
  {
    std::vector<std::vector<vtkIdType>> loops;
    std::vector<bool> visited(neighbours.size(), false);
    for (std::size_t start = 0; start < neighbours.size(); ++start) {
      if (visited[start]) {
        continue;
      }
      std::vector<vtkIdType> loop;
      bool closed = false;
      std::size_t previous = neighbours.size();
      std::size_t current = start;
      while (!visited[current] && neighbours[current].size() == 2) {
        visited[current] = true;
        loop.push_back(vtkIdType(current));
        const auto& next = neighbours[current];
        const std::size_t following =
          std::size_t(next[0]) != previous ? std::size_t(next[0]) : std::size_t(next[1]);
        previous = current;
        current = following;
        closed = current == start;
      }
      visited[current] = true;
      if (closed && loop.size() >= 3) {
        loops.push_back(std::move(loop));
      }
    }
    return loops;
  }

  vtkPoints* points() const { return cutPoints; }

private:
  vtkIdType crossing(vtkIdType a, vtkIdType b)
  {
    Point first;
    Point second;
    surfacePoints->GetPoint(a, first.data());
    surfacePoints->GetPoint(b, second.data());
    double firstDistance = distances[std::size_t(a)];
    double secondDistance = distances[std::size_t(b)];
    if (second < first) {
      std::swap(first, second);
      std::swap(firstDistance, secondDistance);
    }
    EdgeKey key;
    for (int axis = 0; axis < 3; ++axis) {
      // Adding zero turns -0 into 0: equal coordinates must have equal bits.
      key.ends[axis] = first[axis] + 0.0;
      key.ends[axis + 3] = second[axis] + 0.0;
    }
    const auto known = crossings.find(key);
    if (known != crossings.end()) {
      return known->second;
    }
    const double share = firstDistance / (firstDistance - secondDistance);
    Point point;
    for (int axis = 0; axis < 3; ++axis) {
      point[axis] = first[axis] + share * (second[axis] - first[axis]);
    }
    vtkIdType id = -1;
    merged->InsertUniquePoint(point.data(), id);
    crossings.emplace(key, id);
    neighbours.resize(std::max(neighbours.size(), std::size_t(id) + 1));
    return id;
  }

  void link(vtkIdType from, vtkIdType to)
  {
    auto& next = neighbours[std::size_t(from)];
    // A third neighbour marks a branch; more need not be kept.
    if (next.size() < 3) {
      next.push_back(to);
    }
  }

  vtkPoints* surfacePoints;
  std::vector<double> distances;
  std::unordered_map<EdgeKey, vtkIdType, EdgeKeyHash> crossings;
  std::vector<std::vector<vtkIdType>> neighbours;
  vtkNew<vtkPoints> cutPoints;
  vtkNew<vtkPointLocator> merged;
};

// The surface as triangles: polygons and strips are split first (loaded files may hold them).
vtkSmartPointer<vtkPolyData>
asTriangles(vtkPolyData* surface)
{
  if (surface->GetNumberOfStrips() == 0 && surface->GetPolys()->GetMaxCellSize() <= 3) {
    return surface;
  }
  vtkNew<vtkTriangleFilter> triangles;
  triangles->SetInputData(surface);
  triangles->PassVertsOff();
  triangles->PassLinesOff();
  triangles->Update();
  return triangles->GetOutput();
}

// The loops as single segments, the triangulator's input; consecutive points that coincide (a
// vertex lying in the plane, reached from two edges) are passed over.
vtkSmartPointer<vtkPolyData>
loopSegments(const Contour& contour)
{
  vtkPoints* points = contour.points();
  vtkNew<vtkCellArray> lines;
  std::vector<std::vector<vtkIdType>> loops = contour.closedLoops();
  if (loops.size() > mostLoops || points->GetNumberOfPoints() > mostContourPoints) {
    loops.clear();
  }
  for (const std::vector<vtkIdType>& loop : loops) {
    std::vector<vtkIdType> distinct;
    Point last{};
    for (vtkIdType id : loop) {
      Point point;
      points->GetPoint(id, point.data());
      if (distinct.empty() || point != last) {
        distinct.push_back(id);
        last = point;
      }
    }
    Point first;
    points->GetPoint(distinct.front(), first.data());
    if (distinct.size() > 1 && first == last) {
      distinct.pop_back();
    }
    if (distinct.size() < 3) {
      continue;
    }
    for (std::size_t index = 0; index < distinct.size(); ++index) {
      const vtkIdType segment[2] = { distinct[index], distinct[(index + 1) % distinct.size()] };
      lines->InsertNextCell(2, segment);
    }
  }
  vtkNew<vtkPolyData> segments;
  segments->SetPoints(points);
  segments->SetLines(lines);
  return segments;
}

// Two-sided lighting takes a triangle's winding for its front, and the triangulator winds each
// loop's triangles as it found the loop: a triangle wound towards the kept side would be drawn
// unlit. Each is wound to face against normal.
void
windAgainst(vtkPolyData* cap, const Point& normal)
{
  vtkNew<vtkCellArray> faces;
  auto cells = vtk::TakeSmartPointer(cap->GetPolys()->NewIterator());
  for (cells->GoToFirstCell(); !cells->IsDoneWithTraversal(); cells->GoToNextCell()) {
    vtkIdType size = 0;
    const vtkIdType* ids = nullptr;
    cells->GetCurrentCell(size, ids);
    double facing[3];
    vtkPolygon::ComputeNormal(cap->GetPoints(), int(size), ids, facing);
    std::vector<vtkIdType> wound(ids, ids + size);
    if (vtkMath::Dot(facing, normal.data()) > 0) {
      std::reverse(wound.begin(), wound.end());
    }
    faces->InsertNextCell(size, wound.data());
  }
  cap->SetPolys(faces);
}

} // namespace

BoxSide
boxSide(const double bounds[6], const CutPlane& plane)
{
  int cutAway = 0;
  for (int corner = 0; corner < 8; ++corner) {
    const Point point{ bounds[corner & 1],
                       bounds[2 + (corner >> 1 & 1)],
                       bounds[4 + (corner >> 2 & 1)] };
    cutAway += signedDistance(point, plane) < 0 ? 1 : 0;
  }
  return cutAway == 0 ? BoxSide::Kept : cutAway == 8 ? BoxSide::CutAway : BoxSide::Across;
}

vtkSmartPointer<vtkPolyData>
cutCap(vtkPolyData* surface, const CutPlane& plane)
{
  auto cap = vtkSmartPointer<vtkPolyData>::New();
  Point normal = plane.normal;
  if (surface == nullptr || surface->GetNumberOfPolys() + surface->GetNumberOfStrips() == 0 ||
      vtkMath::Normalize(normal.data()) == 0.0) {
    return cap;
  }
  const CutPlane unitPlane{ plane.origin, normal };
  if (boxSide(surface->GetBounds(), unitPlane) != BoxSide::Across) {
    return cap;
  }
  vtkSmartPointer<vtkPolyData> triangles = asTriangles(surface);
  Contour contour(triangles->GetPoints(), triangles->GetBounds(), unitPlane);
  auto cells = vtk::TakeSmartPointer(triangles->GetPolys()->NewIterator());
  for (cells->GoToFirstCell(); !cells->IsDoneWithTraversal(); cells->GoToNextCell()) {
    vtkIdType size = 0;
    const vtkIdType* ids = nullptr;
    cells->GetCurrentCell(size, ids);
    if (size == 3) {
      contour.cutTriangle(ids);
    }
  }
  vtkSmartPointer<vtkPolyData> segments = loopSegments(contour);
  if (segments->GetNumberOfLines() == 0) {
    return cap;
  }
  vtkNew<vtkContourTriangulator> fill;
  fill->SetInputData(segments);
  fill->Update();
  cap->ShallowCopy(fill->GetOutput());
  windAgainst(cap, normal);
  // Lit as the face of a solid seen from the side cut away.
  vtkNew<vtkFloatArray> normals;
  normals->SetName("Normals");
  normals->SetNumberOfComponents(3);
  normals->SetNumberOfTuples(cap->GetNumberOfPoints());
  for (vtkIdType id = 0; id < cap->GetNumberOfPoints(); ++id) {
    normals->SetTuple3(id, -normal[0], -normal[1], -normal[2]);
  }
  cap->GetPointData()->SetNormals(normals);
  return cap;
}

double
polygonArea(vtkPolyData* surface)
{
  double area = 0;
  auto cells = vtk::TakeSmartPointer(surface->GetPolys()->NewIterator());
  for (cells->GoToFirstCell(); !cells->IsDoneWithTraversal(); cells->GoToNextCell()) {
    vtkIdType size = 0;
    const vtkIdType* ids = nullptr;
    cells->GetCurrentCell(size, ids);
    double normal[3];
    area += vtkPolygon::ComputeArea(surface->GetPoints(), size, ids, normal);
  }
  return area;
}
