#pragma once

// The parts of NRRD, MetaImage and NIfTI files VTK's readers leave out: the text headers'
// fields and their named spaces.

#include <vtkSmartPointer.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class vtkAlgorithm;
class vtkMatrix4x4;

namespace makemodel {

std::string
lowerCase(std::string text);

bool
endsWith(const std::string& text, const std::string& ending);

// Where headerFields notes the offset of the first byte after the header.
inline const std::string headerEndKey = "\x01end";
// Set when the header ended (a blank line, the data file's line, or the end of a detached
// header) within its 64 KiB.
inline const std::string headerCompleteKey = "\x01complete";
// Set when a line of the header holds a NUL byte.
inline const std::string headerBinaryKey = "\x01binary";
// Set when a blank line ended it.
inline const std::string headerBlankKey = "\x01blank";

// The text header's "key: value" (NRRD, separator ':') or "Key = Value" (MetaImage, '=')
// fields, keys in lower case, read up to the first blank line or the data, at most 64 KiB.
std::map<std::string, std::string>
headerFields(const std::string& path, char separator);

// Numbers in a header value, ignoring brackets and commas: "(0.1,0,0) (0,0.1,0)"; a word that
// is no number is NaN.
std::vector<double>
numbersIn(std::string text);

// Sign flips from a named space to LPS: "right-anterior-superior", "RAS", "LPS", ...
vtkSmartPointer<vtkMatrix4x4>
toLpsFromSpace(const std::string& spaceName);

} // namespace makemodel
