#include "tools/make_model/ImageInput.h"

#include "loading/PlainFile.h"

#include <vtkAlgorithm.h>
#include <vtkCallbackCommand.h>
#include <vtkCommand.h>
#include <vtkDataArray.h>
#include <vtkDataObject.h>
#include <vtkDataSetAttributes.h>
#include <vtkImageData.h>
#include <vtkImageReader2.h>
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
#include <vtk_zlib.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace makemodel {

namespace {

std::string
lowerCase(std::string text)
{
  std::transform(
    text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return text;
}

bool
endsWith(const std::string& text, const std::string& ending)
{
  return text.size() >= ending.size() &&
         text.compare(text.size() - ending.size(), ending.size(), ending) == 0;
}

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

// Where headerFields notes the offset of the first byte after the header.
const std::string headerEndKey = "\x01end";

// The text header's "key: value" (NRRD) or "Key = Value" (MetaImage) fields, read up to the
// first blank line or the data, at most 64 KiB.
std::map<std::string, std::string>
headerFields(const std::string& path, char separator)
{
  std::map<std::string, std::string> fields;
  std::ifstream file(path, std::ios::binary);
  std::string line;
  std::size_t total = 0;
  while (total < 65536 && std::getline(file, line)) {
    total += line.size() + 1;
    if (!line.empty() && line.back() == '\r') {
      line.pop_back();
    }
    fields[headerEndKey] = std::to_string(total);
    if (line.empty()) {
      break;
    }
    const std::size_t at = line.find(separator);
    if (at == std::string::npos) {
      continue;
    }
    std::string key = line.substr(0, at);
    key.erase(key.find_last_not_of(" \t") + 1);
    std::string value = line.substr(at + 1);
    value.erase(0, value.find_first_not_of(" \t="));
    fields[lowerCase(key)] = value;
    if (lowerCase(key) == "elementdatafile") {
      break;
    }
  }
  return fields;
}

// Numbers in a header value, ignoring brackets and commas: "(0.1,0,0) (0,0.1,0)".
std::vector<double>
numbersIn(std::string text)
{
  for (char& character : text) {
    if (character == '(' || character == ')' || character == ',') {
      character = ' ';
    }
  }
  std::istringstream stream(text);
  std::vector<double> numbers;
  for (double number; stream >> number;) {
    numbers.push_back(number);
  }
  return numbers;
}

// Sign flips from a named space to LPS: "right-anterior-superior", "RAS", "LPS", ...
vtkSmartPointer<vtkMatrix4x4>
toLpsFromSpace(const std::string& spaceName)
{
  auto matrix = vtkSmartPointer<vtkMatrix4x4>::New();
  const std::string space = lowerCase(spaceName);
  std::string letters;
  if (space.find('-') != std::string::npos) {
    std::istringstream words(space);
    for (std::string word; std::getline(words, word, '-');) {
      letters += word.empty() ? '?' : word[0];
    }
  } else {
    letters = space;
  }
  if (letters.size() >= 3) {
    if (letters[0] == 'r') {
      matrix->SetElement(0, 0, -1);
    }
    if (letters[1] == 'a') {
      matrix->SetElement(1, 1, -1);
    }
    if (letters[2] == 'i') {
      matrix->SetElement(2, 2, -1);
    }
  }
  return matrix;
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

// Raw voxels in a file shorter than its header says read as zeros past its end, without an
// error from VTK's readers: a damaged download would become a model with half its labels.
std::string
shortData(const std::string& path, Format format, std::int64_t bytes)
{
  auto fields = headerFields(path, format == Format::Nrrd ? ':' : '=');
  std::string dataFile, encoding;
  std::uintmax_t offset = std::stoull(fields[headerEndKey].empty() ? "0" : fields[headerEndKey]);
  if (format == Format::Nrrd) {
    encoding = lowerCase(fields["encoding"]);
    dataFile = fields.count("data file") ? fields["data file"] : fields["datafile"];
    if (encoding != "raw") {
      return {};
    }
  } else {
    if (lowerCase(fields["compresseddata"]) == "true") {
      return {};
    }
    dataFile = fields["elementdatafile"];
    if (lowerCase(dataFile) == "local") {
      dataFile.clear();
    } else if (dataFile.empty()) {
      return {};
    }
  }
  std::string dataPath = path;
  if (!dataFile.empty()) {
    // One detached file beside the header; lists and numbered slices are left to the reader.
    if (dataFile.find_first_of(" %") != std::string::npos || lowerCase(dataFile) == "list") {
      return {};
    }
    dataPath = (std::filesystem::path(path).parent_path() / dataFile).string();
    offset = 0;
  }
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(dataPath, error);
  if (error || size < offset + std::uintmax_t(bytes)) {
    return "is shorter than its header says: " +
           std::to_string(error || size < offset ? 0 : size - offset) + " of " +
           std::to_string(bytes) + " bytes of voxels";
  }
  return {};
}

// The same for NIfTI: VTK's reader stops at the end of a short file, compressed or not, and
// hands on the voxels it has. A compressed file is counted through once more (about a third of
// a second for 150 MB).
std::string
shortNifti(const std::string& path, std::int64_t offset, std::int64_t bytes)
{
  std::int64_t size = 0;
  if (endsWith(lowerCase(path), ".gz")) {
    gzFile file = gzopen(path.c_str(), "rb");
    std::vector<char> buffer(1 << 20);
    int count = 0;
    while (file && size < offset + bytes &&
           (count = gzread(file, buffer.data(), unsigned(buffer.size()))) > 0) {
      size += count;
    }
    if (file) {
      gzclose(file);
    }
  } else {
    std::error_code error;
    size = std::int64_t(std::filesystem::file_size(path, error));
  }
  if (size < offset + bytes) {
    return "is shorter than its header says: " +
           std::to_string(std::max<std::int64_t>(0, size - offset)) + " of " +
           std::to_string(bytes) + " bytes of voxels";
  }
  return {};
}

// VTK's NRRD reader takes the first of three axes for vector components when the header names
// neither "kinds" nor "space directions", as minimal headers written by scripts do. Such a file
// with raw voxels in one file is read as the plain raw image it is.
vtkSmartPointer<vtkAlgorithm>
plainNrrdReader(const std::string& path)
{
  auto fields = headerFields(path, ':');
  const std::vector<double> sizes = numbersIn(fields["sizes"]);
  std::string dataFile = fields.count("data file") ? fields["data file"] : fields["datafile"];
  if (fields.count("kinds") || fields.count("space directions") || sizes.size() != 3 ||
      lowerCase(fields["encoding"]) != "raw" || dataFile.find_first_of(" %") != std::string::npos ||
      lowerCase(dataFile) == "list") {
    return nullptr;
  }
  static const std::map<std::string, int> types = {
    { "uchar", VTK_UNSIGNED_CHAR },
    { "unsigned char", VTK_UNSIGNED_CHAR },
    { "uint8", VTK_UNSIGNED_CHAR },
    { "uint8_t", VTK_UNSIGNED_CHAR },
    { "signed char", VTK_SIGNED_CHAR },
    { "int8", VTK_SIGNED_CHAR },
    { "int8_t", VTK_SIGNED_CHAR },
    { "short", VTK_SHORT },
    { "short int", VTK_SHORT },
    { "signed short", VTK_SHORT },
    { "int16", VTK_SHORT },
    { "int16_t", VTK_SHORT },
    { "ushort", VTK_UNSIGNED_SHORT },
    { "unsigned short", VTK_UNSIGNED_SHORT },
    { "uint16", VTK_UNSIGNED_SHORT },
    { "uint16_t", VTK_UNSIGNED_SHORT },
    { "int", VTK_INT },
    { "int32", VTK_INT },
    { "int32_t", VTK_INT },
    { "uint", VTK_UNSIGNED_INT },
    { "unsigned int", VTK_UNSIGNED_INT },
    { "uint32", VTK_UNSIGNED_INT },
    { "uint32_t", VTK_UNSIGNED_INT },
    { "float", VTK_FLOAT },
    { "double", VTK_DOUBLE },
  };
  const auto type = types.find(lowerCase(fields["type"]));
  for (double size : sizes) {
    if (!(size >= 1 && size <= 1e9) || std::floor(size) != size) {
      return nullptr;
    }
  }
  if (type == types.end()) {
    return nullptr;
  }
  auto raw = vtkSmartPointer<vtkImageReader2>::New();
  raw->SetFileDimensionality(3);
  raw->SetDataScalarType(type->second);
  raw->SetNumberOfScalarComponents(1);
  raw->SetDataExtent(0, int(sizes[0]) - 1, 0, int(sizes[1]) - 1, 0, int(sizes[2]) - 1);
  if (lowerCase(fields["endian"]) == "big") {
    raw->SetDataByteOrderToBigEndian();
  } else {
    raw->SetDataByteOrderToLittleEndian();
  }
  if (dataFile.empty()) {
    raw->SetFileName(path.c_str());
    raw->SetHeaderSize(unsigned(std::stoul(fields[headerEndKey])));
  } else {
    raw->SetFileName((std::filesystem::path(path).parent_path() / dataFile).string().c_str());
    raw->SetHeaderSize(0);
  }
  return raw;
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
  for (int axis = 0; axis < 3; ++axis) {
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
  const double size = double(dimensions[0]) * double(dimensions[1]) * double(dimensions[2]) *
                      std::max(1, scalarSize) * std::max(1, components);
  const std::int64_t bytes =
    size > double(maximumImageBytes) ? maximumImageBytes + 1 : std::int64_t(size);
  if (size > double(maximumImageBytes)) {
    input.problem = "holds " + std::to_string(std::llround(size / 1048576)) +
                    " MiB of voxels, more than the 2048 MiB this tool reads";
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
  if (format == Format::Nrrd || format == Format::MetaImage || format == Format::Nifti) {
    input.problem = format == Format::Nifti
                      ? shortNifti(path, nifti->GetNIFTIHeader()->GetVoxOffset(), bytes)
                      : shortData(path, format, bytes);
    if (!input.problem.empty()) {
      return input;
    }
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
      input.rescaleSlope = nifti->GetRescaleSlope() != 0 ? nifti->GetRescaleSlope() : 1.0;
      input.rescaleIntercept = nifti->GetRescaleSlope() != 0 ? nifti->GetRescaleIntercept() : 0.0;
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
  // A singular placement (zero spacing, repeated directions) cannot be inverted later.
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
