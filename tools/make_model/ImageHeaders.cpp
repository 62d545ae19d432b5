#include "tools/make_model/ImageHeaders.h"

#include <vtkImageReader2.h>
#include <vtkMatrix4x4.h>
#include <vtk_zlib.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace makemodel {

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

// Raw voxels in a file shorter than its header says read as zeros past its end, without an
// error from VTK's readers: a damaged download would become a model with half its labels.
std::string
shortRawData(const std::string& path, bool nrrd, std::int64_t bytes)
{
  auto fields = headerFields(path, nrrd ? ':' : '=');
  std::string dataFile, encoding;
  std::uintmax_t offset = std::stoull(fields[headerEndKey].empty() ? "0" : fields[headerEndKey]);
  if (nrrd) {
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

} // namespace makemodel
