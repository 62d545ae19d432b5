#pragma once

#include <QString>

// Reads a Help or About page: lines joined with nothing between them (LF or CR LF line ends
// dropped), each byte taken as one Latin-1 character. A file that cannot be opened yields
// missingMessage as the whole page.
QString
readPageFile(const QString& fileName, const QString& missingMessage);
