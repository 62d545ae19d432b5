#pragma once

#include <QByteArray>
#include <QString>

// Every file the programs write (a lesson, a screenshot, each file of a made model) goes through
// here: the bytes go into a new file beside the target, each write, the flush to the disk and
// the close are checked, and only a complete file is renamed over the target. A full disk or a
// file-size limit then leaves the file that was there as it was, and the caller can say so.

// Writes bytes to path. Returns the reason for the user, empty on success: the system's words
// (a full disk, a file-size limit) and, when path existed, that it is left unchanged.
QString
writeWholeFile(const QString& path, const QByteArray& bytes);
