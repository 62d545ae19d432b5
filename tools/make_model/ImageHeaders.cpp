#include "tools/make_model/ImageHeaders.h"

#include "loading/ModelFile.h"

#include <vtkImageReader2.h>
#include <vtkMatrix4x4.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <filesystem>
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
// first blank line or the data, at most 64 KiB, from one descriptor of a regular file.
std::map<std::string, std::string>
headerFields(const std::string& path, char separator)
{
  std::map<std::string, std::string> fields;
  RegularFile file(path);
  std::string head(std::size_t(file.isOpen() ? std::min<std::int64_t>(file.size(), 65536) : 0),
                   '\0');
  head.resize(std::size_t(std::max<std::int64_t>(0, file.read(head.data(), head.size()))));
  const bool wholeFile = file.isOpen() && std::int64_t(head.size()) == file.size();
  std::size_t at = 0;
  while (at < head.size()) {
    const std::size_t end = head.find('\n', at);
    if (end == std::string::npos && !wholeFile) {
      break; // a line running past 64 KiB: the header is not complete
    }
    std::string line = head.substr(at, end == std::string::npos ? end : end - at);
    at = end == std::string::npos ? head.size() : end + 1;
    fields[headerEndKey] = std::to_string(at);
    if (!line.empty() && line.back() == '\r') {
      line.pop_back();
    }
    if (line.find('\0') != std::string::npos) {
      fields[headerBinaryKey] = "1";
    }
    if (line.empty()) {
      fields[headerCompleteKey] = "1";
      fields[headerBlankKey] = "1";
      break;
    }
    const std::size_t split = line.find(separator);
    if (split == std::string::npos) {
      continue;
    }
    std::string key = line.substr(0, split);
    key.erase(key.find_last_not_of(" \t") + 1);
    std::string value = line.substr(split + 1);
    value.erase(0, value.find_first_not_of(" \t="));
    fields[lowerCase(key)] = value;
    if (lowerCase(key) == "elementdatafile") {
      fields[headerCompleteKey] = "1";
      break;
    }
  }
  // A detached header may end with the file.
  if (wholeFile && at >= head.size()) {
    fields[headerCompleteKey] = "1";
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
  // strtod reads "nan" and "inf" as numbers, so they are refused as such; a word that is no
  // number counts as NaN.
  std::istringstream stream(text);
  std::vector<double> numbers;
  for (std::string word; stream >> word;) {
    char* end = nullptr;
    const double number = std::strtod(word.c_str(), &end);
    numbers.push_back(end == word.c_str() + word.size() ? number : std::nan(""));
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
      fields.count("byte skip") || fields.count("byteskip") || fields.count("line skip") ||
      fields.count("lineskip") || lowerCase(fields["encoding"]) != "raw" ||
      dataFile.find_first_of(" %") != std::string::npos || lowerCase(dataFile) == "list") {
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
  // NRRD's first row is the image's first (j = 0); the reader would flip it to the bottom.
  raw->FileLowerLeftOn();
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
