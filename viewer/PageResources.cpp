#include "viewer/PageResources.h"

#include "loading/Console.h"
#include "loading/PageFile.h"
#include "ui/BoundedImage.h"

#include <QImage>
#include <QTextDocument>

namespace {

QVariant
nothingFor(int type)
{
  if (type == QTextDocument::ImageResource) {
    QImage nothing(1, 1, QImage::Format_ARGB32);
    nothing.fill(Qt::transparent);
    return nothing;
  }
  return QString(QLatin1String(""));
}

} // namespace

QVariant
loadPageResource(const std::string& modelFolder,
                 int type,
                 const QUrl& name,
                 const std::function<void(const std::string&)>& report)
{
  const auto printLine = [&report](const std::string& line) {
    if (report) {
      report(line);
    } else {
      ::printLine(line);
    }
  };
  if (type != QTextDocument::ImageResource && type != QTextDocument::StyleSheetResource) {
    // The pages are shown as they are: no other page is ever loaded into them.
    return nothingFor(type);
  }
  const char* kind = type == QTextDocument::ImageResource ? "image" : "style sheet";
  const PageResource resource = readPageResource(modelFolder, name);
  if (!resource.problem.empty()) {
    printLine(std::string("The page ") + kind + " " + shownResourceName(name) + " " +
              resource.problem + "; it is not shown.");
    return nothingFor(type);
  }
  if (type == QTextDocument::StyleSheetResource) {
    return QString::fromUtf8(resource.bytes);
  }
  const ImageRead image = decodeBoundedImage(resource.bytes);
  if (!image.problem.isEmpty()) {
    printLine(std::string("The page image ") + shownResourceName(name) + " " +
              image.problem.toStdString() + "; it is not shown.");
    return nothingFor(type);
  }
  return image.image;
}
