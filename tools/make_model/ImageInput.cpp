#include "tools/make_model/ImageInput.h"

#include "tools/make_model/ImageHeaders.h"

#include "tools/make_model/InputFile.h"
#include "tools/make_model/VoxelChecks.h"

#include <vtkAlgorithm.h>
#include <vtkCallbackCommand.h>
#include <vtkCommand.h>
#include <vtkDataArray.h>
#include <vtkDataObject.h>
#include <vtkDataSetAttributes.h>
#include <vtkImageData.h>
#include <vtkInformation.h>
#include <vtkMatrix4x4.h>
#include <vtkMetaImageReader.h>
#include <vtkNIFTIImageHeader.h>
#include <vtkNIFTIImageReader.h>
#include <vtkNew.h>
#include <vtkNrrdReader.h>
#include <vtkPointData.h>
#include <vtkStreamingDemandDrivenPipeline.h>
#include <vtkXMLImageDataReader.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace makemodel {

namespace {

enum class Format
{
  Unknown,
  Nifti,
  Nrrd,
  MetaImage,
  VtkImage
};

Format
formatOf(const std::string& path)
{
  const std::string name = lowerCase(path);
  if (endsWith(name, ".nii") || endsWith(name, ".nii.gz")) {
    return Format::Nifti;
  }
  if (endsWith(name, ".nrrd") || endsWith(name, ".nhdr")) {
    return Format::Nrrd;
  }
  if (endsWith(name, ".mha") || endsWith(name, ".mhd")) {
    return Format::MetaImage;
  }
  if (endsWith(name, ".vti")) {
    return Format::VtkImage;
  }
  return Format::Unknown;
}

// Index to world from axis directions (already scaled by the spacing) and an origin.
vtkSmartPointer<vtkMatrix4x4>
affine(const std::vector<double>& columns, const std::vector<double>& origin)
{
  auto matrix = vtkSmartPointer<vtkMatrix4x4>::New();
  for (int axis = 0; axis < 3; ++axis) {
    for (int row = 0; row < 3; ++row) {
      matrix->SetElement(row, axis, columns[std::size_t(axis) * 3 + row]);
    }
    matrix->SetElement(axis, 3, origin.size() >= 3 ? origin[std::size_t(axis)] : 0.0);
  }
  return matrix;
}

// The reader's own origin and spacing, for headers that give no directions.
vtkSmartPointer<vtkMatrix4x4>
axisAligned(vtkImageData* image)
{
  double spacing[3], origin[3];
  image->GetSpacing(spacing);
  image->GetOrigin(origin);
  return affine({ spacing[0], 0, 0, 0, spacing[1], 0, 0, 0, spacing[2] },
                { origin[0], origin[1], origin[2] });
}

struct ErrorWatch
{
  bool failed = false;
  static void called(vtkObject*, unsigned long, void* data, void*)
  {
    static_cast<ErrorWatch*>(data)->failed = true;
  }
};

} // namespace

bool
isImagePath(const std::string& path)
{
  return formatOf(path) != Format::Unknown;
}

ImageInput
readImageInput(const std::string& path)
{
  ImageInput input;
  const Format format = formatOf(path);
  if (format == Format::Unknown) {
    input.problem = "unsupported format (not .nii, .nii.gz, .nrrd, .nhdr, .mha, .mhd or .vti)";
    return input;
  }
  if (!isPlainFile(path)) {
    input.problem = "cannot be opened as a file";
    return input;
  }

  input.problem = format == Format::Nrrd        ? nrrdHeaderProblem(path)
                  : format == Format::MetaImage ? metaImageHeaderProblem(path)
                  : format == Format::Nifti     ? niftiHeaderProblem(path)
                                                : std::string();
  if (!input.problem.empty()) {
    return input;
  }

  vtkSmartPointer<vtkAlgorithm> reader;
  vtkNIFTIImageReader* nifti = nullptr;
  switch (format) {
    case Format::Nifti:
      nifti = vtkNIFTIImageReader::New();
      nifti->SetFileName(path.c_str());
      reader.TakeReference(nifti);
      break;
    case Format::Nrrd: {
      reader = plainNrrdReader(path);
      if (!reader) {
        auto nrrd = vtkSmartPointer<vtkNrrdReader>::New();
        nrrd->SetFileName(path.c_str());
        reader = nrrd;
      }
      break;
    }
    case Format::MetaImage: {
      auto meta = vtkSmartPointer<vtkMetaImageReader>::New();
      meta->SetFileName(path.c_str());
      reader = meta;
      break;
    }
    default: {
      auto xml = vtkSmartPointer<vtkXMLImageDataReader>::New();
      xml->SetFileName(path.c_str());
      reader = xml;
    }
  }
  ErrorWatch watch;
  vtkNew<vtkCallbackCommand> observer;
  observer->SetCallback(&ErrorWatch::called);
  observer->SetClientData(&watch);
  reader->AddObserver(vtkCommand::ErrorEvent, observer);

  // The header first: size and type decide whether the voxels are read at all.
  reader->UpdateInformation();
  vtkInformation* information = reader->GetOutputInformation(0);
  int extent[6] = { 0, -1, 0, -1, 0, -1 };
  if (!watch.failed && information &&
      information->Has(vtkStreamingDemandDrivenPipeline::WHOLE_EXTENT())) {
    information->Get(vtkStreamingDemandDrivenPipeline::WHOLE_EXTENT(), extent);
  }
  std::int64_t dimensions[3];
  for (std::size_t axis = 0; axis < 3; ++axis) {
    dimensions[axis] = std::int64_t(extent[2 * axis + 1]) - extent[2 * axis] + 1;
  }
  if (watch.failed || dimensions[0] < 1 || dimensions[1] < 1 || dimensions[2] < 1) {
    input.problem = "cannot be read as an image";
    return input;
  }
  const int flatAxes = (dimensions[0] < 2) + (dimensions[1] < 2) + (dimensions[2] < 2);
  if (flatAxes > 1) {
    input.problem = "cannot be read as an image (" + std::to_string(dimensions[0]) + " x " +
                    std::to_string(dimensions[1]) + " x " + std::to_string(dimensions[2]) +
                    " voxels)";
    return input;
  }
  if (flatAxes == 1) {
    input.problem = "is a 2-D image (" + std::to_string(dimensions[0]) + " x " +
                    std::to_string(dimensions[1]) + " x " + std::to_string(dimensions[2]) +
                    " voxels); a 3-D image is needed";
    return input;
  }
  int scalarSize = 8, components = 1;
  if (vtkInformation* scalars = vtkDataObject::GetActiveFieldInformation(
        information, vtkDataObject::FIELD_ASSOCIATION_POINTS, vtkDataSetAttributes::SCALARS)) {
    if (scalars->Has(vtkDataObject::FIELD_ARRAY_TYPE())) {
      scalarSize = vtkDataArray::GetDataTypeSize(scalars->Get(vtkDataObject::FIELD_ARRAY_TYPE()));
    }
    if (scalars->Has(vtkDataObject::FIELD_NUMBER_OF_COMPONENTS())) {
      components = scalars->Get(vtkDataObject::FIELD_NUMBER_OF_COMPONENTS());
    }
  }
  // In floating point: a damaged header's sizes could overflow any integer product.
  const double voxels = double(dimensions[0]) * double(dimensions[1]) * double(dimensions[2]);
  const double size = voxels * std::max(1, scalarSize) * std::max(1, components);
  if (size > double(maximumImageBytes)) {
    input.problem = "holds " + std::to_string(std::llround(size / 1048576)) +
                    " MiB of voxels, more than the " + std::to_string(maximumImageBytes >> 20) +
                    " MiB this tool reads";
    return input;
  }
  if (voxels > double(maximumImageVoxels)) {
    input.problem = "holds " + std::to_string(std::llround(voxels)) + " voxels, more than the " +
                    std::to_string(maximumImageVoxels) + " this tool reads";
    return input;
  }
  const auto bytes = std::int64_t(size);
  // Before a voxel is read: VTK's readers hand on whatever memory held where voxels are missing.
  switch (format) {
    case Format::Nifti:
      input.problem = niftiProblem(path, nifti->GetNIFTIHeader(), bytes);
      break;
    case Format::Nrrd:
      input.problem = nrrdProblem(path, bytes);
      break;
    case Format::MetaImage:
      input.problem = metaImageProblem(path, bytes);
      break;
    default:
      input.problem = vtiProblem(path);
  }
  if (!input.problem.empty()) {
    return input;
  }

  reader->Update();
  vtkImageData* image = vtkImageData::SafeDownCast(reader->GetOutputDataObject(0));
  if (watch.failed || !image || !image->GetPointData()->GetScalars() ||
      image->GetNumberOfPoints() != dimensions[0] * dimensions[1] * dimensions[2]) {
    input.problem = "cannot be read as an image (damaged or in an unsupported encoding)";
    return input;
  }
  if (image->GetNumberOfScalarComponents() != 1) {
    input.problem = "has " + std::to_string(image->GetNumberOfScalarComponents()) +
                    " components per voxel; one is needed";
    return input;
  }
  input.image = image;
  input.worldToLps = vtkSmartPointer<vtkMatrix4x4>::New();

  switch (format) {
    case Format::Nifti: {
      // VTK's coordinates (spacing times index, from the reader's origin) go to RAS through
      // the sform where the file sets one, else the qform.
      vtkNIFTIImageHeader* header = nifti->GetNIFTIHeader();
      vtkMatrix4x4* form = nullptr;
      if (header->GetSFormCode() > 0 && nifti->GetSFormMatrix()) {
        form = nifti->GetSFormMatrix();
      } else if (header->GetQFormCode() > 0 && nifti->GetQFormMatrix()) {
        form = nifti->GetQFormMatrix();
      }
      input.indexToWorld = axisAligned(image);
      if (form) {
        vtkMatrix4x4::Multiply4x4(form, input.indexToWorld, input.indexToWorld);
      }
      input.worldToLps = toLpsFromSpace("RAS");
      // A slope of 0 or NaN means no scaling.
      const bool scaled = std::isfinite(nifti->GetRescaleSlope()) &&
                          nifti->GetRescaleSlope() != 0 &&
                          std::isfinite(nifti->GetRescaleIntercept());
      input.rescaleSlope = scaled ? nifti->GetRescaleSlope() : 1.0;
      input.rescaleIntercept = scaled ? nifti->GetRescaleIntercept() : 0.0;
      break;
    }
    case Format::Nrrd: {
      auto fields = headerFields(path, ':');
      const std::vector<double> directions = numbersIn(fields["space directions"]);
      if (directions.size() == 9) {
        input.indexToWorld = affine(directions, numbersIn(fields["space origin"]));
      } else {
        input.indexToWorld = axisAligned(image);
      }
      if (fields.count("space")) {
        input.worldToLps = toLpsFromSpace(fields["space"]);
      }
      break;
    }
    case Format::MetaImage: {
      // MetaImage's frame is LPS; TransformMatrix lists the direction of each index axis in
      // turn.
      auto fields = headerFields(path, '=');
      std::vector<double> directions = numbersIn(fields["transformmatrix"]);
      if (directions.size() != 9) {
        directions = numbersIn(fields["orientation"]);
      }
      std::vector<double> origin = numbersIn(fields["offset"]);
      if (origin.size() != 3) {
        origin = numbersIn(fields["origin"]);
      }
      const std::vector<double> spacing = numbersIn(fields["elementspacing"]);
      if (directions.size() == 9 && spacing.size() == 3) {
        for (std::size_t value = 0; value < 9; ++value) {
          directions[value] *= spacing[value / 3];
        }
        input.indexToWorld = affine(directions, origin);
      } else {
        input.indexToWorld = axisAligned(image);
      }
      break;
    }
    default:
      input.indexToWorld = vtkSmartPointer<vtkMatrix4x4>::New();
      input.indexToWorld->DeepCopy(image->GetIndexToPhysicalMatrix());
  }
  // The placement as the header gives it, whatever a reader made of it: every voxel size from
  // 0.1 micrometre to a metre, the origin within a kilometre.
  for (int column = 0; column < 4; ++column) {
    const double length = std::hypot(input.indexToWorld->GetElement(0, column),
                                     input.indexToWorld->GetElement(1, column),
                                     input.indexToWorld->GetElement(2, column));
    if (column < 3 ? !plausibleVoxelSize(length) : !(length <= 1e6)) {
      input.image = nullptr;
      input.problem = column < 3
                        ? "has a voxel size of " + std::to_string(length) + " along axis " +
                            std::to_string(column + 1) + " (not from 0.0001 to 1000 mm)"
                        : "has an origin that is not a finite place within a kilometre";
      return input;
    }
  }
  // A singular placement (repeated directions) cannot be inverted later.
  if (!(std::abs(input.indexToWorld->Determinant()) >= 1e-12)) {
    input.image = nullptr;
    input.problem = "has a degenerate voxel grid (zero spacing or parallel axes)";
    return input;
  }
  input.indexToLps = vtkSmartPointer<vtkMatrix4x4>::New();
  vtkMatrix4x4::Multiply4x4(input.worldToLps, input.indexToWorld, input.indexToLps);
  return input;
}

} // namespace makemodel
