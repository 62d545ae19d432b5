#include "loading/StructureDescription.h"

#include "loading/PageFile.h"

#include <QFile>
#include <QFileInfo>

DescriptionRead
readStructureDescription(const std::string& surfacePath)
{
  return readDescriptionFile(surfacePath + ".html");
}

DescriptionRead
readDescriptionFile(const std::string& pagePath)
{
  DescriptionRead result;
  const QString path = QFile::decodeName(QByteArray::fromStdString(pagePath));
  const QFileInfo info(path);
  // A dangling link is a file meant to be there.
  if (!info.exists() && !info.isSymLink()) {
    return result;
  }
  PageRead read = readPageFile(path);
  if (!read.problem.empty()) {
    result.problem = "Description: " + read.problem + "; the structure is shown without it.";
    return result;
  }
  result.page = std::move(read.page);
  return result;
}
