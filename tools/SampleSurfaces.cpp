#include "SampleSurfaces.h"

#include <vtkCellArray.h>
#include <vtkCellArrayIterator.h>
#include <vtkDecimatePro.h>
#include <vtkFloatArray.h>
#include <vtkFlyingEdges3D.h>
#include <vtkImageData.h>
#include <vtkNew.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkPolyDataNormals.h>
#include <vtkPolyDataWriter.h>
#include <vtkReverseSense.h>
#include <vtkSMPTools.h>
#include <vtkWindowedSincPolyDataFilter.h>

#include <algorithm>
#include <cmath>

namespace sample {

namespace {

constexpr double headSpacing = 2.2;
// The head view is about 225 x 180 pixels: a few thousand triangles show the face as well as
// tens of thousands, and on a software renderer every triangle costs time in each turn.
constexpr vtkIdType headTriangleBudget = 4000;

} // namespace

vtkSmartPointer<vtkPolyData>
withNormals(vtkPolyData* surface)
{
  vtkNew<vtkPolyDataNormals> normals;
  normals->SetInputData(surface);
  normals->SplittingOff();
  normals->ConsistencyOff();
  normals->AutoOrientNormalsOff();
  normals->ComputePointNormalsOn();
  normals->ComputeCellNormalsOff();
  normals->Update();
  vtkSmartPointer<vtkPolyData> result = normals->GetOutput();
  return result;
}

vtkSmartPointer<vtkPolyData>
facingOutward(vtkSmartPointer<vtkPolyData> surface)
{
  if (signedVolume(surface) < 0) {
    vtkNew<vtkReverseSense> reverse;
    reverse->SetInputData(surface);
    reverse->ReverseCellsOn();
    reverse->ReverseNormalsOff();
    reverse->Update();
    surface = reverse->GetOutput();
  }
  return surface;
}

double
signedVolume(vtkPolyData* surface)
{
  vtkPoints* points = surface->GetPoints();
  vtkCellArray* polys = surface->GetPolys();
  if (!points || !polys) {
    return 0;
  }
  double volume = 0;
  vtkIdType count = 0;
  const vtkIdType* ids = nullptr;
  auto iterator = vtk::TakeSmartPointer(polys->NewIterator());
  for (iterator->GoToFirstCell(); !iterator->IsDoneWithTraversal(); iterator->GoToNextCell()) {
    iterator->GetCurrentCell(count, ids);
    double a[3], b[3], c[3];
    for (vtkIdType corner = 1; corner + 1 < count; ++corner) {
      points->GetPoint(ids[0], a);
      points->GetPoint(ids[corner], b);
      points->GetPoint(ids[corner + 1], c);
      volume += a[0] * (b[1] * c[2] - b[2] * c[1]) - a[1] * (b[0] * c[2] - b[2] * c[0]) +
                a[2] * (b[0] * c[1] - b[1] * c[0]);
    }
  }
  return volume / 6.0;
}

vtkSmartPointer<vtkImageData>
sampleField(const Field& field, const Box& box, double spacing)
{
  int dimensions[3] = { int(std::ceil((box.high.x - box.low.x) / spacing)) + 1,
                        int(std::ceil((box.high.y - box.low.y) / spacing)) + 1,
                        int(std::ceil((box.high.z - box.low.z) / spacing)) + 1 };
  auto image = vtkSmartPointer<vtkImageData>::New();
  image->SetDimensions(dimensions);
  image->SetOrigin(box.low.x, box.low.y, box.low.z);
  image->SetSpacing(spacing, spacing, spacing);
  image->AllocateScalars(VTK_FLOAT, 1);
  float* values = static_cast<float*>(image->GetScalarPointer());

  constexpr int block = 4;
  const int blocks[3] = { (dimensions[0] + block - 1) / block,
                          (dimensions[1] + block - 1) / block,
                          (dimensions[2] + block - 1) / block };
  // A block whose centre is farther from the surface than this holds no grid point within one
  // spacing of the surface, so no edge the surface crosses touches it.
  const double settled = (0.5 * (block - 1) * std::sqrt(3.0) + 1.1) * spacing;
  auto at = [&](int i, int j, int k) {
    return Vec3{ box.low.x + i * spacing, box.low.y + j * spacing, box.low.z + k * spacing };
  };
  vtkSMPTools::For(0, vtkIdType(blocks[2]) * blocks[1], [&](vtkIdType begin, vtkIdType end) {
    for (vtkIdType row = begin; row < end; ++row) {
      const int kb = int(row / blocks[1]), jb = int(row % blocks[1]);
      for (int ib = 0; ib < blocks[0]; ++ib) {
        const int i0 = ib * block, j0 = jb * block, k0 = kb * block;
        const Vec3 centre{ box.low.x + (i0 + 0.5 * (block - 1)) * spacing,
                           box.low.y + (j0 + 0.5 * (block - 1)) * spacing,
                           box.low.z + (k0 + 0.5 * (block - 1)) * spacing };
        const double centreValue = field(centre);
        const bool uniform = std::abs(centreValue) > settled;
        for (int k = k0; k < std::min(k0 + block, dimensions[2]); ++k) {
          for (int j = j0; j < std::min(j0 + block, dimensions[1]); ++j) {
            for (int i = i0; i < std::min(i0 + block, dimensions[0]); ++i) {
              double value = uniform ? centreValue : field(at(i, j, k));
              // A sample exactly on the surface would give coincident contour points.
              if (std::abs(value) < 1e-7) {
                value = 1e-7;
              }
              values[(std::size_t(k) * dimensions[1] + j) * dimensions[0] + i] = float(value);
            }
          }
        }
      }
    }
  });
  return image;
}

vtkSmartPointer<vtkPolyData>
contourField(vtkImageData* samples)
{
  vtkNew<vtkFlyingEdges3D> contour;
  contour->SetInputData(samples);
  contour->SetValue(0, 0.0);
  contour->ComputeNormalsOff();
  contour->ComputeGradientsOff();
  contour->ComputeScalarsOff();

  vtkNew<vtkWindowedSincPolyDataFilter> smoother;
  smoother->SetInputConnection(contour->GetOutputPort());
  smoother->SetNumberOfIterations(15);
  smoother->SetPassBand(0.08);
  smoother->BoundarySmoothingOff();
  smoother->FeatureEdgeSmoothingOff();
  smoother->NonManifoldSmoothingOn();
  smoother->NormalizeCoordinatesOn();
  smoother->Update();

  vtkSmartPointer<vtkPolyData> surface = smoother->GetOutput();
  return facingOutward(surface);
}

vtkSmartPointer<vtkPolyData>
headSurface(const HeadShape& head)
{
  vtkSmartPointer<vtkImageData> samples =
    sampleField([&](const Vec3& point) { return head.field(point); }, head.bounds(), headSpacing);
  vtkSmartPointer<vtkPolyData> surface = contourField(samples);
  // Fewer, larger triangles where the skin is flat keep the face's detail within the budget of
  // the small head view.
  if (surface->GetNumberOfPolys() > headTriangleBudget) {
    // At this reduction the quadric decimation leaves non-manifold edges; the topology-keeping
    // decimation keeps the skin closed.
    vtkNew<vtkDecimatePro> decimate;
    decimate->SetInputData(surface);
    decimate->SetTargetReduction(1.0 - double(headTriangleBudget) / surface->GetNumberOfPolys());
    decimate->PreserveTopologyOn();
    decimate->SplittingOff();
    decimate->BoundaryVertexDeletionOff();
    decimate->Update();
    surface = decimate->GetOutput();
  }
  return withNormals(surface);
}

bool
writeLegacyPolyData(vtkPolyData* surface,
                    const std::string& path,
                    const std::string& title,
                    std::string* error)
{
  vtkNew<vtkPolyDataWriter> writer;
  writer->SetInputData(surface);
  writer->SetFileName(path.c_str());
  writer->SetHeader(title.c_str());
  writer->SetFileTypeToBinary();
  writer->SetFileVersion(vtkPolyDataWriter::VTK_LEGACY_READER_VERSION_4_2);
  if (writer->Write() != 1 || writer->GetErrorCode() != 0) {
    if (error) {
      *error = "cannot write " + path;
    }
    return false;
  }
  return true;
}

} // namespace sample
