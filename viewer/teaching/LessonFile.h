#pragma once

#include "viewer/teaching/ViewState.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>

// The lesson file, ".cochlex-lesson": JSON with a format name, a version "major.minor", the
// structure list the lesson was made for and its views. A reader opens every minor version of
// its major version (fields it does not know are ignored) and refuses a newer major version.
namespace lessonformat {

constexpr const char* formatName = "cochlex-lesson";
constexpr int majorVersion = 1;
constexpr int minorVersion = 1; // 1.1: a view's label size
constexpr const char* fileSuffix = "cochlex-lesson";

// A hundred views with long captions take about 200 KB; nothing a teacher writes comes near.
constexpr qint64 maximumFileBytes = qint64(2) * 1024 * 1024;
constexpr int maximumViews = 1000;
constexpr int maximumStructures = 64;
constexpr int maximumNameLength = 200;
constexpr int maximumCaptionLength = 2000;
// Model coordinates are millimetres and the model a few across: a camera a kilometre away is no
// picture of it.
constexpr double maximumCoordinate = 1e6;
constexpr double minimumViewAngle = 1;
constexpr double maximumViewAngle = 179;

} // namespace lessonformat

// The sections of the fixed 748 x 552 x 115 volume.
std::array<int, 3>
fixedSectionCounts();

// A lesson read from a file or from bytes; problem is empty on success and otherwise says what
// is wrong, naming the field ("views[2].camera.viewAngle: ...").
struct LessonRead
{
  Lesson lesson;
  QString problem;
};

QByteArray
lessonJson(const Lesson& lesson);

// The section numbers a lesson's views may name run from 1 to sectionCounts along x, y and z:
// the sections of the model's volume, by default the fixed grid's.
LessonRead
readLesson(const QByteArray& json, const std::array<int, 3>& sectionCounts = fixedSectionCounts());

// Reads path as a lesson: only a regular file (checked on the opened descriptor, which is
// opened without waiting, so a FIFO never blocks), of at most lessonformat::maximumFileBytes.
LessonRead
readLessonFile(const QString& path, const std::array<int, 3>& sectionCounts = fixedSectionCounts());

// How a model's structure list differs from the one a lesson was made for.
struct StructureListDifference
{
  QStringList missingFromModel;  // in the lesson, not in the model: its views skip them
  QStringList missingFromLesson; // in the model, not in the lesson: its views leave them alone

  bool empty() const { return missingFromModel.isEmpty() && missingFromLesson.isEmpty(); }
};

StructureListDifference
compareStructureLists(const QStringList& lessonNames, const QStringList& modelNames);
