#pragma once

#include <QByteArray>

namespace sample {

// The Help and About pages. The viewer reads them byte by byte as Latin-1 and joins their lines
// with nothing in between, so they are plain ASCII (HTML entities for anything else), every line
// ends where a word break is harmless, and no line is longer than 999 bytes.
QByteArray
helpPage();
QByteArray
aboutPage();

} // namespace sample
