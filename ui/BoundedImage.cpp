#include "ui/BoundedImage.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

ImageRead
decodeBoundedImage(const QByteArray& bytes)
{
  ImageRead result;
  QBuffer buffer;
  buffer.setData(bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  if (!reader.canRead()) {
    result.problem = QStringLiteral("is not a picture in a format the viewer reads");
    return result;
  }
  const QSize size = reader.size();
  if (!size.isValid()) {
    result.problem = QStringLiteral("does not declare its size");
    return result;
  }
  if (size.width() > largestImageSide || size.height() > largestImageSide ||
      qint64(size.width()) * size.height() * 4 > largestImageBytes) {
    result.problem = QStringLiteral("declares %1 x %2 pixels, more than the %3 on a side and %4 MB "
                                    "decoded that the viewer takes")
                       .arg(size.width())
                       .arg(size.height())
                       .arg(largestImageSide)
                       .arg(largestImageBytes >> 20);
    return result;
  }
  result.image = reader.read();
  // A frame larger than the picture it belongs to is not trusted either.
  if (result.image.width() > size.width() || result.image.height() > size.height()) {
    result.image = QImage();
  }
  if (result.image.isNull()) {
    result.problem = QStringLiteral("cannot be decoded");
  }
  return result;
}

ImageRead
readBoundedImage(const QString& path)
{
  ImageRead result;
  // Not blocking on a FIFO; the kind of file is checked on the descriptor that is read.
  const int descriptor =
    ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (descriptor < 0) {
    result.missing = errno == ENOENT;
    result.problem =
      QStringLiteral("cannot be opened (%1)").arg(QString::fromLocal8Bit(std::strerror(errno)));
    return result;
  }
  QFile file;
  struct stat status;
  if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
    ::close(descriptor);
    result.problem = QStringLiteral("is not a regular file");
    return result;
  }
  ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
  if (status.st_size > largestImageFileBytes) {
    ::close(descriptor);
    result.problem = QStringLiteral("is larger than %1 MB").arg(largestImageFileBytes >> 20);
    return result;
  }
  file.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
  const QByteArray bytes = file.read(largestImageFileBytes);
  return decodeBoundedImage(bytes);
}
