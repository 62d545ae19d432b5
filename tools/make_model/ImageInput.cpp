#include "tools/make_model/ImageInput.h"

#include "tools/make_model/ImageHeaders.h"

#include "tools/make_model/InputFile.h"
#include "tools/make_model/NrrdFile.h"
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

// The dimensions' problem, empty for a 3-D image of at most maximumImageBytes and
// maximumImageVoxels.
std::string
sizeProblem(const std::int64_t (&dimensions)[3], int scalarSize, std::int64_t components)
{
  const int flatAxes = (dimensions[0] < 2) + (dimensions[1] < 2) + (dimensions[2] < 2);
  if (flatAxes > 1) {
    return "cannot be read as an image (" + std::to_string(dimensions[0]) + " x " +
           std::to_string(dimensions[1]) + " x " + std::to_string(dimensions[2]) + " voxels)";
  }
  if (flatAxes == 1) {
    return "is a 2-D image (" + std::to_string(dimensions[0]) + " x " +
           std::to_string(dimensions[1]) + " x " + std::to_string(dimensions[2]) +
           " voxels); a 3-D image is needed";
  }
  // In floating point: a damaged header's sizes could overflow any integer product.
  const double voxels = double(dimensions[0]) * double(dimensions[1]) * double(dimensions[2]);
  const double size =
    voxels * std::max(1, scalarSize) * double(std::max<std::int64_t>(1, components));
  if (size > double(maximumImageBytes)) {
    return "holds " + std::to_string(std::llround(size / 1048576)) +
           " MiB of voxels, more than the " + std::to_string(maximumImageBytes >> 20) +
           " MiB this tool reads";
  }
  if (voxels > double(maximumImageVoxels)) {
    return "holds " + std::to_string(std::llround(voxels)) + " voxels, more than the " +
           std::to_string(maximumImageVoxels) + " this tool reads";
  }
  return {};
}

std::string
seriesProblem(std::int64_t frames, std::optional<long> frame)
{
  if (frames > 1 && !frame) {
    return "is a series of " + std::to_string(frames) +
           " images (a 4-D image); choose one with --frame N (0 to " + std::to_string(frames - 1) +
           ")";
  }
  if (frame && (*frame < 0 || *frame >= frames)) {
    return "has no frame " + std::to_string(*frame) + " (--frame): it holds " +
           std::to_string(frames) +
           (frames == 1 ? " image" : " images, 0 to " + std::to_string(frames - 1));
  }
  return {};
}

// Whether a NRRD header describes segments (a segmentation file's names and colours).
bool
namesSegments(const std::map<std::string, std::string>& fields)
{
  for (auto field = fields.lower_bound("segment");
       field != fields.end() && field->first.compare(0, 7, "segment") == 0;
       ++field) {
    if (field->first.size() > 7 && std::isdigit(static_cast<unsigned char>(field->first[7]))) {
      return true;
    }
  }
  return false;
}

// Checks the placement of an image read and completes indexToLps; false with problem set when
// the placement is no grid a scan has.
bool
placed(ImageInput& input);

// A NRRD file through its own reader: every encoding and layout a segmentation tool writes.
ImageInput
readNrrdInput(const std::string& path, std::optional<long> frame)
{
  ImageInput input;
  const NrrdLayout layout = nrrdLayout(path);
  if (!layout.problem.empty()) {
    input.problem = layout.problem;
    return input;
  }
  const std::int64_t dimensions[3] = { layout.sizes[0], layout.sizes[1], layout.sizes[2] };
  const bool layered =
    layout.components > 1 && layout.componentKind == "list" && namesSegments(layout.fields);
  // A segmentation tool makes a layer where segments overlap: a handful in practice. Each layer
  // costs a table of 128 KiB while the labels are counted.
  if (layered && layout.components > maximumLayers) {
    input.problem = "has " + std::to_string(layout.components) + " layers, more than the " +
                    std::to_string(maximumLayers) + " read here";
    return input;
  }
  if (layout.components > 1 && !layered) {
    input.problem =
      "has " + std::to_string(layout.components) + " components per voxel; one is needed";
    return input;
  }
  if (!(input.problem = sizeProblem(dimensions, layout.scalarSize, layout.components)).empty() ||
      !(input.problem = seriesProblem(layout.frames, frame)).empty()) {
    return input;
  }
  NrrdVoxels voxels = readNrrdVoxels(layout, frame.value_or(0));
  if (!voxels.problem.empty()) {
    input.problem = voxels.problem;
    return input;
  }
  input.image = voxels.image;
  input.layers = int(layout.components);
  input.headerFields = layout.fields;
  if (layout.directions.size() == 9) {
    input.indexToWorld = affine(layout.directions, layout.origin);
  } else {
    const std::vector<double> spacing =
      layout.spacings.size() == 3 ? layout.spacings : std::vector<double>{ 1, 1, 1 };
    input.indexToWorld =
      affine({ spacing[0], 0, 0, 0, spacing[1], 0, 0, 0, spacing[2] }, layout.origin);
  }
  input.worldToLps = layout.fields.count("space") ? toLpsFromSpace(layout.fields.at("space"))
                                                  : vtkSmartPointer<vtkMatrix4x4>::New();
  placed(input);
  return input;
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
readImageInput(const std::string& path, std::optional<long> frame)
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
  if (format == Format::Nrrd) {
    return readNrrdInput(path, frame);
  }

  input.problem = format == Format::MetaImage ? metaImageHeaderProblem(path)
                  : format == Format::Nifti   ? niftiHeaderProblem(path)
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
      // A series comes whole, its frames as components, so that one can be chosen.
      nifti->TimeAsVectorOn();
      reader.TakeReference(nifti);
      break;
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
  // NIfTI's fourth axis is time (a series), its fifth a vector's components.
  std::int64_t frames = 1;
  if (nifti) {
    vtkNIFTIImageHeader* header = nifti->GetNIFTIHeader();
    frames = header->GetDim(0) >= 4 ? std::max<std::int64_t>(1, header->GetDim(4)) : 1;
    const std::int64_t vector =
      header->GetDim(0) >= 5 ? std::max<std::int64_t>(1, header->GetDim(5)) : 1;
    if (vector > 1) {
      input.problem = "has " + std::to_string(vector) + " components per voxel; one is needed";
      return input;
    }
  }
  if (!(input.problem = sizeProblem(dimensions, scalarSize, components)).empty() ||
      !(input.problem = seriesProblem(frames, frame)).empty()) {
    return input;
  }
  const auto bytes = std::int64_t(double(dimensions[0]) * double(dimensions[1]) *
                                  double(dimensions[2]) * scalarSize * components);
  // Before a voxel is read: VTK's readers hand on whatever memory held where voxels are missing.
  switch (format) {
    case Format::Nifti:
      input.problem = niftiProblem(path, nifti->GetNIFTIHeader(), bytes);
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
  if (frames > 1 && image->GetNumberOfScalarComponents() == frames) {
    // The chosen frame alone, as a one-component image.
    vtkDataArray* series = image->GetPointData()->GetScalars();
    auto values = vtk::TakeSmartPointer(series->NewInstance());
    values->SetNumberOfComponents(1);
    values->SetNumberOfTuples(series->GetNumberOfTuples());
    values->CopyComponent(0, series, int(frame.value_or(0)));
    auto one = vtkSmartPointer<vtkImageData>::New();
    one->CopyStructure(image);
    one->GetPointData()->SetScalars(values);
    input.image = one;
    image = one;
  } else {
    input.image = image;
  }
  if (image->GetNumberOfScalarComponents() != 1) {
    input.image = nullptr;
    input.problem = "has " + std::to_string(image->GetNumberOfScalarComponents()) +
                    " components per voxel; one is needed";
    return input;
  }
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
  placed(input);
  return input;
}

namespace {

bool
placed(ImageInput& input)
{
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
      return false;
    }
  }
  // A singular placement (repeated directions) cannot be inverted later.
  if (!(std::abs(input.indexToWorld->Determinant()) >= 1e-12)) {
    input.image = nullptr;
    input.problem = "has a degenerate voxel grid (zero spacing or parallel axes)";
    return false;
  }
  input.indexToLps = vtkSmartPointer<vtkMatrix4x4>::New();
  vtkMatrix4x4::Multiply4x4(input.worldToLps, input.indexToWorld, input.indexToLps);
  return true;
}

} // namespace

} // namespace makemodel
