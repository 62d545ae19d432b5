#include "loading/SectionVolume.h"
#include "loading/ModelFile.h"

#include <vtkImageData.h>
#include <vtkType.h>

#include <algorithm>
#include <cstring>

SectionVolumeRead
readSectionVolume(const std::string& path)
{
  SectionVolumeRead result;
  RegularFile file(path);
  if (!file.isOpen()) {
    result.problem = "Error while loading data from file " + path + ".";
    return result;
  }

  auto image = vtkSmartPointer<vtkImageData>::New();
  image->SetDimensions(
    sectionVolumeDimensions[0], sectionVolumeDimensions[1], sectionVolumeDimensions[2]);
  image->SetOrigin(0, 0, 0);
  image->SetSpacing(sectionVolumeSpacing[0], sectionVolumeSpacing[1], sectionVolumeSpacing[2]);
  image->AllocateScalars(VTK_UNSIGNED_CHAR, 1);

  // Straight into the scalar array: the volume is held once, not once per buffer.
  auto* voxels = static_cast<unsigned char*>(image->GetScalarPointer());
  const std::size_t count =
    std::size_t(std::max<std::int64_t>(0, file.read(voxels, sectionVolumeByteCount)));
  result.bytesRead = std::int64_t(count);
  result.fileSize = file.size();
  if (count < std::size_t(sectionVolumeByteCount)) {
    std::memset(voxels + count, 0, std::size_t(sectionVolumeByteCount) - count);
    result.problem = "numread: " + std::to_string(count);
  }
  result.volume = image;
  return result;
}
