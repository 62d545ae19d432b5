#include "tools/make_model/OutputFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <csignal>
#include <filesystem>
#include <sys/stat.h>

namespace makemodel {

namespace {

// The names writeModelFolder gives its files: a folder holding anything else is not (only) a
// model this tool made.
bool
madeByTool(const QFileInfo& entry, bool inJoint)
{
  if (entry.isSymLink()) {
    return false;
  }
  const QString name = entry.fileName();
  if (!inJoint) {
    static const QStringList topLevel = { QStringLiteral("Joint_transformed.txt"),
                                          QStringLiteral("cochlex-model.json"),
                                          QStringLiteral("TB.png"),
                                          QStringLiteral("help2.html"),
                                          QStringLiteral("about2.html") };
    return entry.isFile() && topLevel.contains(name);
  }
  // structureFileName's characters, then the surface, its colour or its page.
  static const QRegularExpression structureFile(
    QStringLiteral("^[A-Za-z0-9_()+,-]+\\.vtk(\\.color|\\.html)?$"));
  return entry.isFile() &&
         (name == QLatin1String("Head_bone_transformed.vtp") ||
          name == QLatin1String("Joint.raw") || name == QLatin1String("Sections.raw") ||
          structureFile.match(name).hasMatch());
}

// The first entry of folder that this tool does not write, empty when there is none.
QString
foreignEntry(const QString& folder)
{
  const QDir::Filters all = QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System;
  const QFileInfoList entries = QDir(folder).entryInfoList(all, QDir::Name);
  for (const QFileInfo& entry : entries) {
    if (entry.fileName() == QLatin1String("Joint") && entry.isDir() && !entry.isSymLink()) {
      for (const QFileInfo& inner : QDir(entry.filePath()).entryInfoList(all, QDir::Name)) {
        if (!madeByTool(inner, true)) {
          return QStringLiteral("Joint/") + inner.fileName();
        }
      }
    } else if (!madeByTool(entry, false)) {
      return entry.fileName();
    }
  }
  return {};
}

// Whether inner is folder or lies inside it (both canonical).
bool
within(const std::filesystem::path& inner, const std::filesystem::path& folder)
{
  auto innerPart = inner.begin();
  for (auto folderPart = folder.begin(); folderPart != folder.end(); ++folderPart, ++innerPart) {
    if (innerPart == inner.end() || *innerPart != *folderPart) {
      return false;
    }
  }
  return true;
}

std::filesystem::path
canonical(const std::string& path)
{
  std::error_code error;
  std::filesystem::path result = std::filesystem::weakly_canonical(path, error);
  return error ? std::filesystem::absolute(path, error).lexically_normal() : result;
}

volatile std::sig_atomic_t interruption = 0;
struct sigaction previousInterrupt = {};
struct sigaction previousTerminate = {};

extern "C" void
noteInterruption(int signalNumber)
{
  interruption = signalNumber;
}

} // namespace

std::string
checkOutputFolder(const std::string& outFolder, bool force, const std::vector<std::string>& inputs)
{
  // "model/" names the same folder as "model".
  const QString cleaned = QDir::cleanPath(QFile::decodeName(QByteArray::fromStdString(outFolder)));
  const QByteArray encoded = QFile::encodeName(cleaned);
  struct stat status = {};
  if (::lstat(encoded.constData(), &status) != 0) {
    const QFileInfo info(cleaned);
    return info.absoluteDir().exists() ? std::string()
                                       : "the folder " + info.absolutePath().toStdString() +
                                           " that should hold it does not exist";
  }
  if (S_ISLNK(status.st_mode)) {
    return "is a symbolic link; name the folder itself";
  }
  if (!S_ISDIR(status.st_mode)) {
    return "exists and is not a folder";
  }
  const std::filesystem::path target = canonical(encoded.toStdString());
  std::error_code error;
  if (within(canonical(std::filesystem::current_path(error).string()), target)) {
    return "is the working directory or a folder above it; the model goes into a folder of its "
           "own";
  }
  for (const std::string& input : inputs) {
    if (!input.empty() && within(canonical(input), target)) {
      return "holds the input " + input + "; the model goes into a folder of its own";
    }
  }
  const QString foreign = foreignEntry(cleaned);
  const bool empty =
    QDir(cleaned)
      .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System)
      .isEmpty();
  if (empty) {
    return {};
  }
  if (!force) {
    return "exists and is not empty (--force replaces a model that cochlex-make-model wrote)";
  }
  if (!foreign.isEmpty() ||
      !QFileInfo(cleaned + QStringLiteral("/Joint_transformed.txt")).isFile()) {
    return "is not a model that cochlex-make-model wrote" +
           (foreign.isEmpty() ? std::string(" (no Joint_transformed.txt)")
                              : " (it holds " + foreign.toStdString() + ")") +
           "; --force replaces only such a folder, so nothing was changed";
  }
  return {};
}

InterruptionGuard::InterruptionGuard()
{
  interruption = 0;
  struct sigaction note = {};
  note.sa_handler = noteInterruption;
  // A write under way finishes: the flag is looked at between files.
  note.sa_flags = SA_RESTART;
  sigemptyset(&note.sa_mask);
  ::sigaction(SIGINT, &note, &previousInterrupt);
  ::sigaction(SIGTERM, &note, &previousTerminate);
}

InterruptionGuard::~InterruptionGuard()
{
  ::sigaction(SIGINT, &previousInterrupt, nullptr);
  ::sigaction(SIGTERM, &previousTerminate, nullptr);
  if (interruption != 0) {
    ::raise(interruption);
  }
}

bool
InterruptionGuard::interrupted()
{
  return interruption != 0;
}

} // namespace makemodel
