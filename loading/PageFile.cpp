#include "loading/PageFile.h"

#include "loading/PageReduction.h"

#include <QFile>
#include <QUrl>

#include <filesystem>
#include <system_error>

PageRead
readPageFile(const QString& fileName, const PageLimits& limits)
{
  PageRead result;
  const FileBytes file =
    readWholeFile(QFile::encodeName(fileName).toStdString(), limits.largestPage);
  if (!file.problem.empty()) {
    result.missing = file.missing;
    result.problem = shortenedInMiddle(fileName.toStdString()) +
                     (file.missing ? std::string(" cannot be read") : " " + file.problem);
    return result;
  }
  // Empty rather than null, so an empty file and a missing one stay distinguishable.
  QString& page = result.page;
  page = QLatin1String("");
  page.reserve(int(file.bytes.size()));
  std::size_t start = 0;
  while (start < file.bytes.size()) {
    std::size_t end = file.bytes.find('\n', start);
    const std::size_t next = end == std::string::npos ? file.bytes.size() : end + 1;
    if (end == std::string::npos) {
      end = file.bytes.size();
    } else if (end > start && file.bytes[end - 1] == '\r') {
      --end;
    }
    page.append(QLatin1String(file.bytes.data() + start, int(end - start)));
    start = next;
  }
  if (!page.isEmpty()) {
    page = reducedPage(page);
  }
  return result;
}

namespace {

PageResource
refusal(std::string problem)
{
  PageResource resource;
  resource.problem = std::move(problem);
  return resource;
}

// "data:[type][;base64],payload"; the payload is bounded like a file.
PageResource
dataUrlPayload(const QUrl& url, std::int64_t limit)
{
  const QByteArray text = url.toEncoded(QUrl::RemoveScheme);
  const int comma = text.indexOf(',');
  if (comma < 0) {
    return refusal("is not a well-formed data URL");
  }
  const QByteArray header = text.left(comma);
  const QByteArray payload = text.mid(comma + 1);
  // Base64 takes four characters for three bytes; percent escapes three for one.
  if (std::int64_t(payload.size()) / 4 * 3 > limit) {
    return refusal("is larger than " + megabytes(limit));
  }
  PageResource resource;
  resource.bytes = header.endsWith(";base64")
                     ? QByteArray::fromBase64(QByteArray::fromPercentEncoding(payload))
                     : QByteArray::fromPercentEncoding(payload);
  if (std::int64_t(resource.bytes.size()) > limit) {
    return refusal("is larger than " + megabytes(limit));
  }
  return resource;
}

} // namespace

PageResource
readPageResource(const std::string& folder, const QUrl& url, const PageLimits& limits)
{
  const QString scheme = url.scheme().toLower();
  if (scheme == QLatin1String("data")) {
    return dataUrlPayload(url, limits.largestResource);
  }
  if (!scheme.isEmpty() && scheme != QLatin1String("file")) {
    return refusal("is not a file of the model folder");
  }
  if (!url.host().isEmpty()) {
    return refusal("is on another computer");
  }
  const std::string path = QFile::encodeName(url.path(QUrl::FullyDecoded)).toStdString();
  if (path.empty()) {
    return refusal("names no file");
  }
  const bool absolute = path.front() == '/';
  if (!absolute && leavesFolder(path)) {
    return refusal("is outside the model folder");
  }
  const std::string full = absolute ? path : folder + "/" + path;
  // Through symbolic links too: a link inside the folder may point anywhere.
  std::error_code error;
  const std::filesystem::path root = std::filesystem::canonical(folder, error);
  const std::filesystem::path target = std::filesystem::canonical(full, error);
  if (error) {
    return refusal("does not exist");
  }
  const std::string rootText = root.string() == "/" ? std::string("/") : root.string() + "/";
  if (target.string().compare(0, rootText.size(), rootText) != 0) {
    return refusal("is outside the model folder");
  }
  FileBytes file = readWholeFile(target.string(), limits.largestResource);
  if (!file.problem.empty()) {
    return refusal(file.problem);
  }
  PageResource resource;
  resource.bytes = QByteArray(file.bytes.data(), int(file.bytes.size()));
  return resource;
}

std::string
shownResourceName(const QUrl& url)
{
  if (url.scheme().compare(QLatin1String("data"), Qt::CaseInsensitive) == 0) {
    return url.toEncoded().left(40).toStdString() + "...";
  }
  return shortenedInMiddle(url.toString().toStdString());
}
