#include "tools/make_model/ImageHeaders.h"

#include "loading/ModelFile.h"

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

} // namespace makemodel
