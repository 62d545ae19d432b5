#pragma once

#include <QString>

#include <string>

struct PageRead
{
  QString page;        // empty when the file could not be read
  std::string problem; // empty when it could
};

// Reads a Help or About page: lines joined with nothing between them (LF or CR LF line ends
// dropped), each byte taken as one Latin-1 character. Only plain files are read: a FIFO or
// device under the page's name would block or never end.
PageRead
readPageFile(const QString& fileName);
