#include "tools/SampleStructureSurface.h"

#include "tools/SampleSurfaces.h"
#include "tools/make_model/LabelVolume.h"
#include "tools/make_model/Surfaces.h"

#include <vtkImageData.h>
#include <vtkMatrix4x4.h>
#include <vtkNew.h>
#include <vtkPolyData.h>
#include <vtkTransform.h>

#include <cstdint>

namespace sample {

namespace {

// Voxel size per structure: fine enough for the thin layers (cartilages, joint space, vessels),
// coarse where the shapes are large, to keep the triangle count interactive.
constexpr double structureSpacing[structureCount] = {
  0.040, // Incus
  0.015, // Incus Articular Cartilage
  0.019, // Incus Blood Vessels
  0.038, // Incus Areolar Tissue
  0.028, // Stapes
  0.015, // Stapes Articular Cartilage
  0.025, // Capsular Ligamental Fibers
  0.025, // Stapedius Tendon
  0.014, // Joint Space
};

// At these voxel sizes the largest structure contours to about 64,000 triangles; the budget
// leaves every structure whole, as the earlier generator gave them.
constexpr vtkIdType triangleBudget = 80000;

} // namespace

vtkSmartPointer<vtkPolyData>
structureSurface(const JointAnatomy& anatomy, int structure)
{
  // The structure's own region as a label map: 1 inside, 0 around, with two voxels of
  // background on every side.
  const double spacing = structureSpacing[structure];
  Box box = anatomy.structureBounds(structure);
  const Vec3 margin{ 2 * spacing, 2 * spacing, 2 * spacing };
  box = { box.low - margin, box.high + margin };
  vtkSmartPointer<vtkImageData> field = sampleField(
    [&](const Vec3& point) { return anatomy.regionField(structure, point); }, box, spacing);
  vtkNew<vtkImageData> labels;
  labels->SetDimensions(field->GetDimensions());
  labels->AllocateScalars(VTK_UNSIGNED_CHAR, 1);
  const auto* values = static_cast<const float*>(field->GetScalarPointer());
  auto* inside = static_cast<std::uint8_t*>(labels->GetScalarPointer());
  for (vtkIdType index = 0; index < field->GetNumberOfPoints(); ++index) {
    inside[index] = values[index] < 0 ? 1 : 0;
  }
  field = nullptr;
  const makemodel::LabelVolume volume = makemodel::makeLabelVolume(labels);
  const int code = volume.problem.empty() ? volume.codeOf(0, 1) : 0;
  if (code == 0) {
    return vtkSmartPointer<vtkPolyData>::New();
  }

  // Voxel index to the model's millimetres: onto the grid, then placed as the section volume is.
  vtkNew<vtkTransform> placement;
  buildVolumePlacement(placement);
  vtkNew<vtkMatrix4x4> grid;
  for (int axis = 0; axis < 3; ++axis) {
    grid->SetElement(axis, axis, spacing);
  }
  grid->SetElement(0, 3, box.low.x);
  grid->SetElement(1, 3, box.low.y);
  grid->SetElement(2, 3, box.low.z);
  vtkNew<vtkMatrix4x4> indexToModel;
  vtkMatrix4x4::Multiply4x4(placement->GetMatrix(), grid, indexToModel);
  return makemodel::labelSurface(volume, code, indexToModel, triangleBudget);
}

} // namespace sample
