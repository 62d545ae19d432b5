#include "loading/PageFile.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>

PageRead
readPageFile(const QString& fileName)
{
  PageRead result;
  const QFileInfo info(fileName);
  QFile file(fileName);
  if (!info.isFile() || !file.open(QIODevice::ReadOnly)) {
    result.problem = fileName.toStdString() + " cannot be read";
    return result;
  }
  // Empty rather than null, so an empty file and a missing one stay distinguishable.
  QString& page = result.page;
  page = QLatin1String("");

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
  return result;
}
