// Writing a lesson, reading its file safely, and comparing structure lists.

#include "viewer/teaching/LessonFile.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

const char* const axisKeys[3] = { "x", "y", "z" };

} // namespace

const StructureView*
ViewState::structureNamed(const QString& structureName) const
{
  for (const StructureView& structure : structures) {
    if (structure.name == structureName) {
      return &structure;
    }
  }
  return nullptr;
}

QByteArray
lessonJson(const Lesson& lesson)
{
  const auto vector = [](const std::array<double, 3>& values) {
    return QJsonArray{ values[0], values[1], values[2] };
  };
  QJsonArray views;
  for (const ViewState& view : lesson.views) {
    QJsonObject object;
    object.insert(QStringLiteral("name"), view.name);
    object.insert(QStringLiteral("caption"), view.caption);
    object.insert(QStringLiteral("camera"),
                  QJsonObject{ { QStringLiteral("position"), vector(view.camera.position) },
                               { QStringLiteral("focalPoint"), vector(view.camera.focalPoint) },
                               { QStringLiteral("viewUp"), vector(view.camera.viewUp) },
                               { QStringLiteral("viewAngle"), view.camera.viewAngle } });
    QJsonArray structures;
    for (const StructureView& structure : view.structures) {
      structures.append(QJsonObject{ { QStringLiteral("name"), structure.name },
                                     { QStringLiteral("shown"), structure.shown },
                                     { QStringLiteral("transparency"), structure.transparency } });
    }
    object.insert(QStringLiteral("structures"), structures);
    QJsonObject sections;
    for (int axis = 0; axis < 3; ++axis) {
      const SectionView& section = view.sections[std::size_t(axis)];
      sections.insert(QLatin1String(axisKeys[axis]),
                      QJsonObject{ { QStringLiteral("number"), section.number },
                                   { QStringLiteral("shown"), section.shown },
                                   { QStringLiteral("cut"), section.cut } });
    }
    object.insert(QStringLiteral("sections"), sections);
    if (view.labels) {
      object.insert(QStringLiteral("labels"), *view.labels);
    }
    if (view.solidCutFaces) {
      object.insert(QStringLiteral("solidCutFaces"), *view.solidCutFaces);
    }
    if (view.whiteBackground) {
      object.insert(QStringLiteral("whiteBackground"), *view.whiteBackground);
    }
    if (view.labelSize) {
      object.insert(QStringLiteral("labelSize"), labelSizeKey(*view.labelSize));
    }
    if (!view.selectedStructure.isEmpty()) {
      object.insert(QStringLiteral("selected"), view.selectedStructure);
    }
    views.append(object);
  }
  const QJsonObject root{
    { QStringLiteral("format"), QLatin1String(lessonformat::formatName) },
    { QStringLiteral("version"),
      QStringLiteral("%1.%2").arg(lessonformat::majorVersion).arg(lessonformat::minorVersion) },
    { QStringLiteral("structures"), QJsonArray::fromStringList(lesson.structureNames) },
    { QStringLiteral("views"), views }
  };
  return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

LessonRead
readLessonFile(const QString& path, const std::array<int, 3>& sectionCounts)
{
  LessonRead read;
  const QByteArray name = QFile::encodeName(path);
  // Without waiting: opening a FIFO for reading would otherwise block until a writer came.
  const int descriptor = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (descriptor < 0) {
    read.problem = QString::fromLocal8Bit(std::strerror(errno));
    return read;
  }
  struct stat status
  {};
  QByteArray bytes;
  if (::fstat(descriptor, &status) != 0) {
    read.problem = QString::fromLocal8Bit(std::strerror(errno));
  } else if (!S_ISREG(status.st_mode)) {
    read.problem = QStringLiteral("not a regular file");
  } else if (status.st_size > lessonformat::maximumFileBytes) {
    read.problem = QStringLiteral("larger than %1 MB").arg(lessonformat::maximumFileBytes >> 20);
  } else {
    // One byte more than allowed tells a file that grew since fstat().
    bytes.resize(int(lessonformat::maximumFileBytes) + 1);
    qint64 total = 0;
    while (total < bytes.size()) {
      const ssize_t count =
        ::read(descriptor, bytes.data() + total, std::size_t(bytes.size() - total));
      if (count < 0 && errno == EINTR) {
        continue;
      }
      if (count < 0) {
        read.problem = QString::fromLocal8Bit(std::strerror(errno));
        break;
      }
      if (count == 0) {
        break;
      }
      total += count;
    }
    bytes.resize(int(total));
  }
  ::close(descriptor);
  if (!read.problem.isEmpty()) {
    return read;
  }
  return readLesson(bytes, sectionCounts);
}

StructureListDifference
compareStructureLists(const QStringList& lessonNames, const QStringList& modelNames)
{
  StructureListDifference difference;
  const QSet<QString> inModel(modelNames.begin(), modelNames.end());
  const QSet<QString> inLesson(lessonNames.begin(), lessonNames.end());
  for (const QString& name : lessonNames) {
    if (!inModel.contains(name)) {
      difference.missingFromModel.append(name);
    }
  }
  for (const QString& name : modelNames) {
    if (!inLesson.contains(name)) {
      difference.missingFromLesson.append(name);
    }
  }
  return difference;
}
