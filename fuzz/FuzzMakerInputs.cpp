#include "fuzz/FuzzMakerInputs.h"

#include "fuzz/FuzzEntryPoints.h"
#include "tools/make_model/ImageInput.h"
#include "tools/make_model/LabelVolume.h"
#include "tools/make_model/Surfaces.h"

#include <vtkImageData.h>
#include <vtkMatrix4x4.h>
#include <vtkNew.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>

#include <cmath>
#include <cstdlib>

std::string
feedMakerImage(const std::uint8_t* data, std::size_t size)
{
  std::string made;
  for (const char* suffix : { ".nrrd", ".mha", ".nii", ".vti" }) {
    const makemodel::ImageInput input =
      makemodel::readImageInput(writeScratchInput(data, size, suffix));
    made += std::string(suffix) + ": ";
    if (!input.problem.empty()) {
      if (input.image) {
        std::abort(); // a refused image is never handed on
      }
      made += "refused; ";
      continue;
    }
    // Every accepted placement maps voxels to finite millimetres.
    for (int element = 0; element < 16; ++element) {
      if (!std::isfinite(input.indexToLps->GetElement(element / 4, element % 4))) {
        std::abort();
      }
    }
    const makemodel::LabelVolume labels = makemodel::makeLabelVolume(input.image);
    made += labels.problem.empty() ? std::to_string(labels.extents.size()) + " labels; "
                                   : std::string("not labels; ");
  }
  return made;
}

std::string
feedMakerSurface(const std::uint8_t* data, std::size_t size)
{
  std::string made;
  for (const char* suffix : { ".stl", ".obj", ".ply", ".vtp" }) {
    const makemodel::SurfaceInput input =
      makemodel::readSurfaceInput(writeScratchInput(data, size, suffix));
    made += std::string(suffix) + ": ";
    if (!input.problem.empty()) {
      made += "refused; ";
      continue;
    }
    vtkNew<vtkMatrix4x4> identity;
    const vtkSmartPointer<vtkPolyData> surface =
      makemodel::preparedSurface(input.surface, identity, 100);
    for (vtkIdType point = 0; point < surface->GetNumberOfPoints(); ++point) {
      const double* xyz = surface->GetPoint(point);
      if (!std::isfinite(xyz[0] + xyz[1] + xyz[2])) {
        std::abort();
      }
    }
    made += std::to_string(surface->GetNumberOfPolys()) + " triangles; ";
  }
  return made;
}
