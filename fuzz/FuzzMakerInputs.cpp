#include "fuzz/FuzzMakerInputs.h"

#include "fuzz/FuzzEntryPoints.h"
#include "tools/make_model/ImageInput.h"
#include "tools/make_model/LabelVolume.h"
#include "tools/make_model/SegmentationHeader.h"
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
    const makemodel::LabelVolume labels =
      makemodel::makeLabelVolume(input.image, input.rescaleSlope, input.rescaleIntercept);
    // Every segment the header names lies in one of the image's layers, and every code of the
    // labels names a segment of its own.
    const makemodel::SegmentList segments =
      makemodel::segmentsFromHeader(input.headerFields, input.layers);
    for (const makemodel::SegmentInfo& segment : segments.segments) {
      if (segment.layer < 0 || segment.layer >= input.layers || segment.labelValue < 1) {
        std::abort();
      }
    }
    for (std::uint16_t code : labels.labels) {
      if (code >= labels.segments.size()) {
        std::abort();
      }
    }
    made += labels.problem.empty() ? std::to_string(labels.codes().size()) + " labels; "
                                   : std::string("not labels; ");
  }
  return made;
}

std::string
feedMakerSurface(const std::uint8_t* data, std::size_t size)
{
  std::string made;
  for (const char* suffix : { ".stl", ".obj", ".ply", ".vtp", ".vtk" }) {
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
