// One array of a legacy surface file as the structure walk meets it: its values, and the
// METADATA block (component names, information keys) the reader looks for after it.

#include "loading/LegacyArrayCheck.h"

#include <vtkInformationDoubleKey.h>
#include <vtkInformationDoubleVectorKey.h>
#include <vtkInformationIdTypeKey.h>
#include <vtkInformationIntegerKey.h>
#include <vtkInformationIntegerVectorKey.h>
#include <vtkInformationKeyLookup.h>
#include <vtkInformationStringKey.h>
#include <vtkInformationStringVectorKey.h>
#include <vtkInformationUnsignedLongKey.h>

namespace legacy {

namespace {

std::string
information(Scanner& scanner, const std::string& what, Count keys);
std::string
informationValue(Scanner& scanner, const std::string& what, vtkInformationKey* key);

// Mirrors the reader's line by line walk of a METADATA block: it ends at an empty line (or the
// end of the file), names one line per component after COMPONENT_NAMES, holds INFORMATION
// blocks, and the reader passes over any other line. Every line must fit the reader's buffer,
// and every text it decodes must be whole.
std::string
metadata(Scanner& scanner, const std::string& what, Count components)
{
  std::string_view line;
  scanner.line(line);
  if (lowerCase(line) != "metadata") {
    return what + " has a malformed header line";
  }
  while (scanner.line(line)) {
    if (!fitsLineBuffer(line)) {
      return what + " has a line longer than 255 characters or with a NUL byte";
    }
    if (line.empty()) {
      return {};
    }
    const std::string lower = lowerCase(line);
    if (lower.rfind("component_names", 0) == 0) {
      // The reader counts the names in an int.
      if (lower != "component_names" || components > intLimit) {
        return what + " has a malformed COMPONENT_NAMES line";
      }
      for (Count index = 0; index < components; ++index) {
        if (!scanner.line(line)) {
          return what + " ends before its " + std::to_string(components) + " component names";
        }
        if (!fitsLineBuffer(line) || !escapesAreWhole(line)) {
          return what + " has a malformed component name \"" + printable(line) + "\"";
        }
      }
    } else if (lower.rfind("information", 0) == 0) {
      const std::vector<std::string_view> words = splitWords(lower);
      Count keys = 0;
      if (words.size() != 2 || words[0] != "information" || !wholeCount(words[1], keys, intLimit)) {
        return what + " has a malformed INFORMATION line";
      }
      std::string problem = information(scanner, what + " INFORMATION", keys);
      if (!problem.empty()) {
        return problem;
      }
    }
  }
  return {};
}

// Each key takes a NAME line (empty lines before it are skipped); the reader passes over a line
// that does not start with "NAME ", and over a key it cannot look up, whose value lines then
// count as lines of their own.
std::string
information(Scanner& scanner, const std::string& what, Count keys)
{
  for (Count index = 0; index < keys; ++index) {
    std::string_view line;
    do {
      if (!scanner.line(line)) {
        return what + " ends before its " + std::to_string(keys) + " keys";
      }
      if (!fitsLineBuffer(line)) {
        return what + " has a line longer than 255 characters or with a NUL byte";
      }
    } while (line.empty());
    if (line.substr(0, 5) != "NAME ") {
      continue;
    }
    const std::vector<std::string_view> words = splitWords(line);
    if (words.size() != 4 || words[0] != "NAME" || words[2] != "LOCATION") {
      return what + " has a malformed NAME line";
    }
    const std::string name(words[1]);
    vtkInformationKey* key = vtkInformationKeyLookup::Find(name, std::string(words[3]));
    std::string problem = informationValue(scanner, what + " key " + printable(name), key);
    if (!problem.empty()) {
      return problem;
    }
  }
  return {};
}

// The value of one key, read the way the reader reads that kind of key.
std::string
informationValue(Scanner& scanner, const std::string& what, vtkInformationKey* key)
{
  std::string malformed = what + " has a malformed value";
  std::string_view line;
  // After a value the reader pops the rest of its line.
  auto restIsBlank = [&] { return !scanner.line(line) || isBlank(line); };
  auto single = [&](const std::string& type) {
    const bool sound =
      scanner.word() == "DATA" && asciiValueFits(scanner.word(), type) && restIsBlank();
    return sound ? std::string() : malformed;
  };
  // A vector key: DATA, its length, then that many values. The reader reserves room for the
  // length before reading any value, so the values must all be there, on the DATA line.
  auto vector = [&](const std::string& type) {
    std::int64_t length = 0;
    if (scanner.word() != "DATA" || !scanner.integer(length) || length < 0 ||
        Count(length) > intLimit) {
      return malformed;
    }
    // An empty vector ends there: the rest of its line is left for the next read.
    if (length == 0) {
      return std::string();
    }
    scanner.line(line);
    const std::vector<std::string_view> values = splitWords(line);
    if (values.size() != std::size_t(length)) {
      return malformed;
    }
    for (std::string_view value : values) {
      if (!asciiValueFits(value, type)) {
        return malformed;
      }
    }
    return std::string();
  };
  if (vtkInformationDoubleKey::SafeDownCast(key) != nullptr) {
    return single("double");
  }
  if (vtkInformationIdTypeKey::SafeDownCast(key) != nullptr) {
    return single("vtkidtype");
  }
  if (vtkInformationIntegerKey::SafeDownCast(key) != nullptr) {
    return single("int");
  }
  if (vtkInformationUnsignedLongKey::SafeDownCast(key) != nullptr) {
    return single("unsigned_long");
  }
  if (vtkInformationDoubleVectorKey::SafeDownCast(key) != nullptr) {
    return vector("double");
  }
  if (vtkInformationIntegerVectorKey::SafeDownCast(key) != nullptr) {
    return vector("int");
  }
  if (vtkInformationStringKey::SafeDownCast(key) != nullptr) {
    // One line: DATA and the encoded text (none for an empty text).
    if (!scanner.line(line) || !fitsLineBuffer(line)) {
      return malformed;
    }
    const std::vector<std::string_view> words = splitWords(line);
    const bool sound = (words.size() == 1 || words.size() == 2) && words[0] == "DATA" &&
                       (words.size() == 1 || escapesAreWhole(words[1]));
    return sound ? std::string() : malformed;
  }
  if (vtkInformationStringVectorKey::SafeDownCast(key) != nullptr) {
    // DATA and the number of texts, then one encoded text a line.
    std::int64_t length = 0;
    if (scanner.word() != "DATA" || !scanner.integer(length) || length < 0 ||
        Count(length) > intLimit || !restIsBlank()) {
      return malformed;
    }
    for (std::int64_t index = 0; index < length; ++index) {
      if (!scanner.line(line) || !fitsLineBuffer(line) || !escapesAreWhole(line)) {
        return malformed;
      }
    }
    return {};
  }
  // An unknown key, or one of a kind the reader cannot read: it reads nothing more.
  return {};
}

} // namespace

// The reader looks for a METADATA block after every array it reads through its array routine;
// the lookup table is read by other means, so METADATA after it is an unknown section.
std::string
checkArray(Scanner& scanner,
           bool binary,
           const std::string& what,
           const std::string& type,
           Count tuples,
           Count components,
           bool metadataMayFollow)
{
  Count values = 0;
  if (!multiply(tuples, components, values)) {
    return what + " declares more values than the file holds";
  }
  std::string tooShort =
    what + " declares " + std::to_string(values) + " values, more than the file holds";
  if (type == "string" || type == "utf8_string" || type == "variant") {
    return what + " uses a text type that is not supported for surfaces";
  }
  // Even an empty array of an unknown type makes the reader fail.
  if (type != "bit" && binaryValueSize(type) == 0) {
    return what + " has an unknown data type \"" + printable(type) + "\"";
  }
  if (binary) {
    // Without values the reader reads nothing, not even the rest of the line.
    if (values > 0) {
      Count bytes = 0;
      if (type == "bit") {
        bytes = values / 8 + (values % 8 != 0 ? 1 : 0);
      } else if (!multiply(values, binaryValueSize(type), bytes)) {
        return tooShort;
      }
      if (!scanner.skipRestOfLine()) {
        return what + " has more than 255 characters between its header and its data";
      }
      if (!scanner.skipBytes(bytes)) {
        return tooShort;
      }
    }
  } else {
    // Every ASCII value takes at least one character and one separator.
    if (values > 0 && values - 1 > scanner.remaining() / 2) {
      return tooShort;
    }
    for (Count index = 0; index < values; ++index) {
      const std::string_view word = scanner.word();
      if (word.empty()) {
        return tooShort;
      }
      if (!asciiValueFits(word, type)) {
        std::string problem = what;
        problem.append(" holds \"").append(printable(word)).append("\", which is not a ");
        return problem.append(type).append(" value");
      }
    }
  }
  if (scanner.hangsReaderAfterArray()) {
    return what + " is followed by more blanks than the reader can get past";
  }
  if (metadataMayFollow && scanner.enterMetadata()) {
    return metadata(scanner, what + " METADATA", components);
  }
  return {};
}

} // namespace legacy
