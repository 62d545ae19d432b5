#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// Pictures from a model folder (the splash, the window icon, the pages' images) are untrusted:
// a 1 MB PNG can declare 30000 x 30000 pixels and take gigabytes to decode. Each is checked by
// the size it declares before any pixel is decoded.
constexpr int largestImageSide = 8192;
// Decoded as 32 bits a pixel: 4096 x 4096, ample for a splash or a figure in a page.
constexpr qint64 largestImageBytes = qint64(64) << 20;
// The file itself: a picture within the limits above compresses to far less.
constexpr qint64 largestImageFileBytes = qint64(64) << 20;

struct ImageRead
{
  QImage image;         // null when the picture was refused or is missing
  QString problem;      // in words that follow the file's name; empty when image holds it
  bool missing = false; // nothing of that name
};

// Decodes a picture held in memory, refused when its declared size is beyond the limits.
ImageRead
decodeBoundedImage(const QByteArray& bytes);

// Reads a picture from a regular file (checked on its descriptor, opened without blocking) of
// at most largestImageFileBytes, then as above.
ImageRead
readBoundedImage(const QString& path);
