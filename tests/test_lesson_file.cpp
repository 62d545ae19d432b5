// The lesson file and the camera rules of lessons, without a window: the file read back as
// written, every kind of bad file refused with the field named, the version rules, camera paths
// that neither jump nor roll. The size limits are tried at their boundaries in test_limits.

#include "TestDriver.h"
#include "viewer/teaching/CameraPath.h"
#include "viewer/teaching/LessonFile.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <vtkMath.h>

#include <sys/stat.h>

#include <cmath>

namespace {

Lesson
sampleLesson()
{
  Lesson lesson;
  lesson.structureNames = QStringList{ QStringLiteral("Incus"), QStringLiteral("Stapes") };
  ViewState first;
  first.name = QStringLiteral("View 1");
  first.caption = QStringLiteral("The joint from the front: \"lenticular\" process, 3 mm ä");
  first.camera = { { 1.5, -40.25, 2 }, { 0.1, 0.2, 0.3 }, { 0, 0, 1 }, 30 };
  first.structures = { { QStringLiteral("Incus"), true, 0.3 },
                       { QStringLiteral("Stapes"), false, 1 } };
  first.sections = { { { 374, true, 1 }, { 1, false, 0 }, { 115, true, -1 } } };
  first.labels = true;
  first.whiteBackground = false;
  first.labelSize = LabelSize::Large;
  first.selectedStructure = QStringLiteral("Stapes");
  ViewState second = first;
  second.name = QStringLiteral("Second");
  second.caption.clear();
  second.camera = { { 0.1 / 3, 1e5, -7 }, { 1, 2, 3 }, { 0.6, 0.8, 0 }, 12.5 };
  second.labels.reset();
  second.solidCutFaces = true;
  second.labelSize.reset();
  second.selectedStructure.clear();
  lesson.views = { first, second };
  return lesson;
}

void
compareViews(const ViewState& actual, const ViewState& expected)
{
  QCOMPARE(actual.name, expected.name);
  QCOMPARE(actual.caption, expected.caption);
  QCOMPARE(actual.camera.position, expected.camera.position);
  QCOMPARE(actual.camera.focalPoint, expected.camera.focalPoint);
  QCOMPARE(actual.camera.viewUp, expected.camera.viewUp);
  QCOMPARE(actual.camera.viewAngle, expected.camera.viewAngle);
  QCOMPARE(actual.structures.size(), expected.structures.size());
  for (std::size_t index = 0; index < actual.structures.size(); ++index) {
    QCOMPARE(actual.structures[index].name, expected.structures[index].name);
    QCOMPARE(actual.structures[index].shown, expected.structures[index].shown);
    QCOMPARE(actual.structures[index].transparency, expected.structures[index].transparency);
  }
  for (std::size_t axis = 0; axis < 3; ++axis) {
    QCOMPARE(actual.sections[axis].number, expected.sections[axis].number);
    QCOMPARE(actual.sections[axis].shown, expected.sections[axis].shown);
    QCOMPARE(actual.sections[axis].cut, expected.sections[axis].cut);
  }
  QCOMPARE(actual.labels, expected.labels);
  QCOMPARE(actual.solidCutFaces, expected.solidCutFaces);
  QCOMPARE(actual.whiteBackground, expected.whiteBackground);
  QCOMPARE(actual.labelSize, expected.labelSize);
  QCOMPARE(actual.selectedStructure, expected.selectedStructure);
}

// Replaces (or with an empty value removes) the member at a dotted path such as
// "views.0.camera.viewAngle" in the JSON of the sample lesson.
QJsonValue
editedAt(const QJsonValue& node, QStringList path, const QJsonValue& value, bool remove)
{
  const QString key = path.takeFirst();
  if (node.isArray()) {
    QJsonArray array = node.toArray();
    const int index = key.toInt();
    array[index] = path.isEmpty() ? value : editedAt(array[index], path, value, remove);
    return array;
  }
  QJsonObject object = node.toObject();
  if (path.isEmpty() && remove) {
    object.remove(key);
  } else {
    object[key] = path.isEmpty() ? value : editedAt(object[key], path, value, remove);
  }
  return object;
}

QByteArray
sampleEditedAt(const QString& path, const QByteArray& valueJson)
{
  const QJsonObject root = QJsonDocument::fromJson(lessonJson(sampleLesson())).object();
  const QJsonValue value = QJsonDocument::fromJson("[" + valueJson + "]").array().first();
  return QJsonDocument(editedAt(root, path.split('.'), value, valueJson.isEmpty()).toObject())
    .toJson();
}

std::array<double, 3>
directionOf(const CameraPose& pose)
{
  std::array<double, 3> direction{};
  vtkMath::Subtract(pose.focalPoint.data(), pose.position.data(), direction.data());
  vtkMath::Normalize(direction.data());
  return direction;
}

double
dot(const std::array<double, 3>& a, const std::array<double, 3>& b)
{
  return vtkMath::Dot(a.data(), b.data());
}

} // namespace

Q_DECLARE_METATYPE(CameraPose)

class TestLessonFile : public QObject
{
  Q_OBJECT

private slots:
  void roundTrip()
  {
    const Lesson lesson = sampleLesson();
    QTemporaryDir folder;
    QFile file(folder.filePath(QStringLiteral("class.cochlex-lesson")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(lessonJson(lesson));
    file.close();

    const LessonRead read = readLessonFile(file.fileName());
    QCOMPARE(read.problem, QString());
    QCOMPARE(read.lesson.structureNames, lesson.structureNames);
    QCOMPARE(read.lesson.views.size(), lesson.views.size());
    for (std::size_t index = 0; index < lesson.views.size(); ++index) {
      compareViews(read.lesson.views[index], lesson.views[index]);
    }
  }

  void badContent_data()
  {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("expected");
    const auto edited = [](const char* path, const char* value) {
      return sampleEditedAt(QString::fromLatin1(path), QByteArray(value));
    };
    QTest::newRow("malformed JSON")
      << QByteArray(R"({"format": "cochlex-lesson",)") << "not valid JSON";
    QTest::newRow("a list") << QByteArray("[1, 2]") << "not a Cochlex lesson";
    QTest::newRow("another format")
      << edited("format", "\"paraview-state\"") << "not a Cochlex lesson";
    QTest::newRow("newer major version")
      << edited("version", "\"2.0\"") << "version: 2.0 is newer than this Cochlex reads";
    QTest::newRow("version as a number") << edited("version", "1") << "version: must be a text";
    QTest::newRow("no views") << edited("views", "") << "views: missing";
    QTest::newRow("view angle") << edited("views.1.camera.viewAngle", "200")
                                << "views[1].camera.viewAngle: 200 is out of range (1 to 179)";
    QTest::newRow("far camera") << edited("views.0.camera.position", "[0, 1e7, 0]")
                                << "views[0].camera.position[1]: 10000000 is out of range";
    QTest::newRow("short vector") << edited("views.0.camera.viewUp", "[0, 1]")
                                  << "views[0].camera.viewUp: must be a list of three numbers";
    QTest::newRow("view-up along the view")
      << edited("views.0.camera.viewUp", "[-1.4, 40.45, -1.7]")
      << "views[0].camera.viewUp: lies along the direction of view";
    QTest::newRow("camera on focal point")
      << edited("views.0.camera.focalPoint", "[1.5, -40.25, 2]")
      << "views[0].camera.position: the camera stands on its";
    QTest::newRow("transparency") << edited("views.0.structures.0.transparency", "1.5")
                                  << "views[0].structures[0].transparency: 1.5 is out of range";
    QTest::newRow("transparency as text")
      << edited("views.0.structures.0.transparency", "\"0.5\"")
      << "views[0].structures[0].transparency: must be a number";
    QTest::newRow("shown as text") << edited("views.0.structures.1.shown", "\"yes\"")
                                   << "views[0].structures[1].shown: must be true or false";
    QTest::newRow("section zero") << edited("views.0.sections.x.number", "0")
                                  << "views[0].sections.x.number: 0 is out of range (1 to 748)";
    QTest::newRow("section past z") << edited("views.1.sections.z.number", "116")
                                    << "views[1].sections.z.number: 116 is out of range (1 to 115)";
    QTest::newRow("half a section") << edited("views.0.sections.y.number", "3.5")
                                    << "views[0].sections.y.number: 3.5 is not a whole number";
    QTest::newRow("cut") << edited("views.0.sections.y.cut", "2")
                         << "views[0].sections.y.cut: 2 is out of range (-1 to 1)";
    QTest::newRow("switch") << edited("views.0.labels", "1") << "views[0].labels: must be true";
    QTest::newRow("label size unknown")
      << edited("views.0.labelSize", "\"huge\"")
      << R"(views[0].labelSize: must be "small", "medium" or "large")";
    QTest::newRow("label size a number")
      << edited("views.0.labelSize", "2") << "views[0].labelSize: must be \"small\"";
  }

  void badContent()
  {
    QFETCH(QByteArray, content);
    QFETCH(QString, expected);
    const LessonRead read = readLesson(content);
    QVERIFY2(read.problem.contains(expected), qPrintable(read.problem));
    QVERIFY(read.lesson.views.empty());
  }

  // A model with a volume of its own: the numbers run to its sections, not the fixed grid's.
  void sectionNumbersFollowTheModelsGrid()
  {
    const QByteArray deep = sampleEditedAt("views.1.sections.z.number", "250");
    QVERIFY(readLesson(deep).problem.contains("250 is out of range (1 to 115)"));
    const LessonRead read = readLesson(deep, { 748, 552, 300 });
    QCOMPARE(read.problem, QString());
    QCOMPARE(read.lesson.views[1].sections[2].number, 250);
    // The sample lesson's x number, 374, beyond a grid of 373 sections.
    QVERIFY(readLesson(deep, { 373, 552, 300 })
              .problem.contains("views[0].sections.x.number: 374 is out of range (1 to 373)"));
  }

  void versionRules()
  {
    // A newer minor version with fields this reader does not know opens as if they were absent.
    QJsonObject root = QJsonDocument::fromJson(lessonJson(sampleLesson())).object();
    root[QStringLiteral("version")] = QStringLiteral("1.7");
    root[QStringLiteral("narration")] = QStringLiteral("track.ogg");
    QJsonArray views = root[QStringLiteral("views")].toArray();
    QJsonObject view = views[0].toObject();
    view[QStringLiteral("lighting")] = QJsonObject{ { QStringLiteral("key"), 0.5 } };
    views[0] = view;
    root[QStringLiteral("views")] = views;
    const LessonRead read = readLesson(QJsonDocument(root).toJson());
    QCOMPARE(read.problem, QString());
    compareViews(read.lesson.views[0], sampleLesson().views[0]);
  }

  void badFiles_data()
  {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("expected");
    QTest::newRow("FIFO") << "fifo"
                          << "not a regular file";
    QTest::newRow("folder") << "folder"
                            << "not a regular file";
    QTest::newRow("missing") << "missing"
                             << "No such file";
  }

  void badFiles()
  {
    QFETCH(QString, kind);
    QFETCH(QString, expected);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("lesson.cochlex-lesson"));
    if (kind == QLatin1String("fifo")) {
      // Nobody ever writes to it: a reader that waited would hang the test.
      QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (kind == QLatin1String("folder")) {
      QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("lesson.cochlex-lesson")));
    }
    const LessonRead read = readLessonFile(path);
    QVERIFY2(read.problem.contains(expected), qPrintable(read.problem));
  }

  void structureLists()
  {
    const StructureListDifference same = compareStructureLists({ "A", "B" }, { "B", "A" });
    QVERIFY(same.empty());
    const StructureListDifference other = compareStructureLists({ "A", "B", "C" }, { "B", "D" });
    QCOMPARE(other.missingFromModel, QStringList({ "A", "C" }));
    QCOMPARE(other.missingFromLesson, QStringList({ "D" }));
  }

  void cameraPath_data()
  {
    QTest::addColumn<CameraPose>("from");
    QTest::addColumn<CameraPose>("to");
    QTest::addColumn<bool>("keepsViewUp");
    const CameraPose front{ { 0, -10, 0 }, { 0, 0, 0 }, { 0, 0, 1 }, 30 };
    QTest::newRow("half turn about the up")
      << front << CameraPose{ { 0, 10, 0 }, {}, { 0, 0, 1 }, 30 } << true;
    QTest::newRow("side, closer, moved")
      << front << CameraPose{ { -2, 1, 1 }, { 1, 1, 1 }, { 0, 0, 1 }, 20 } << true;
    QTest::newRow("over the top") << front << CameraPose{ { 0, 0, 40 }, {}, { 0, 1, 0 }, 30 }
                                  << false;
    QTest::newRow("rolled") << front << CameraPose{ { 0, -10, 0 }, {}, { 1, 0, 0 }, 30 } << false;
  }

  void cameraPath()
  {
    QFETCH(CameraPose, from);
    QFETCH(CameraPose, to);
    QFETCH(bool, keepsViewUp);
    QCOMPARE(interpolateCamera(from, to, 0).position, from.position);
    QCOMPARE(interpolateCamera(from, to, 1).position, to.position);
    const int steps = 50;
    CameraPose previous = from;
    for (int step = 1; step <= steps; ++step) {
      const CameraPose pose = interpolateCamera(from, to, double(step) / steps);
      const std::array<double, 3> direction = directionOf(pose);
      // The view-up stays a unit vector at right angles to the view.
      QVERIFY(std::abs(dot(direction, pose.viewUp)) < 1e-9);
      QVERIFY(std::abs(dot(pose.viewUp, pose.viewUp) - 1) < 1e-9);
      if (keepsViewUp) {
        // Both ends share the view-up: the picture turns without rolling.
        QVERIFY(std::abs(dot(pose.viewUp, from.viewUp) - 1) < 1e-9);
      }
      // No jump: no step turns the view or the up by more than twice an even share of the way.
      QVERIFY(std::acos(std::min(1.0, dot(direction, directionOf(previous)))) < 2 * M_PI / steps);
      QVERIFY(std::acos(std::min(1.0, dot(pose.viewUp, previous.viewUp))) < 2 * M_PI / steps);
      previous = pose;
    }
  }

  // A lesson view's caption stays while the camera shows that view and goes once it is turned,
  // moved or zoomed away; a camera placed there again differs only by rounding.
  void cameraLeavesAViewWhenMoved_data()
  {
    QTest::addColumn<CameraPose>("camera");
    QTest::addColumn<bool>("shows");
    // 100 mm from the focal point, looking along -y, superior up.
    const CameraPose view{ { 0, 100, 0 }, { 0, 0, 0 }, { 0, 0, 1 }, 30 };
    CameraPose camera = view;
    QTest::newRow("placed again") << camera << true;
    camera.position[0] = 0.05;
    camera.viewUp = { 0, 0, 2 };
    QTest::newRow("rounding, a view-up of another length") << camera << true;
    camera = view;
    camera.position[1] = 95;
    QTest::newRow("zoomed in by 5 %") << camera << false;
    camera = view;
    camera.position[0] = camera.focalPoint[0] = 1;
    QTest::newRow("panned by 1 mm") << camera << false;
    camera = view;
    camera.focalPoint[2] = 2;
    QTest::newRow("looking 2 mm higher") << camera << false;
    camera = view;
    camera.viewUp = { std::sin(vtkMath::RadiansFromDegrees(1.0)),
                      0,
                      std::cos(vtkMath::RadiansFromDegrees(1.0)) };
    QTest::newRow("rolled by 1 degree") << camera << false;
    camera = view;
    camera.position = { 100, 0, 0 };
    QTest::newRow("turned to the side") << camera << false;
    camera = view;
    camera.viewAngle = 25;
    QTest::newRow("a narrower view angle") << camera << false;
  }

  void cameraLeavesAViewWhenMoved()
  {
    QFETCH(CameraPose, camera);
    QFETCH(bool, shows);
    const CameraPose view{ { 0, 100, 0 }, { 0, 0, 0 }, { 0, 0, 1 }, 30 };
    QCOMPARE(showsPose(camera, view), shows);
  }
};

COCHLEX_TEST_CLASS(TestLessonFile)
#include "test_lesson_file.moc"
