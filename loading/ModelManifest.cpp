#include "loading/ModelManifest.h"

#include "loading/ModelFile.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QSet>

#include <cmath>

namespace {

std::string
quoted(const QString& text)
{
  return "\"" + shortenedInMiddle(text.toStdString(), 200) + "\"";
}

// A path inside the model folder, in the list's form ("/Joint/Incus.vtk"); empty with a problem
// otherwise.
std::string
folderPath(const QString& value, std::string& problem)
{
  const std::string path = value.toStdString();
  if (path.empty()) {
    problem = "it names no file";
    return {};
  }
  if (path.front() == '/' || path.find('\0') != std::string::npos || leavesFolder(path)) {
    problem = "its path leaves the model folder";
    return {};
  }
  return "/" + path;
}

class ManifestReader
{
public:
  ManifestReader(ModelManifest& manifest, std::string shownPath)
    : manifest(manifest)
    , shownPath(std::move(shownPath))
  {
  }

  void structure(const QJsonValue& value, int index);
  void head(const QJsonValue& value);

private:
  void problem(const std::string& text)
  {
    manifest.problems.push_back("Model manifest " + shortenedInMiddle(shownPath) + ": " + text);
  }
  void name(const QJsonObject& object, ManifestStructure& entry, const std::string& where);
  void color(const QJsonObject& object, ManifestStructure& entry, const std::string& where);
  void opacity(const QJsonObject& object, ManifestStructure& entry, const std::string& where);

  ModelManifest& manifest;
  std::string shownPath;
  QSet<QString> names;
};

void
ManifestReader::name(const QJsonObject& object, ManifestStructure& entry, const std::string& where)
{
  const QJsonValue value = object.value(QStringLiteral("name"));
  QString name = value.isString() ? value.toString().simplified() : QString();
  if (!value.isUndefined() && (!value.isString() || name.isEmpty())) {
    problem(where + " has a name that is not text; it is named after its file.");
  }
  if (name.isEmpty()) {
    name = structureNameFromPath(QString::fromStdString(entry.relativePath));
  }
  if (name.size() > longestStructureName) {
    problem(where + " has a name longer than " + std::to_string(longestStructureName) +
            " characters; it is shortened.");
    name = name.left(longestStructureName - 1) + QChar(0x2026);
  }
  if (names.contains(name)) {
    // Lessons find structures by name: two of one name would share every lesson setting.
    const QString original = name;
    for (int copy = 2; names.contains(name); ++copy) {
      name = original + QStringLiteral(" (%1)").arg(copy);
    }
    problem(where + " repeats the name " + quoted(original) + "; it is shown as " + quoted(name) +
            ".");
  }
  names.insert(name);
  entry.name = name;
}

void
ManifestReader::color(const QJsonObject& object, ManifestStructure& entry, const std::string& where)
{
  const QJsonValue value = object.value(QStringLiteral("color"));
  if (value.isUndefined()) {
    return;
  }
  const QJsonArray array = value.toArray();
  std::array<double, 3> color{};
  bool sound = value.isArray() && array.size() == 3;
  for (int component = 0; sound && component < 3; ++component) {
    const double number = array.at(component).toDouble(std::nan(""));
    sound = array.at(component).isDouble() && std::isfinite(number);
    color[std::size_t(component)] = std::isfinite(number) ? std::fmin(std::fmax(number, 0), 1) : 0;
    if (sound && (number < 0 || number > 1)) {
      problem(where + " has a colour outside 0 to 1; it is clamped.");
    }
  }
  if (!sound) {
    problem(where + " has a colour that is not three numbers; its colour file is used.");
    return;
  }
  entry.color = color;
}

void
ManifestReader::opacity(const QJsonObject& object,
                        ManifestStructure& entry,
                        const std::string& where)
{
  const QJsonValue value = object.value(QStringLiteral("opacity"));
  if (value.isUndefined()) {
    return;
  }
  const double number = value.toDouble(std::nan(""));
  if (!value.isDouble() || !std::isfinite(number)) {
    problem(where + " has an opacity that is not a number; it is taken as 1.");
    return;
  }
  if (number < 0 || number > 1) {
    problem(where + " has an opacity outside 0 to 1; it is taken as the nearest of 0 and 1.");
  }
  entry.opacity = std::fmin(std::fmax(number, 0.0), 1.0);
}

void
ManifestReader::structure(const QJsonValue& value, int index)
{
  const std::string where = "structure " + std::to_string(index + 1);
  ManifestStructure entry;
  const QJsonObject object = value.toObject();
  if (!value.isObject()) {
    entry.problem = "its manifest entry is not an object";
  } else if (!object.value(QStringLiteral("file")).isString()) {
    entry.problem = "its manifest entry names no file";
  } else {
    entry.relativePath = folderPath(object.value(QStringLiteral("file")).toString(), entry.problem);
  }
  if (!entry.problem.empty()) {
    problem(where + ": " + entry.problem + "; its row stays empty.");
  }
  name(object, entry, where);
  color(object, entry, where);
  opacity(object, entry, where);
  entry.group = object.value(QStringLiteral("group")).toString().simplified();
  entry.group.truncate(longestStructureName);
  const QJsonValue row = object.value(QStringLiteral("row"));
  entry.rowShown = !row.isBool() || row.toBool();
  const QJsonValue description = object.value(QStringLiteral("description"));
  if (description.isString()) {
    std::string why;
    const std::string path = folderPath(description.toString(), why);
    if (path.empty()) {
      problem(where + ": its description page " + why + "; it is shown without one.");
      entry.descriptionPath = std::string();
    } else {
      entry.descriptionPath = path;
    }
  }
  manifest.structures.push_back(std::move(entry));
}

void
ManifestReader::head(const QJsonValue& value)
{
  if (value.isUndefined()) {
    return;
  }
  std::string why = "it is not text";
  const std::string path = value.isString() ? folderPath(value.toString(), why) : std::string();
  if (path.empty()) {
    problem("the head model's " + why + "; the usual head model is read.");
    return;
  }
  manifest.headPath = path;
}

} // namespace

ModelManifest
parseModelManifest(const std::string& text, const std::string& shownPath)
{
  ModelManifest manifest;
  const std::string prefix = "Model manifest " + shortenedInMiddle(shownPath) + " ";
  QJsonParseError error{};
  const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(text), &error);
  if (document.isNull()) {
    manifest.problems.push_back(prefix + "is not JSON (" + error.errorString().toStdString() +
                                " at byte " + std::to_string(error.offset) + ").");
    return manifest;
  }
  const QJsonObject top = document.object();
  const QJsonValue version = top.value(QStringLiteral("cochlex-model"));
  if (!version.isDouble()) {
    manifest.problems.push_back(prefix + "is not a Cochlex model manifest (no \"cochlex-model\").");
    return manifest;
  }
  if (version.toDouble() != modelManifestVersion) {
    manifest.problems.push_back(
      prefix + "is of version " +
      shortenedInMiddle(QString::number(version.toDouble()).toStdString(), 40) +
      "; this viewer reads version " + std::to_string(modelManifestVersion) + ".");
    return manifest;
  }
  const QJsonArray structures = top.value(QStringLiteral("structures")).toArray();
  if (structures.isEmpty()) {
    manifest.problems.push_back(prefix + "lists no structures.");
    return manifest;
  }
  manifest.usable = true;
  ManifestReader reader(manifest, shownPath);
  const int count = std::min(int(structures.size()), largestManifestStructureCount);
  for (int index = 0; index < count; ++index) {
    reader.structure(structures.at(index), index);
  }
  if (structures.size() > largestManifestStructureCount) {
    manifest.problems.push_back(prefix + "lists " + std::to_string(structures.size()) +
                                " structures; the viewer shows the first " +
                                std::to_string(largestManifestStructureCount) + ".");
  }
  reader.head(top.value(QStringLiteral("head")));
  return manifest;
}

QString
structureNameFromPath(const QString& path)
{
  return QFileInfo(path).completeBaseName().replace(QLatin1Char('_'), QLatin1Char(' '));
}
