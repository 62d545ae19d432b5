#include "loading/SectionVolume.h"
#include "loading/PlainFile.h"

#include <vtkImageData.h>
#include <vtkType.h>

#include <cstdio>
#include <cstring>
#include <memory>

SectionVolumeRead
readSectionVolume(const std::string& path)
{
  SectionVolumeRead result;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(
    isPlainFile(path) ? std::fopen(path.c_str(), "rb") : nullptr, &std::fclose);
  if (!file) {
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
  const std::size_t count = std::fread(voxels, 1, std::size_t(sectionVolumeByteCount), file.get());
  result.bytesRead = std::int64_t(count);
  if (count < std::size_t(sectionVolumeByteCount)) {
    std::memset(voxels + count, 0, std::size_t(sectionVolumeByteCount) - count);
    result.problem = "numread: " + std::to_string(count);
  }
  result.volume = image;
  return result;
}
