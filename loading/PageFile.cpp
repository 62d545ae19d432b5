#include "loading/PageFile.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>

QString
readPageFile(const QString& fileName, const QString& missingMessage)
{
  // Empty rather than null, so an empty file and a missing one stay distinguishable.
  QString page = QLatin1String("");

  // Only plain files: a FIFO or device under the page's name would block or never end.
  const QFileInfo info(fileName);
  QFile file(fileName);
  if (!info.isFile() || !file.open(QIODevice::ReadOnly)) {
    page.append(missingMessage);
    return page;
  }

  // readLine() without a limit returns the whole line however long it is.
  while (!file.atEnd()) {
    QByteArray line = file.readLine();
    if (line.isEmpty())
      break; // read error: keep what was read so far
    if (line.endsWith('\n')) {
      line.chop(1);
      if (line.endsWith('\r'))
        line.chop(1);
    }
    page.append(QString::fromLatin1(line));
  }
  return page;
}
