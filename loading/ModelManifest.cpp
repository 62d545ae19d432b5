#include "loading/ModelManifest.h"

#include "loading/ModelFile.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QSet>

#include <cmath>
#include <optional>

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
  void volume(const QJsonValue& value);

private:
  void problem(const std::string& text)
  {
    manifest.problems.push_back("Model manifest " + shortenedInMiddle(shownPath) + ": " + text);
  }
  void name(const QJsonObject& object, ManifestStructure& entry, const std::string& where);
  void color(const QJsonObject& object, ManifestStructure& entry, const std::string& where);
  void opacity(const QJsonObject& object, ManifestStructure& entry, const std::string& where);
  bool volumeFile(const QJsonObject& object);
  bool volumeSize(const QJsonObject& object);
  bool volumeVector(const QJsonObject& object, const char* key, bool positive);
  bool volumeDirection(const QJsonObject& object);
  void volumeProblem(const std::string& text)
  {
    problem("the section volume's " + text + "; the model is shown without section images.");
  }

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

// Three numbers, finite, and above 0 where positive is set; empty otherwise.
std::optional<std::array<double, 3>>
threeNumbers(const QJsonValue& value, bool positive)
{
  const QJsonArray array = value.toArray();
  if (!value.isArray() || array.size() != 3) {
    return std::nullopt;
  }
  std::array<double, 3> numbers{};
  for (int index = 0; index < 3; ++index) {
    const double number = array.at(index).toDouble(std::nan(""));
    if (!array.at(index).isDouble() || !std::isfinite(number) || (positive && !(number > 0))) {
      return std::nullopt;
    }
    numbers[std::size_t(index)] = number;
  }
  return numbers;
}

bool
ManifestReader::volumeFile(const QJsonObject& object)
{
  const QJsonValue file = object.value(QStringLiteral("file"));
  std::string why = "file is not named";
  const std::string path = file.isString() ? folderPath(file.toString(), why) : std::string();
  if (path.empty()) {
    volumeProblem(file.isString() ? "file: " + why : why);
    return false;
  }
  manifest.volume.relativePath = path;
  return true;
}

bool
ManifestReader::volumeSize(const QJsonObject& object)
{
  const QJsonArray array = object.value(QStringLiteral("size")).toArray();
  bool whole = array.size() == 3;
  for (int axis = 0; whole && axis < 3; ++axis) {
    const double number = array.at(axis).toDouble(0);
    // Each axis alone within the byte bound, so the product below cannot overflow.
    whole =
      number >= 1 && number <= double(largestSectionVolumeBytes) && number == std::floor(number);
    manifest.volume.dimensions[std::size_t(axis)] = whole ? int(number) : 1;
  }
  if (!whole) {
    volumeProblem("size is not three whole numbers of voxels, each at least 1");
    return false;
  }
  if (manifest.volume.byteCount() > largestSectionVolumeBytes) {
    const std::array<int, 3>& size = manifest.volume.dimensions;
    volumeProblem("grid of " + std::to_string(size[0]) + " x " + std::to_string(size[1]) + " x " +
                  std::to_string(size[2]) + " voxels is larger than " +
                  megabytes(largestSectionVolumeBytes));
    return false;
  }
  return true;
}

bool
ManifestReader::volumeVector(const QJsonObject& object, const char* key, bool positive)
{
  const QJsonValue value = object.value(QLatin1String(key));
  if (value.isUndefined() && !positive) {
    return true; // the origin: at the model frame's origin
  }
  const std::optional<std::array<double, 3>> numbers = threeNumbers(value, positive);
  if (!numbers) {
    volumeProblem(std::string(key) + " is not three finite numbers" + (positive ? " above 0" : ""));
    return false;
  }
  (positive ? manifest.volume.spacing : manifest.volume.origin) = *numbers;
  return true;
}

bool
ManifestReader::volumeDirection(const QJsonObject& object)
{
  const QJsonValue value = object.value(QStringLiteral("direction"));
  if (value.isUndefined()) {
    return true;
  }
  const QJsonArray rows = value.toArray();
  bool sound = value.isArray() && rows.size() == 3;
  std::array<std::array<double, 3>, 3> axes{};
  for (int axis = 0; sound && axis < 3; ++axis) {
    const std::optional<std::array<double, 3>> vector = threeNumbers(rows.at(axis), false);
    const double length = vector
                            ? std::sqrt((*vector)[0] * (*vector)[0] + (*vector)[1] * (*vector)[1] +
                                        (*vector)[2] * (*vector)[2])
                            : 0.0;
    sound = vector && length > 1e-9;
    for (std::size_t row = 0; sound && row < 3; ++row) {
      axes[std::size_t(axis)][row] = (*vector)[row] / length;
    }
  }
  // The cut planes are the section images' planes: the axes must stand at right angles (to
  // within 0.06 degrees) for a slice to be a plane of the grid.
  for (std::size_t a = 0; sound && a < 3; ++a) {
    for (std::size_t b = a + 1; sound && b < 3; ++b) {
      sound = std::abs(axes[a][0] * axes[b][0] + axes[a][1] * axes[b][1] +
                       axes[a][2] * axes[b][2]) < 1e-3;
    }
  }
  if (!sound) {
    volumeProblem("direction is not three non-zero vectors at right angles");
    return false;
  }
  manifest.volume.direction = axes;
  return true;
}

void
ManifestReader::volume(const QJsonValue& value)
{
  if (value.isUndefined()) {
    return;
  }
  manifest.volumeGiven = true;
  if (!value.isObject()) {
    volumeProblem("entry is not an object");
    return;
  }
  const QJsonObject object = value.toObject();
  // Every value is checked, so that each problem has its line.
  bool usable = volumeFile(object);
  usable = volumeSize(object) && usable;
  usable = volumeVector(object, "spacing", true) && usable;
  usable = volumeVector(object, "origin", false) && usable;
  usable = volumeDirection(object) && usable;
  manifest.volume.placed = true;
  manifest.volumeUsable = usable;
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
  reader.volume(top.value(QStringLiteral("volume")));
  return manifest;
}

QString
structureNameFromPath(const QString& path)
{
  return QFileInfo(path).completeBaseName().replace(QLatin1Char('_'), QLatin1Char(' '));
}
