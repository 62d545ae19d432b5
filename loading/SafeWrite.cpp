#include "loading/SafeWrite.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Beyond the process's file-size limit the system raises SIGXFSZ, which would end the program
// before it could say anything: ignored while writing, the write fails with EFBIG instead and
// is reported.
class FileSizeSignalIgnored
{
public:
  FileSizeSignalIgnored()
  {
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGXFSZ, &ignore, &previous);
  }
  ~FileSizeSignalIgnored() { ::sigaction(SIGXFSZ, &previous, nullptr); }
  FileSizeSignalIgnored(const FileSizeSignalIgnored&) = delete;
  FileSizeSignalIgnored& operator=(const FileSizeSignalIgnored&) = delete;

private:
  struct sigaction previous = {};
};

// Writes all of bytes to descriptor, then flushes them to the disk: a full disk may only show
// when the data reaches it. The errno of the first failure, 0 on success.
int
writeAllAndSync(int descriptor, const QByteArray& bytes)
{
  qint64 written = 0;
  while (written < bytes.size()) {
    const ssize_t count =
      ::write(descriptor, bytes.constData() + written, std::size_t(bytes.size() - written));
    if (count < 0) {
      if (errno != EINTR) {
        return errno;
      }
    } else if (count == 0) {
      return ENOSPC;
    } else {
      written += count;
    }
  }
  return ::fsync(descriptor) != 0 ? errno : 0;
}

} // namespace

QString
writeWholeFile(const QString& path, const QByteArray& bytes)
{
  const FileSizeSignalIgnored signalIgnored;
  // Through a symbolic link the file it names is replaced, and the link stays.
  const QFileInfo info(path);
  const QString canonical = info.isSymLink() ? info.canonicalFilePath() : QString();
  const QByteArray target = QFile::encodeName(canonical.isEmpty() ? path : canonical);
  struct stat existing = {};
  const bool existed = ::stat(target.constData(), &existing) == 0;
  QByteArray temporary = target + ".XXXXXX";
  int error = 0;
  const int descriptor = ::mkstemp(temporary.data());
  if (descriptor < 0) {
    error = errno;
  } else {
    // mkstemp makes the file private; the new file keeps the permissions of the one it
    // replaces, or gets those any new file would.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(descriptor, existed ? existing.st_mode & 07777 : 0666 & ~mask);
    error = writeAllAndSync(descriptor, bytes);
    if (::close(descriptor) != 0 && error == 0) {
      error = errno;
    }
    if (error == 0 && ::rename(temporary.constData(), target.constData()) != 0) {
      error = errno;
    }
    if (error != 0) {
      ::unlink(temporary.constData());
    }
  }
  if (error == 0) {
    return {};
  }
  QString reason = QString::fromLocal8Bit(std::strerror(error)) + QLatin1Char('.');
  if (existed) {
    reason += QStringLiteral(" The file that was there is left unchanged.");
  }
  return reason;
}
