#include "viewer/PageResources.h"

#include "loading/Console.h"
#include "loading/PageFile.h"
#include "ui/BoundedImage.h"
#include "ui/PageDialog.h"

#include <QImage>
#include <QTextDocument>

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
    return pageResourceStandIn(type);
  }
  const char* kind = type == QTextDocument::ImageResource ? "image" : "style sheet";
  const PageResource resource = readPageResource(modelFolder, name);
  if (!resource.problem.empty()) {
    printLine(std::string("The page ") + kind + " " + shownResourceName(name) + " " +
              resource.problem + "; it is not shown.");
    return pageResourceStandIn(type);
  }
  if (type == QTextDocument::StyleSheetResource) {
    return QString::fromUtf8(resource.bytes);
  }
  const ImageRead image = decodeBoundedImage(resource.bytes);
  if (!image.problem.isEmpty()) {
    printLine(std::string("The page image ") + shownResourceName(name) + " " +
              image.problem.toStdString() + "; it is not shown.");
    return pageResourceStandIn(type);
  }
  return image.image;
}
