#pragma once

#include "loading/LegacyScanner.h"

#include <string>

namespace legacy {

// Checks one array whose header the structure walk has read: that the file holds its values,
// each one readable as type (ASCII) or its bytes all there (binary), that the reader can get
// past the blanks after it, and the METADATA block the reader looks for after it (unless
// metadataMayFollow is false: the lookup table is read without that look). Leaves the scanner
// after the array and its block. Empty string when sound, else what is wrong, naming what.
std::string
checkArray(Scanner& scanner,
           bool binary,
           const std::string& what,
           const std::string& type,
           Count tuples,
           Count components,
           bool metadataMayFollow = true);

} // namespace legacy
