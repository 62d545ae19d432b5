// Reading a lesson's JSON: every field checked, the first problem named with its field.

#include "viewer/teaching/LessonFile.h"

#include "loading/SectionVolume.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <algorithm>
#include <cmath>

namespace {

const char* const axisKeys[3] = { "x", "y", "z" };

// The first problem found ends the reading; it carries the field it was found in.
struct FieldProblem
{
  QString text;
};

[[noreturn]] void
refuse(const QString& field, const QString& text)
{
  throw FieldProblem{ field.isEmpty() ? text : field + QStringLiteral(": ") + text };
}

QString
member(const QString& field, const char* key)
{
  return field.isEmpty() ? QString::fromLatin1(key) : field + '.' + QLatin1String(key);
}

QJsonValue
required(const QJsonObject& object, const QString& field, const char* key)
{
  QJsonValue value = object.value(QLatin1String(key));
  if (value.isUndefined()) {
    refuse(member(field, key), QStringLiteral("missing"));
  }
  return value;
}

QJsonObject
objectAt(const QJsonValue& value, const QString& field)
{
  if (!value.isObject()) {
    refuse(field, QStringLiteral("must be an object"));
  }
  return value.toObject();
}

QJsonArray
arrayAt(const QJsonValue& value, const QString& field, int maximumSize)
{
  if (!value.isArray()) {
    refuse(field, QStringLiteral("must be a list"));
  }
  QJsonArray array = value.toArray();
  if (array.size() > maximumSize) {
    refuse(field, QStringLiteral("%1 entries, more than %2").arg(array.size()).arg(maximumSize));
  }
  return array;
}

double
numberAt(const QJsonValue& value, const QString& field, double minimum, double maximum)
{
  // Qt reads numbers too large for a double as infinite.
  if (!value.isDouble() || !std::isfinite(value.toDouble())) {
    refuse(field, QStringLiteral("must be a number"));
  }
  const double number = value.toDouble();
  if (number < minimum || number > maximum) {
    refuse(field,
           QStringLiteral("%1 is out of range (%2 to %3)")
             .arg(number, 0, 'g', 17)
             .arg(minimum, 0, 'g', 17)
             .arg(maximum, 0, 'g', 17));
  }
  return number;
}

int
wholeNumberAt(const QJsonValue& value, const QString& field, int minimum, int maximum)
{
  const double number = numberAt(value, field, minimum, maximum);
  if (number != std::floor(number)) {
    refuse(field, QStringLiteral("%1 is not a whole number").arg(number, 0, 'g', 17));
  }
  return int(number);
}

bool
boolAt(const QJsonValue& value, const QString& field)
{
  if (!value.isBool()) {
    refuse(field, QStringLiteral("must be true or false"));
  }
  return value.toBool();
}

QString
textAt(const QJsonValue& value, const QString& field, int maximumLength)
{
  if (!value.isString()) {
    refuse(field, QStringLiteral("must be a text"));
  }
  QString text = value.toString();
  if (text.size() > maximumLength) {
    refuse(field, QStringLiteral("longer than %1 characters").arg(maximumLength));
  }
  return text;
}

std::array<double, 3>
vectorAt(const QJsonValue& value, const QString& field)
{
  const QJsonArray array = arrayAt(value, field, 3);
  if (array.size() != 3) {
    refuse(field, QStringLiteral("must be a list of three numbers"));
  }
  std::array<double, 3> vector{};
  for (int i = 0; i < 3; ++i) {
    vector[std::size_t(i)] = numberAt(array[i],
                                      QStringLiteral("%1[%2]").arg(field).arg(i),
                                      -lessonformat::maximumCoordinate,
                                      lessonformat::maximumCoordinate);
  }
  return vector;
}

CameraPose
cameraAt(const QJsonValue& value, const QString& field)
{
  const QJsonObject object = objectAt(value, field);
  CameraPose camera;
  camera.position = vectorAt(required(object, field, "position"), member(field, "position"));
  camera.focalPoint = vectorAt(required(object, field, "focalPoint"), member(field, "focalPoint"));
  camera.viewUp = vectorAt(required(object, field, "viewUp"), member(field, "viewUp"));
  camera.viewAngle = numberAt(required(object, field, "viewAngle"),
                              member(field, "viewAngle"),
                              lessonformat::minimumViewAngle,
                              lessonformat::maximumViewAngle);
  // A camera on its focal point looks nowhere, and a view-up along the view gives no up.
  double direction[3];
  for (int i = 0; i < 3; ++i) {
    direction[i] = camera.focalPoint[std::size_t(i)] - camera.position[std::size_t(i)];
  }
  const double distance = std::sqrt(direction[0] * direction[0] + direction[1] * direction[1] +
                                    direction[2] * direction[2]);
  if (!(distance > 1e-9)) {
    refuse(member(field, "position"), QStringLiteral("the camera stands on its focal point"));
  }
  const std::array<double, 3>& up = camera.viewUp;
  const double cross[3] = { direction[1] * up[2] - direction[2] * up[1],
                            direction[2] * up[0] - direction[0] * up[2],
                            direction[0] * up[1] - direction[1] * up[0] };
  const double upLength = std::sqrt(up[0] * up[0] + up[1] * up[1] + up[2] * up[2]);
  const double crossLength =
    std::sqrt(cross[0] * cross[0] + cross[1] * cross[1] + cross[2] * cross[2]);
  if (!(crossLength > 1e-6 * distance * upLength)) {
    refuse(member(field, "viewUp"), QStringLiteral("lies along the direction of view"));
  }
  return camera;
}

ViewState
viewAt(const QJsonValue& value, const QString& field, const std::array<int, 3>& sectionCounts)
{
  const QJsonObject object = objectAt(value, field);
  ViewState view;
  if (object.contains(QLatin1String("name"))) {
    view.name = textAt(
      object.value(QLatin1String("name")), member(field, "name"), lessonformat::maximumNameLength);
  }
  if (object.contains(QLatin1String("caption"))) {
    view.caption = textAt(object.value(QLatin1String("caption")),
                          member(field, "caption"),
                          lessonformat::maximumCaptionLength);
  }
  view.camera = cameraAt(required(object, field, "camera"), member(field, "camera"));

  if (object.contains(QLatin1String("structures"))) {
    const QString listField = member(field, "structures");
    const QJsonArray list = arrayAt(
      object.value(QLatin1String("structures")), listField, lessonformat::maximumStructures);
    for (int index = 0; index < list.size(); ++index) {
      const QString entryField = QStringLiteral("%1[%2]").arg(listField).arg(index);
      const QJsonObject entry = objectAt(list[index], entryField);
      StructureView structure;
      structure.name = textAt(required(entry, entryField, "name"),
                              member(entryField, "name"),
                              lessonformat::maximumNameLength);
      structure.shown = boolAt(required(entry, entryField, "shown"), member(entryField, "shown"));
      structure.transparency = numberAt(
        required(entry, entryField, "transparency"), member(entryField, "transparency"), 0, 1);
      view.structures.push_back(structure);
    }
  }

  const QString sectionsField = member(field, "sections");
  const QJsonObject sections = objectAt(required(object, field, "sections"), sectionsField);
  for (int axis = 0; axis < 3; ++axis) {
    const QString axisField = member(sectionsField, axisKeys[axis]);
    const QJsonObject entry =
      objectAt(required(sections, sectionsField, axisKeys[axis]), axisField);
    SectionView& section = view.sections[std::size_t(axis)];
    section.number = wholeNumberAt(required(entry, axisField, "number"),
                                   member(axisField, "number"),
                                   1,
                                   std::max(1, sectionCounts[std::size_t(axis)]));
    section.shown = boolAt(required(entry, axisField, "shown"), member(axisField, "shown"));
    section.cut = wholeNumberAt(required(entry, axisField, "cut"), member(axisField, "cut"), -1, 1);
  }

  const std::pair<const char*, std::optional<bool>*> switches[] = {
    { "labels", &view.labels },
    { "solidCutFaces", &view.solidCutFaces },
    { "whiteBackground", &view.whiteBackground }
  };
  for (const auto& [key, target] : switches) {
    if (object.contains(QLatin1String(key))) {
      *target = boolAt(object.value(QLatin1String(key)), member(field, key));
    }
  }
  if (object.contains(QLatin1String("labelSize"))) {
    const QString sizeField = member(field, "labelSize");
    const QJsonValue value = object.value(QLatin1String("labelSize"));
    view.labelSize = labelSizeFromKey(value.toString());
    if (!value.isString() || !view.labelSize) {
      refuse(sizeField, QStringLiteral("must be \"small\", \"medium\" or \"large\""));
    }
  }
  if (object.contains(QLatin1String("selected"))) {
    view.selectedStructure = textAt(object.value(QLatin1String("selected")),
                                    member(field, "selected"),
                                    lessonformat::maximumNameLength);
  }
  return view;
}

void
checkFormatAndVersion(const QJsonObject& root)
{
  if (root.value(QLatin1String("format")).toString() != QLatin1String(lessonformat::formatName)) {
    refuse(QString(),
           QStringLiteral("this is not a Cochlex lesson (no \"format\": \"%1\")")
             .arg(QLatin1String(lessonformat::formatName)));
  }
  const QString version = root.value(QLatin1String("version")).toString();
  // "major.minor", each up to six digits. Split by hand: a cached pattern would hold memory past
  // the first file, which the fuzzer's leak check counts against that input.
  const QStringList parts = version.split('.');
  const auto isNumber = [](const QString& part) {
    return !part.isEmpty() && part.size() <= 6 &&
           std::all_of(part.begin(), part.end(), [](QChar c) { return c >= '0' && c <= '9'; });
  };
  if (parts.size() != 2 || !isNumber(parts[0]) || !isNumber(parts[1])) {
    refuse(QStringLiteral("version"), QStringLiteral("must be a text like \"1.0\""));
  }
  const int major = parts[0].toInt();
  if (major > lessonformat::majorVersion) {
    refuse(QStringLiteral("version"),
           QStringLiteral("%1 is newer than this Cochlex reads (%2.x): open it with a newer "
                          "Cochlex")
             .arg(version)
             .arg(lessonformat::majorVersion));
  }
  if (major < lessonformat::majorVersion) {
    refuse(QStringLiteral("version"), QStringLiteral("%1 is no lesson version").arg(version));
  }
}

} // namespace

std::array<int, 3>
fixedSectionCounts()
{
  return { sectionVolumeDimensions[0], sectionVolumeDimensions[1], sectionVolumeDimensions[2] };
}

LessonRead
readLesson(const QByteArray& json, const std::array<int, 3>& sectionCounts)
{
  LessonRead read;
  if (json.size() > lessonformat::maximumFileBytes) {
    read.problem = QStringLiteral("larger than %1 MB").arg(lessonformat::maximumFileBytes >> 20);
    return read;
  }
  QJsonParseError error{};
  const QJsonDocument document = QJsonDocument::fromJson(json, &error);
  if (error.error != QJsonParseError::NoError) {
    read.problem =
      QStringLiteral("not valid JSON (%1 at byte %2)").arg(error.errorString()).arg(error.offset);
    return read;
  }
  try {
    if (!document.isObject()) {
      refuse(QString(), QStringLiteral("this is not a Cochlex lesson (no JSON object)"));
    }
    const QJsonObject root = document.object();
    checkFormatAndVersion(root);
    const QJsonArray names = arrayAt(required(root, QString(), "structures"),
                                     QStringLiteral("structures"),
                                     lessonformat::maximumStructures);
    for (int index = 0; index < names.size(); ++index) {
      read.lesson.structureNames.append(textAt(names[index],
                                               QStringLiteral("structures[%1]").arg(index),
                                               lessonformat::maximumNameLength));
    }
    const QJsonArray views = arrayAt(
      required(root, QString(), "views"), QStringLiteral("views"), lessonformat::maximumViews);
    for (int index = 0; index < views.size(); ++index) {
      read.lesson.views.push_back(
        viewAt(views[index], QStringLiteral("views[%1]").arg(index), sectionCounts));
    }
  } catch (const FieldProblem& problem) {
    read.lesson = Lesson();
    read.problem = problem.text;
  }
  return read;
}
