#include "tools/make_model/ModelWriter.h"

#include "loading/SectionVolume.h"
#include "tools/SampleImages.h"
#include "tools/SampleSurfaces.h"
#include "tools/make_model/ModelPages.h"

#include <vtkPolyData.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryDir>

#include <cctype>
#include <cstdio>
#include <set>

namespace makemodel {

namespace {

bool
writeBytes(const QString& path, const QByteArray& bytes)
{
  QSaveFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

QByteArray
colorText(const std::array<double, 3>& color)
{
  return QByteArray::number(color[0], 'g', 6) + ' ' + QByteArray::number(color[1], 'g', 6) + ' ' +
         QByteArray::number(color[2], 'g', 6) + '\n';
}

} // namespace

std::string
structureFileName(const std::string& name)
{
  std::string file;
  for (unsigned char character : name) {
    if (std::isalnum(character) || character == '-' || character == '(' || character == ')' ||
        character == '+' || character == ',') {
      file += char(character);
    } else if (character == ' ' || character == '_') {
      file += '_';
    }
  }
  return file.empty() ? std::string("Structure") : file;
}

std::string
checkOutputFolder(const std::string& outFolder, bool force)
{
  // "model/" names the same folder as "model".
  const QFileInfo info(QDir::cleanPath(QFile::decodeName(QByteArray::fromStdString(outFolder))));
  if (!info.exists()) {
    return info.absoluteDir().exists() ? std::string()
                                       : "the folder " + info.absolutePath().toStdString() +
                                           " that should hold it does not exist";
  }
  if (!info.isDir()) {
    return "exists and is not a folder";
  }
  if (!force && !QDir(info.absoluteFilePath())
                   .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System)
                   .isEmpty()) {
    return "exists and is not empty (--force replaces it)";
  }
  return {};
}

std::string
writeModelFolder(const std::string& outFolder, bool force, const ModelContent& content)
{
  if (const std::string refused = checkOutputFolder(outFolder, force); !refused.empty()) {
    return outFolder + ": " + refused;
  }
  const QFileInfo target(QDir::cleanPath(QFile::decodeName(QByteArray::fromStdString(outFolder))));
  const QString targetPath = target.absoluteFilePath();
  QTemporaryDir temporary(target.absolutePath() + QStringLiteral("/.") + target.fileName() +
                          QStringLiteral("-making-XXXXXX"));
  if (!temporary.isValid()) {
    return "cannot create a folder beside " + targetPath.toStdString() + ": " +
           temporary.errorString().toStdString();
  }
  const QString root = temporary.path();
  // A temporary folder is private to its owner; the model is for everyone who may read the
  // folder it goes into.
  QFile::setPermissions(root,
                        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                          QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
  if (!QDir().mkpath(root + QStringLiteral("/Joint"))) {
    return "cannot create " + root.toStdString() + "/Joint";
  }
  auto failed = [](const QString& path) { return "cannot write " + path.toStdString(); };

  QByteArray list;
  std::set<std::string> used;
  std::vector<QString> relativePaths;
  for (const Structure& structure : content.structures) {
    std::string file = structureFileName(structure.name);
    for (int copy = 2; !used.insert(file).second; ++copy) {
      file = structureFileName(structure.name) + "_" + std::to_string(copy);
    }
    relativePaths.push_back(QStringLiteral("/Joint/") + QString::fromStdString(file) +
                            QStringLiteral(".vtk"));
    list +=
      relativePaths.back().toUtf8() + '\n' + QByteArray::number(structure.opacity, 'g', 3) + "\n\n";
  }
  if (!writeBytes(root + QStringLiteral("/Joint_transformed.txt"), list)) {
    return failed(root + QStringLiteral("/Joint_transformed.txt"));
  }
  std::vector<sample::RenderItem> splashItems;
  for (std::size_t index = 0; index < content.structures.size(); ++index) {
    const Structure& structure = content.structures[index];
    const QString path = root + relativePaths[index];
    std::string problem;
    if (!sample::writeLegacyPolyData(structure.surface,
                                     QFile::encodeName(path).toStdString(),
                                     "Cochlex teaching model: " + structure.name,
                                     &problem) ||
        !writeBytes(path + QStringLiteral(".color"), colorText(structure.color))) {
      return failed(path);
    }
    if (!structure.description.empty() &&
        !writeBytes(path + QStringLiteral(".html"),
                    QByteArray::fromStdString(structure.description))) {
      return failed(path + QStringLiteral(".html"));
    }
    splashItems.push_back(
      { structure.surface,
        QColor::fromRgbF(structure.color[0], structure.color[1], structure.color[2]),
        structure.opacity });
  }
  std::string problem;
  const QString headPath = root + QStringLiteral("/Joint/Head_bone_transformed.vtp");
  if (!sample::writeLegacyPolyData(content.head,
                                   QFile::encodeName(headPath).toStdString(),
                                   "Cochlex teaching model: head",
                                   &problem)) {
    return failed(headPath);
  }
  const QString volumePath = root + QStringLiteral("/Joint/Joint.raw");
  if (content.volume.size() != std::size_t(sectionVolumeByteCount) ||
      !writeBytes(volumePath,
                  QByteArray::fromRawData(reinterpret_cast<const char*>(content.volume.data()),
                                          int(content.volume.size())))) {
    return failed(volumePath);
  }
  QSaveFile splash(root + QStringLiteral("/TB.png"));
  if (!splash.open(QIODevice::WriteOnly) ||
      !sample::splashImage(splashItems).save(&splash, "PNG") || !splash.commit()) {
    return failed(root + QStringLiteral("/TB.png"));
  }
  if (!writeBytes(root + QStringLiteral("/help2.html"), helpPage(content)) ||
      !writeBytes(root + QStringLiteral("/about2.html"), aboutPage(content))) {
    return failed(root + QStringLiteral("/help2.html"));
  }

  // Everything is written: only now does the old folder give way. An empty or forced folder is
  // moved aside first, so that a failed rename can put it back.
  const QString aside = root + QStringLiteral("-replaced");
  const bool replacing = target.exists();
  if (replacing && !QDir().rename(targetPath, aside)) {
    return "cannot move the existing " + targetPath.toStdString() + " aside";
  }
  if (!QDir().rename(root, targetPath)) {
    if (replacing) {
      QDir().rename(aside, targetPath);
    }
    return "cannot rename " + root.toStdString() + " to " + targetPath.toStdString();
  }
  temporary.setAutoRemove(false);
  if (replacing && !QDir(aside).removeRecursively()) {
    return "the model is written, but the replaced folder stays at " + aside.toStdString();
  }
  return {};
}

} // namespace makemodel
