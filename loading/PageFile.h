#pragma once

#include "loading/ModelFile.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <string>

class QUrl;

// The bounds a page is read with: the page itself and each file it refers to.
struct PageLimits
{
  std::int64_t largestPage = largestPageBytes;
  std::int64_t largestResource = largestPageResourceBytes;
};

struct PageRead
{
  QString page;         // empty when the file could not be read
  std::string problem;  // empty when it could
  bool missing = false; // nothing of that name: the usual case of an optional page
};

// Reads a Help or About page: lines joined with nothing between them (LF or CR LF line ends
// dropped), each byte taken as one Latin-1 character. Only a regular file, checked on its
// descriptor, of at most limits.largestPage bytes: a FIFO or device under the page's name would
// block or never end. The page comes reduced to what its layout may cost (loading/PageReduction.h):
// a page within the size limit must not keep the window busy.
PageRead
readPageFile(const QString& fileName, const PageLimits& limits = {});

struct PageResource
{
  QByteArray bytes;    // the file's bytes, or a data URL's payload
  std::string problem; // empty when bytes holds the whole resource
};

// A file a page refers to (an image, a style sheet), from the page's model folder only: a
// relative name that stays inside folder, or an absolute file URL inside it, that is a regular
// file, even through symbolic links, of at most limits.largestResource bytes; or the payload of
// a data URL, bounded the same way. Anything else (other folders, devices, network addresses)
// is refused with a problem in words that follow the resource's name.
// folder is given as the file system's bytes, so that a folder whose name is not UTF-8 works.
PageResource
readPageResource(const std::string& folder, const QUrl& url, const PageLimits& limits = {});

// The resource's name as a message shows it: a data URL by its start, a long name shortened.
std::string
shownResourceName(const QUrl& url);
