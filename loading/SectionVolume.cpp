#include "loading/SectionVolume.h"
#include "loading/ModelFile.h"

#include <vtkImageData.h>
#include <vtkMatrix4x4.h>
#include <vtkType.h>

#include <algorithm>
#include <cstring>

vtkSmartPointer<vtkMatrix4x4>
sectionVoxelPlacement(const SectionVolumeGrid& grid)
{
  auto placement = vtkSmartPointer<vtkMatrix4x4>::New();
  for (std::size_t axis = 0; axis < 3; ++axis) {
    for (std::size_t row = 0; row < 3; ++row) {
      placement->SetElement(int(row), int(axis), grid.direction[axis][row] * grid.spacing[axis]);
    }
    placement->SetElement(int(axis), 3, grid.origin[axis]);
  }
  return placement;
}

SectionVolumeRead
readSectionVolume(const std::string& path, const SectionVolumeGrid& grid)
{
  SectionVolumeRead result;
  RegularFile file(path);
  if (!file.isOpen()) {
    result.problem = "Error while loading data from file " + path + ".";
    return result;
  }
  const std::int64_t byteCount = grid.byteCount();
  result.fileSize = file.size();
  if (grid.placed && (byteCount > largestSectionVolumeBytes || file.size() < byteCount)) {
    result.problem = "The section volume " + shortenedInMiddle(path) + " holds " +
                     std::to_string(file.size()) + " bytes, fewer than the " +
                     std::to_string(byteCount) + " of its grid";
    result.refused = true;
    return result;
  }

  auto image = vtkSmartPointer<vtkImageData>::New();
  image->SetDimensions(grid.dimensions[0], grid.dimensions[1], grid.dimensions[2]);
  image->SetOrigin(0, 0, 0);
  image->SetSpacing(grid.spacing[0], grid.spacing[1], grid.spacing[2]);
  image->AllocateScalars(VTK_UNSIGNED_CHAR, 1);

  // Straight into the scalar array: the volume is held once, not once per buffer.
  auto* voxels = static_cast<unsigned char*>(image->GetScalarPointer());
  const std::size_t count = std::size_t(std::max<std::int64_t>(0, file.read(voxels, byteCount)));
  result.bytesRead = std::int64_t(count);
  if (count < std::size_t(byteCount)) {
    std::memset(voxels + count, 0, std::size_t(byteCount) - count);
    result.problem = "numread: " + std::to_string(count);
  }
  result.volume = image;
  return result;
}
