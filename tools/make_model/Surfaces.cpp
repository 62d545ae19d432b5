#include "tools/make_model/Surfaces.h"

#include "tools/make_model/SurfaceFiles.h"

#include "loading/LegacyPolyDataCheck.h"
#include "loading/ModelFile.h"

#include <vtkAlgorithm.h>
#include <vtkCallbackCommand.h>
#include <vtkCellArray.h>
#include <vtkCellArrayIterator.h>
#include <vtkCleanPolyData.h>
#include <vtkCommand.h>
#include <vtkFlyingEdges3D.h>
#include <vtkImageConstantPad.h>
#include <vtkImageData.h>
#include <vtkImageGaussianSmooth.h>
#include <vtkMatrix4x4.h>
#include <vtkNew.h>
#include <vtkPointData.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkQuadricClustering.h>
#include <vtkQuadricDecimation.h>
#include <vtkTransform.h>
#include <vtkTransformPolyDataFilter.h>
#include <vtkTriangleFilter.h>
#include <vtkWindowedSincPolyDataFilter.h>
#include <vtkXMLPolyDataReader.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace makemodel {

namespace {

// The contour is kept to a few times the triangle budget before smoothing and decimation, which
// cost time in proportion to it: a label larger than that is contoured on merged blocks of
// voxels (their fraction inside, so the volume stays true). Ten times: at three, merging cut
// thin parts apart (a 2,000-triangle budget lost three quarters of a thin rib's volume).
constexpr double contourBudgetFactor = 10.0;

vtkSmartPointer<vtkPolyData>
transformed(vtkPolyData* surface, vtkMatrix4x4* matrix)
{
  vtkNew<vtkTransform> transform;
  transform->SetMatrix(matrix);
  vtkNew<vtkTransformPolyDataFilter> move;
  move->SetInputData(surface);
  move->SetTransform(transform);
  move->Update();
  return move->GetOutput();
}

// Faces between the label and the rest inside the label's box: about the contour's triangles.
std::int64_t
boundaryFaces(const LabelVolume& volume, int label, int layer, const LabelExtent& extent)
{
  std::int64_t faces = 0;
  const auto& d = volume.dimensions;
  for (int k = extent.low[2]; k <= extent.high[2]; ++k) {
    for (int j = extent.low[1]; j <= extent.high[1]; ++j) {
      for (int i = extent.low[0]; i <= extent.high[0]; ++i) {
        if (volume.at(i, j, k, layer) != label) {
          continue;
        }
        faces += (i == 0 || volume.at(i - 1, j, k, layer) != label) +
                 (i == d[0] - 1 || volume.at(i + 1, j, k, layer) != label) +
                 (j == 0 || volume.at(i, j - 1, k, layer) != label) +
                 (j == d[1] - 1 || volume.at(i, j + 1, k, layer) != label) +
                 (k == 0 || volume.at(i, j, k - 1, layer) != label) +
                 (k == d[2] - 1 || volume.at(i, j, k + 1, layer) != label);
      }
    }
  }
  return faces;
}

// The label's share of each block of block^3 voxels (0 to 255), with one empty block all
// round so the contour closes even where the label touches the image's edge. Origin and
// spacing are in voxel indices.
vtkSmartPointer<vtkImageData>
labelFraction(const LabelVolume& volume, int label, int layer, const LabelExtent& extent, int block)
{
  int size[3];
  for (int axis = 0; axis < 3; ++axis) {
    size[axis] = (extent.high[axis] - extent.low[axis] + block) / block + 2;
  }
  auto image = vtkSmartPointer<vtkImageData>::New();
  image->SetDimensions(size);
  image->SetSpacing(block, block, block);
  image->SetOrigin(extent.low[0] - block + 0.5 * (block - 1),
                   extent.low[1] - block + 0.5 * (block - 1),
                   extent.low[2] - block + 0.5 * (block - 1));
  image->AllocateScalars(VTK_FLOAT, 1);
  auto* values = static_cast<float*>(image->GetScalarPointer());
  std::fill(values, values + std::size_t(size[0]) * size[1] * size[2], 0.0f);
  const float share = 255.0f / float(block * block * block);
  for (int k = extent.low[2]; k <= extent.high[2]; ++k) {
    const int c = (k - extent.low[2]) / block + 1;
    for (int j = extent.low[1]; j <= extent.high[1]; ++j) {
      const int b = (j - extent.low[1]) / block + 1;
      float* line = values + (std::size_t(c) * size[1] + b) * size[0];
      for (int i = extent.low[0]; i <= extent.high[0]; ++i) {
        if (volume.at(i, j, k, layer) == label) {
          line[(i - extent.low[0]) / block + 1] += share;
        }
      }
    }
  }
  return image;
}

vtkSmartPointer<vtkPolyData>
smoothed(vtkPolyData* surface, double passBand)
{
  vtkNew<vtkWindowedSincPolyDataFilter> smoother;
  smoother->SetInputData(surface);
  smoother->SetNumberOfIterations(20);
  smoother->SetPassBand(passBand);
  smoother->BoundarySmoothingOff();
  smoother->FeatureEdgeSmoothingOff();
  smoother->NonManifoldSmoothingOn();
  smoother->NormalizeCoordinatesOn();
  smoother->Update();
  return smoother->GetOutput();
}

double
surfaceArea(vtkPolyData* surface)
{
  double area = 0;
  vtkIdType count = 0;
  const vtkIdType* ids = nullptr;
  auto iterator = vtk::TakeSmartPointer(surface->GetPolys()->NewIterator());
  for (iterator->GoToFirstCell(); !iterator->IsDoneWithTraversal(); iterator->GoToNextCell()) {
    iterator->GetCurrentCell(count, ids);
    double a[3], b[3], c[3];
    for (vtkIdType corner = 2; corner < count; ++corner) {
      surface->GetPoint(ids[0], a);
      surface->GetPoint(ids[corner - 1], b);
      surface->GetPoint(ids[corner], c);
      const double u[3] = { b[0] - a[0], b[1] - a[1], b[2] - a[2] };
      const double v[3] = { c[0] - a[0], c[1] - a[1], c[2] - a[2] };
      area += 0.5 * std::sqrt(std::pow(u[1] * v[2] - u[2] * v[1], 2) +
                              std::pow(u[2] * v[0] - u[0] * v[2], 2) +
                              std::pow(u[0] * v[1] - u[1] * v[0], 2));
    }
  }
  return area;
}

vtkSmartPointer<vtkPolyData>
contoured(vtkImageData* image, double level, vtkMatrix4x4* indexToModel)
{
  vtkNew<vtkFlyingEdges3D> contour;
  contour->SetInputData(image);
  contour->SetValue(0, level);
  contour->ComputeNormalsOff();
  contour->ComputeGradientsOff();
  contour->ComputeScalarsOff();
  contour->Update();
  return transformed(contour->GetOutput(), indexToModel);
}

// A structure a couple of voxels thick is beaded in its voxels themselves: along an oblique
// tube two voxels across, each slice holds two to five of them. No smoothing of the contour
// takes that off without taking the tube with it (normals 0.16 along its axis at best), so such
// a structure is contoured on its label blurred over 1.3 voxels, at half the blurred peak (0.085
// along the axis; 1.0 voxel gave 0.12, 0.6 voxel nothing), its volume restored afterwards like
// any other. Where the blur would lose a part (a single voxel, a line one voxel across beside
// thicker ones: its voxels fall below half the level) the plain contour is kept; null then.
vtkSmartPointer<vtkPolyData>
blurredContour(vtkImageData* fraction, vtkMatrix4x4* indexToModel)
{
  constexpr double deviation = 1.3;
  constexpr double radiusFactor = 2.5;
  const int padding = int(std::ceil(deviation * radiusFactor)) + 1;
  int extent[6];
  fraction->GetExtent(extent);
  vtkNew<vtkImageConstantPad> pad;
  pad->SetInputData(fraction);
  pad->SetConstant(0);
  pad->SetOutputWholeExtent(extent[0] - padding,
                            extent[1] + padding,
                            extent[2] - padding,
                            extent[3] + padding,
                            extent[4] - padding,
                            extent[5] + padding);
  vtkNew<vtkImageGaussianSmooth> blur;
  blur->SetInputConnection(pad->GetOutputPort());
  blur->SetDimensionality(3);
  blur->SetStandardDeviations(deviation, deviation, deviation);
  blur->SetRadiusFactors(radiusFactor, radiusFactor, radiusFactor);
  blur->Update();
  vtkImageData* blurred = blur->GetOutput();
  double range[2];
  blurred->GetScalarRange(range);
  const double level = 0.5 * range[1];
  if (!(level > 0)) {
    return nullptr;
  }
  for (int z = extent[4]; z <= extent[5]; ++z) {
    for (int y = extent[2]; y <= extent[3]; ++y) {
      const auto* share = static_cast<const float*>(fraction->GetScalarPointer(extent[0], y, z));
      const auto* spread = static_cast<const float*>(blurred->GetScalarPointer(extent[0], y, z));
      for (int x = 0; x <= extent[1] - extent[0]; ++x) {
        if (share[x] > 0 && spread[x] < 0.5 * level) {
          return nullptr;
        }
      }
    }
  }
  return contoured(blurred, level, indexToModel);
}

} // namespace

void
offsetAlongNormals(vtkPolyData* surface, double distance)
{
  vtkPoints* points = surface->GetPoints();
  std::vector<double> normals(std::size_t(points->GetNumberOfPoints()) * 3, 0.0);
  vtkIdType count = 0;
  const vtkIdType* ids = nullptr;
  auto iterator = vtk::TakeSmartPointer(surface->GetPolys()->NewIterator());
  for (iterator->GoToFirstCell(); !iterator->IsDoneWithTraversal(); iterator->GoToNextCell()) {
    iterator->GetCurrentCell(count, ids);
    double a[3], b[3], c[3];
    for (vtkIdType corner = 2; corner < count; ++corner) {
      points->GetPoint(ids[0], a);
      points->GetPoint(ids[corner - 1], b);
      points->GetPoint(ids[corner], c);
      const double u[3] = { b[0] - a[0], b[1] - a[1], b[2] - a[2] };
      const double v[3] = { c[0] - a[0], c[1] - a[1], c[2] - a[2] };
      const double n[3] = { u[1] * v[2] - u[2] * v[1],
                            u[2] * v[0] - u[0] * v[2],
                            u[0] * v[1] - u[1] * v[0] };
      for (const vtkIdType id : { ids[0], ids[corner - 1], ids[corner] }) {
        for (std::size_t axis = 0; axis < 3; ++axis) {
          normals[std::size_t(id) * 3 + axis] += n[axis];
        }
      }
    }
  }
  auto moved = vtkSmartPointer<vtkPoints>::New();
  moved->SetDataTypeToDouble();
  moved->SetNumberOfPoints(points->GetNumberOfPoints());
  for (vtkIdType point = 0; point < points->GetNumberOfPoints(); ++point) {
    double* n = &normals[std::size_t(point) * 3];
    const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    double xyz[3];
    points->GetPoint(point, xyz);
    if (length > 0) {
      for (std::size_t axis = 0; axis < 3; ++axis) {
        xyz[axis] += distance * n[axis] / length;
      }
    }
    moved->SetPoint(point, xyz);
  }
  surface->SetPoints(moved);
}

namespace {

// The triangles of a tangle reduced to the budget by clustering their corners in a grid: time
// in proportion to the triangles, whatever their shape. Each pass takes a grid coarser by the
// square root of how far the last one was over the budget (the triangles left of a surface grow
// with the square of the grid's divisions), at least a tenth and at most half coarser.
vtkSmartPointer<vtkPolyData>
clustered(vtkPolyData* surface, vtkIdType maxTriangles)
{
  vtkSmartPointer<vtkPolyData> current = surface;
  double divisions = 512;
  while (current->GetNumberOfPolys() > maxTriangles && divisions >= 2) {
    vtkNew<vtkQuadricClustering> clustering;
    clustering->SetInputData(surface);
    const int side = int(divisions);
    clustering->SetNumberOfDivisions(side, side, side);
    clustering->AutoAdjustNumberOfDivisionsOn();
    clustering->Update();
    current = clustering->GetOutput();
    const double over = double(current->GetNumberOfPolys()) / double(maxTriangles);
    divisions = std::max(0.5 * divisions,
                         std::min(0.9 * divisions, divisions / std::sqrt(std::max(over, 1.0))));
  }
  return current;
}

// The quadric decimation in steps of at most half the triangles, each step's result checked:
// a surface that is closed and manifold before stays so. A step that opens or pinches the
// surface is taken again in a smaller stride; the result is the last closed one, over the
// budget only when no stride kept it closed.
//   A tangle is no surface to decimate: each collapse there touches the hundreds of triangles
// round a point (2 million triangles over 20,000 points ran past 10 minutes). A surface has about
// six triangles round each point, every edge in two of them; a pile of triangles with more than
// twice that round a point on average, more than half of its edges in one triangle only or more
// than one in a hundred in three or more is clustered instead.
vtkSmartPointer<vtkPolyData>
decimated(vtkPolyData* surface, vtkIdType maxTriangles)
{
  if (surface->GetNumberOfPolys() <= maxTriangles) {
    return surface;
  }
  const EdgeCounts edges = edgeCounts(surface);
  const double cornersPerPoint = 3.0 * double(surface->GetNumberOfPolys()) /
                                 double(std::max<vtkIdType>(1, surface->GetNumberOfPoints()));
  if (cornersPerPoint > 12 || edges.open * 2 > edges.all || edges.shared * 100 > edges.all) {
    return clustered(surface, maxTriangles);
  }
  vtkSmartPointer<vtkPolyData> current = surface;
  const bool closed = edges.open == 0 && edges.shared == 0;
  double stride = 0.5;
  while (current->GetNumberOfPolys() > maxTriangles && stride > 0.02) {
    const double triangles = double(current->GetNumberOfPolys());
    const double wanted = std::max(double(maxTriangles), triangles * (1.0 - stride));
    // The filter stops a little short of its reduction: aim 2 % below the budget.
    const double aim = wanted == double(maxTriangles) ? 0.98 * wanted : wanted;
    vtkNew<vtkQuadricDecimation> quadric;
    quadric->SetInputData(current);
    quadric->SetTargetReduction(1.0 - aim / triangles);
    quadric->VolumePreservationOn();
    quadric->Update();
    vtkSmartPointer<vtkPolyData> result = quadric->GetOutput();
    const bool progressed = result->GetNumberOfPolys() < current->GetNumberOfPolys();
    if (progressed && (!closed || openOrSharedEdges(result) == 0)) {
      current = result;
    } else {
      stride *= 0.5;
    }
  }
  return current;
}

// The triangles with three different corners, each set of corners once. The quadric
// decimation's queue of edge collapses grows without end on a pile of identical triangles (3
// million of them took more than 300 s); without them it takes time in proportion to the input.
// The cleaning before has merged coincident points, so a repeat shares its corners' indices.
vtkSmartPointer<vtkPolyData>
withoutRepeatedTriangles(vtkPolyData* surface)
{
  struct CornersHash
  {
    std::size_t operator()(const std::array<vtkIdType, 3>& c) const
    {
      return std::hash<vtkIdType>()(c[0]) ^ (std::hash<vtkIdType>()(c[1]) * 31) ^
             (std::hash<vtkIdType>()(c[2]) * 961);
    }
  };
  std::unordered_set<std::array<vtkIdType, 3>, CornersHash> seen;
  vtkNew<vtkCellArray> kept;
  vtkIdType count = 0;
  const vtkIdType* ids = nullptr;
  auto iterator = vtk::TakeSmartPointer(surface->GetPolys()->NewIterator());
  for (iterator->GoToFirstCell(); !iterator->IsDoneWithTraversal(); iterator->GoToNextCell()) {
    iterator->GetCurrentCell(count, ids);
    if (count != 3 || ids[0] == ids[1] || ids[1] == ids[2] || ids[0] == ids[2]) {
      continue;
    }
    std::array<vtkIdType, 3> corners{ { ids[0], ids[1], ids[2] } };
    std::sort(corners.begin(), corners.end());
    if (seen.insert(corners).second) {
      kept->InsertNextCell(3, ids);
    }
  }
  auto result = vtkSmartPointer<vtkPolyData>::New();
  result->SetPoints(surface->GetPoints());
  result->SetPolys(kept);
  return result;
}

// Whether some face spans an area: its first corner and two others not on one line. Strips are
// taken as they are.
bool
hasArea(vtkPolyData* surface)
{
  if (surface->GetNumberOfStrips() > 0) {
    return true;
  }
  vtkIdType count = 0;
  const vtkIdType* ids = nullptr;
  auto iterator = vtk::TakeSmartPointer(surface->GetPolys()->NewIterator());
  for (iterator->GoToFirstCell(); !iterator->IsDoneWithTraversal(); iterator->GoToNextCell()) {
    iterator->GetCurrentCell(count, ids);
    double first[3], second[3], third[3];
    for (vtkIdType corner = 2; corner < count; ++corner) {
      surface->GetPoint(ids[0], first);
      surface->GetPoint(ids[corner - 1], second);
      surface->GetPoint(ids[corner], third);
      const double u[3] = { second[0] - first[0], second[1] - first[1], second[2] - first[2] };
      const double v[3] = { third[0] - first[0], third[1] - first[1], third[2] - first[2] };
      if (u[1] * v[2] - u[2] * v[1] != 0 || u[2] * v[0] - u[0] * v[2] != 0 ||
          u[0] * v[1] - u[1] * v[0] != 0) {
        return true;
      }
    }
  }
  return false;
}

// Outward winding and point normals, the way the viewer lights its structures.
vtkSmartPointer<vtkPolyData>
finished(vtkSmartPointer<vtkPolyData> surface)
{
  return sample::withNormals(sample::facingOutward(std::move(surface)));
}

std::string
lowerCase(std::string text)
{
  std::transform(
    text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return text;
}

// The frame a surface file names near its start: in a binary or ASCII STL's first 80 bytes (the
// header, or the "solid" line), in the first 4 KiB of the other formats (their comments, a
// legacy file's title).
std::optional<PatientFrame>
namedFrame(const std::string& path, const std::string& extension)
{
  RegularFile file(path);
  if (!file.isOpen()) {
    return std::nullopt;
  }
  std::string head(extension == ".stl" ? 80 : 4096, '\0');
  head.resize(
    std::size_t(std::max<std::int64_t>(0, file.read(head.data(), std::int64_t(head.size())))));
  return frameNamedIn(head);
}

} // namespace

EdgeCounts
edgeCounts(vtkPolyData* surface)
{
  EdgeCounts counts;
  vtkCellArray* polys = surface->GetPolys();
  if (!polys) {
    return counts;
  }
  std::unordered_map<std::uint64_t, int> uses;
  vtkIdType count = 0;
  const vtkIdType* ids = nullptr;
  auto iterator = vtk::TakeSmartPointer(polys->NewIterator());
  for (iterator->GoToFirstCell(); !iterator->IsDoneWithTraversal(); iterator->GoToNextCell()) {
    iterator->GetCurrentCell(count, ids);
    for (vtkIdType corner = 0; corner < count; ++corner) {
      const std::uint64_t a = std::uint64_t(ids[corner]),
                          b = std::uint64_t(ids[(corner + 1) % count]);
      ++uses[std::min(a, b) << 32 | std::max(a, b)];
    }
  }
  counts.all = vtkIdType(uses.size());
  for (const auto& edge : uses) {
    counts.open += edge.second == 1 ? 1 : 0;
    counts.shared += edge.second > 2 ? 1 : 0;
  }
  return counts;
}

vtkIdType
openOrSharedEdges(vtkPolyData* surface)
{
  const EdgeCounts counts = edgeCounts(surface);
  return counts.open + counts.shared;
}

vtkSmartPointer<vtkPolyData>
labelSurface(const LabelVolume& volume,
             int label,
             vtkMatrix4x4* indexToModel,
             vtkIdType maxTriangles,
             SurfaceReport* report)
{
  const LabelExtent& extent = volume.segments.at(std::size_t(label)).extent;
  const int layer = volume.segments.at(std::size_t(label)).layer;
  const double faces = double(boundaryFaces(volume, label, layer, extent));
  const double budget = contourBudgetFactor * double(maxTriangles);
  // Triangles shrink with the square of the block size.
  const int block = faces > budget ? std::min(8, int(std::ceil(std::sqrt(faces / budget)))) : 1;
  vtkSmartPointer<vtkImageData> fraction = labelFraction(volume, label, layer, extent, block);

  vtkSmartPointer<vtkPolyData> surface = contoured(fraction, 127.5, indexToModel);

  // Windowed-sinc smoothing takes the voxels' steps off without moving the surface as a whole,
  // but shrinks what is thin: a tube two voxels across lost 10 to 20 % of its volume. The
  // volume is then restored by moving the surface along its normals, in at most four rounds,
  // towards that of the voxels: the tube keeps its shape and its thickness.
  const double contourVolume = std::abs(signedVolume(surface));
  const double voxelVolume = std::abs(indexToModel->Determinant()) * double(extent.voxels);
  const double voxelSize = std::cbrt(std::abs(indexToModel->Determinant())) * block;
  // A pass band of 0.1 left the voxels' terraces on every broad curved face (a bone 60 voxels
  // across showed them as contour lines under the lights; a tube two voxels across kept normals
  // 0.23 along its axis, 0.30 unsmoothed). 0.01 takes them off thick and thin structures alike,
  // the volume being restored below in any case.
  constexpr double passBand = 0.01;
  const double meanThickness = contourVolume / std::max(surfaceArea(surface), 1e-12) / voxelSize;
  const bool thin = meanThickness < 0.6;
  if (thin) {
    if (vtkSmartPointer<vtkPolyData> blurred = blurredContour(fraction, indexToModel)) {
      surface = blurred;
    }
  }
  fraction = nullptr;
  surface = smoothed(surface, passBand);
  for (int round = 0; round < 4; ++round) {
    const double volume = signedVolume(surface);
    const double area = surfaceArea(surface);
    if (std::abs(std::abs(volume) - voxelVolume) <= 0.005 * voxelVolume || !(area > 0)) {
      break;
    }
    // Outward is the faces' winding when the volume is positive.
    const double distance =
      std::clamp((voxelVolume - std::abs(volume)) / area, -0.5 * voxelSize, 0.5 * voxelSize);
    offsetAlongNormals(surface, volume > 0 ? distance : -distance);
  }
  if (report) {
    report->unsmoothedVolume = contourVolume;
    report->smoothedVolume = std::abs(signedVolume(surface));
    report->blockSize = block;
  }
  return finished(decimated(surface, maxTriangles));
}

vtkSmartPointer<vtkPolyData>
preparedSurface(vtkPolyData* input, vtkMatrix4x4* lpsToModel, vtkIdType maxTriangles)
{
  vtkNew<vtkTriangleFilter> triangles;
  triangles->SetInputData(input);
  triangles->PassVertsOff();
  triangles->PassLinesOff();
  vtkNew<vtkCleanPolyData> clean;
  clean->SetInputConnection(triangles->GetOutputPort());
  clean->Update();
  vtkSmartPointer<vtkPolyData> surface =
    transformed(withoutRepeatedTriangles(clean->GetOutput()), lpsToModel);
  surface->GetPointData()->Initialize();
  return finished(decimated(surface, maxTriangles));
}

bool
isSurfacePath(const std::string& path)
{
  const std::string extension = lowerCase(std::filesystem::path(path).extension().string());
  return extension == ".stl" || extension == ".obj" || extension == ".ply" || extension == ".vtp" ||
         extension == ".vtk";
}

SurfaceInput
readSurfaceInput(const std::string& path)
{
  SurfaceInput input;
  const std::string extension = lowerCase(std::filesystem::path(path).extension().string());
  if (!isSurfacePath(path)) {
    input.problem = "unsupported surface format (not .stl, .obj, .ply, .vtp or .vtk)";
    return input;
  }
  SurfaceFile file;
  if (extension == ".vtk") {
    // Legacy polygonal data, checked before and after VTK's reader as the viewer's own files are.
    SurfaceRead read = readCheckedPolyData(path);
    file.surface = read.surface;
    file.problem = read.problem;
  } else if (extension == ".stl") {
    file = readStlFile(path);
  } else if (extension == ".obj") {
    file = readObjFile(path);
  } else if (extension == ".ply") {
    file = readPlyFile(path);
  } else if ((file.problem = vtpHeaderProblem(path)).empty()) {
    auto xml = vtkSmartPointer<vtkXMLPolyDataReader>::New();
    xml->SetFileName(path.c_str());
    bool failed = false;
    vtkNew<vtkCallbackCommand> observer;
    observer->SetCallback(
      [](vtkObject*, unsigned long, void* data, void*) { *static_cast<bool*>(data) = true; });
    observer->SetClientData(&failed);
    xml->AddObserver(vtkCommand::ErrorEvent, observer);
    xml->Update();
    file.surface = xml->GetOutput();
    if (failed) {
      file.problem = "cannot be read as a VTP surface (damaged or short)";
    }
  }
  if (file.problem.empty()) {
    file.problem = surfaceProblem(file.surface);
  }
  if (file.problem.empty() &&
      file.surface->GetNumberOfPolys() + file.surface->GetNumberOfStrips() == 0) {
    file.problem = "holds no readable surface";
  }
  if (file.problem.empty() && !hasArea(file.surface)) {
    file.problem = "holds no face with an area (every corner of each on one line or point)";
  }
  if (!file.problem.empty()) {
    input.problem = file.problem;
    return input;
  }
  input.surface = file.surface;
  input.frame = namedFrame(path, extension);
  return input;
}

} // namespace makemodel
