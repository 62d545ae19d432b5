#include "viewer/CoarseSurfaces.h"

#include <vtkCellArray.h>
#include <vtkCellArrayIterator.h>
#include <vtkDataArray.h>
#include <vtkFloatArray.h>
#include <vtkNew.h>
#include <vtkPointData.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkPolyDataNormals.h>
#include <vtkQuadricDecimation.h>
#include <vtkTriangleFilter.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <unordered_set>
#include <vector>

vtkSmartPointer<vtkPolyData>
coarseSurface(vtkPolyData* surface, double keptShare)
{
  // The decimation works on triangles only; strips and polygons are split first.
  vtkNew<vtkTriangleFilter> triangles;
  triangles->SetInputData(surface);
  triangles->PassVertsOff();
  triangles->PassLinesOff();
  vtkNew<vtkQuadricDecimation> decimate;
  decimate->SetInputConnection(triangles->GetOutputPort());
  decimate->SetTargetReduction(1.0 - keptShare);
  // Thin structures (cartilage, tendon) would otherwise shrink visibly while moving.
  decimate->VolumePreservationOn();
  decimate->Update();
  vtkPolyData* result = decimate->GetOutput();
  vtkNew<vtkPolyDataNormals> normals;
  if (surface->GetPointData()->GetNormals() != nullptr) {
    // The decimation drops the point normals; without them the copy would look faceted.
    normals->SetInputData(result);
    normals->SplittingOff();
    normals->ConsistencyOff();
    normals->AutoOrientNormalsOff();
    normals->Update();
    result = normals->GetOutput();
  }
  // A data object of its own rather than a filter's output: the filters go with this function,
  // on whatever thread runs it, and leave no pipeline behind that the copy's last reference,
  // dropped on another thread, would have that thread's garbage collector walk.
  auto coarse = vtkSmartPointer<vtkPolyData>::New();
  coarse->DeepCopy(result);
  return coarse;
}

namespace {

// The grid cell of each point, numbered along x, then y, then z.
struct ClusterGrid
{
  std::array<double, 3> origin{};
  double cellSize = 0;
  std::array<int, 3> cells{};

  std::size_t cellOf(const double point[3]) const
  {
    std::array<std::size_t, 3> index{};
    for (int axis = 0; axis < 3; ++axis) {
      const double position = (point[axis] - origin[axis]) / cellSize;
      // Not-a-number and points outside the bounds land in the nearest cell.
      const double clamped =
        std::isfinite(position) ? std::clamp(position, 0.0, cells[axis] - 1.0) : 0.0;
      index[axis] = std::size_t(clamped);
    }
    return index[0] + std::size_t(cells[0]) * (index[1] + std::size_t(cells[1]) * index[2]);
  }
};

} // namespace

vtkSmartPointer<vtkPolyData>
clusteredSurface(vtkPolyData* surface, int divisions)
{
  vtkPoints* points = surface != nullptr ? surface->GetPoints() : nullptr;
  vtkCellArray* polygons = surface != nullptr ? surface->GetPolys() : nullptr;
  if (points == nullptr || polygons == nullptr || polygons->GetNumberOfCells() == 0 ||
      (surface->GetStrips() != nullptr && surface->GetStrips()->GetNumberOfCells() > 0) ||
      divisions < 1) {
    return nullptr;
  }
  double bounds[6];
  points->GetBounds(bounds);
  const double longest =
    std::max({ bounds[1] - bounds[0], bounds[3] - bounds[2], bounds[5] - bounds[4] });
  if (!(longest > 0) || !std::isfinite(longest)) {
    return nullptr;
  }
  ClusterGrid grid;
  grid.cellSize = longest / divisions;
  for (std::size_t axis = 0; axis < 3; ++axis) {
    grid.origin[axis] = bounds[2 * axis];
    const double extent = bounds[2 * axis + 1] - bounds[2 * axis];
    grid.cells[axis] = std::clamp(int(extent / grid.cellSize) + 1, 1, divisions + 1);
  }

  // Points: each cell that holds one becomes a cluster, at the mean of its points.
  const vtkIdType pointCount = points->GetNumberOfPoints();
  vtkDataArray* normals = surface->GetPointData()->GetNormals();
  std::vector<int> clusterOfCell(
    std::size_t(grid.cells[0]) * std::size_t(grid.cells[1]) * std::size_t(grid.cells[2]), -1);
  std::vector<int> clusterOfPoint(static_cast<std::size_t>(pointCount));
  std::vector<std::array<double, 3>> positionSums;
  std::vector<std::array<double, 3>> normalSums;
  std::vector<int> pointsInCluster;
  for (vtkIdType index = 0; index < pointCount; ++index) {
    double point[3];
    points->GetPoint(index, point);
    // Checked: a cell outside the grid would be a fault here, never a write past the buffer.
    int& cluster = clusterOfCell.at(grid.cellOf(point));
    if (cluster < 0) {
      cluster = int(positionSums.size());
      positionSums.push_back({ 0, 0, 0 });
      normalSums.push_back({ 0, 0, 0 });
      pointsInCluster.push_back(0);
    }
    clusterOfPoint[std::size_t(index)] = cluster;
    for (int axis = 0; axis < 3; ++axis) {
      positionSums[std::size_t(cluster)][std::size_t(axis)] += point[axis];
    }
    if (normals != nullptr) {
      const double* normal = normals->GetTuple3(index);
      for (int axis = 0; axis < 3; ++axis) {
        normalSums[std::size_t(cluster)][std::size_t(axis)] += normal[axis];
      }
    }
    ++pointsInCluster[std::size_t(cluster)];
  }

  // Triangles (polygons as fans), between clusters; each set of three corners once.
  vtkNew<vtkCellArray> triangles;
  std::unordered_set<std::uint64_t> kept;
  const auto add = [&](vtkIdType first, vtkIdType second, vtkIdType third) {
    if (first < 0 || second < 0 || third < 0 || first >= pointCount || second >= pointCount ||
        third >= pointCount) {
      return;
    }
    std::array<vtkIdType, 3> corners = { clusterOfPoint[std::size_t(first)],
                                         clusterOfPoint[std::size_t(second)],
                                         clusterOfPoint[std::size_t(third)] };
    if (corners[0] == corners[1] || corners[1] == corners[2] || corners[0] == corners[2]) {
      return;
    }
    std::array<vtkIdType, 3> sorted = corners;
    std::sort(sorted.begin(), sorted.end());
    // Cluster numbers stay below the grid's 2^21 cells at any sensible division count.
    const std::uint64_t key = (std::uint64_t(sorted[0]) << 42) | (std::uint64_t(sorted[1]) << 21) |
                              std::uint64_t(sorted[2]);
    if (kept.insert(key).second) {
      triangles->InsertNextCell(3, corners.data());
    }
  };
  auto cells = vtk::TakeSmartPointer(polygons->NewIterator());
  for (cells->GoToFirstCell(); !cells->IsDoneWithTraversal(); cells->GoToNextCell()) {
    vtkIdType cornerCount = 0;
    const vtkIdType* corners = nullptr;
    cells->GetCurrentCell(cornerCount, corners);
    for (vtkIdType corner = 1; corner + 1 < cornerCount; ++corner) {
      add(corners[0], corners[corner], corners[corner + 1]);
    }
  }

  const std::size_t clusterCount = positionSums.size();
  vtkNew<vtkPoints> clusterPoints;
  clusterPoints->SetDataTypeToFloat();
  clusterPoints->SetNumberOfPoints(vtkIdType(clusterCount));
  vtkNew<vtkFloatArray> clusterNormals;
  clusterNormals->SetNumberOfComponents(3);
  clusterNormals->SetNumberOfTuples(vtkIdType(clusterCount));
  clusterNormals->SetName("Normals");
  for (std::size_t cluster = 0; cluster < clusterCount; ++cluster) {
    const double count = pointsInCluster[cluster];
    const std::array<double, 3>& sum = positionSums[cluster];
    clusterPoints->SetPoint(vtkIdType(cluster), sum[0] / count, sum[1] / count, sum[2] / count);
    std::array<double, 3> normal = normalSums[cluster];
    const double length =
      std::sqrt(normal[0] * normal[0] + normal[1] * normal[1] + normal[2] * normal[2]);
    if (length > 0) {
      for (double& component : normal) {
        component /= length;
      }
    }
    clusterNormals->SetTuple(vtkIdType(cluster), normal.data());
  }
  auto coarse = vtkSmartPointer<vtkPolyData>::New();
  coarse->SetPoints(clusterPoints);
  coarse->SetPolys(triangles);
  if (normals != nullptr) {
    coarse->GetPointData()->SetNormals(clusterNormals);
  }
  return coarse;
}
