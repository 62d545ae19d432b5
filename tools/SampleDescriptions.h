#pragma once

#include <QByteArray>

namespace sample {

// The description page of a structure of the sample model, by its name, for the file beside its
// surface ("Joint/Incus.vtk.html"); empty for a name it does not know. Written with the Help
// page's rules: plain ASCII with HTML entities, lines of at most 999 bytes ending in a tag or
// between words.
QByteArray
structureDescription(const char* name);

} // namespace sample
