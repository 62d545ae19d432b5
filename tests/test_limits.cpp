// Every size limit on what a model folder, a lesson, a colour table or the command line may hold,
// at its exact boundary, one below and one above: the limit itself is still taken, one more is
// refused with its own words. The figures are the documented ones, written out here: a limit
// checked one off would pass a test that took them from the program's constants.

#include "ModelFixture.h"
#include "TestDriver.h"
#include "ViewerSession.h"

#include "app/CommandLine.h"
#include "loading/ColorFile.h"
#include "loading/Console.h"
#include "loading/ModelManifest.h"
#include "loading/PageFile.h"
#include "loading/TeachingModel.h"
#include "tools/make_model/ColorTable.h"
#include "ui/BoundedImage.h"
#include "viewer/teaching/LessonFile.h"

#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <vtkImageData.h>
#include <vtkPolyData.h>

#include <functional>
#include <sstream>

// Writes what is to be read at size into a fresh folder, reads it as the program does and
// returns what the reader said: its problem, or another word for what it left out.
using BoundaryReader = std::function<QString(const QString& folder, qint64 size)>;
Q_DECLARE_METATYPE(BoundaryReader)

namespace {

constexpr qint64 megabyte = qint64(1024) * 1024;

void
writeSized(const QString& path, const QByteArray& start, qint64 size)
{
  fixture::writeFile(path, start.left(int(std::min<qint64>(start.size(), size))));
  QFile file(path);
  // The rest as a hole of zeros: megabytes that cost nothing on disk.
  if (!file.open(QIODevice::ReadWrite) || !file.resize(size)) {
    qFatal("cannot size %s", qPrintable(path));
  }
}

QString
modelProblems(const QString& folder)
{
  TeachingModel model;
  // Each problem is also printed: the run's output stays readable without them.
  static_cast<void>(captureOutput(
    [&model, &folder] { model = loadTeachingModel(QFile::encodeName(folder).toStdString(), {}); }));
  QString problems;
  for (const std::string& line : model.problems) {
    problems += QString::fromStdString(line) + '\n';
  }
  return problems;
}

QString
loadWithSurface(const QString& folder, qint64 size)
{
  fixture::writeFile(folder + "/Joint_transformed.txt", "/Joint/a.vtk\n1\n");
  writeSized(folder + "/Joint/a.vtk", "# vtk DataFile Version 3.0\n", size);
  return modelProblems(folder);
}

// The path line is size bytes long, without its line end.
QString
loadWithListLine(const QString& folder, qint64 size)
{
  fixture::writeFile(folder + "/Joint_transformed.txt",
                     "/" + QByteArray(int(size - 1), 'a') + "\n1\n");
  return modelProblems(folder);
}

// One entry, then blank lines up to size bytes.
QString
loadWithListOf(const QString& folder, qint64 size)
{
  const QByteArray entry = "/Joint/a.vtk\n1\n";
  fixture::writeFile(folder + "/Joint_transformed.txt",
                     entry + QByteArray(int(size - entry.size()), '\n'));
  return modelProblems(folder);
}

// The colour's last digit is byte number size of the file: beyond the part that is read, the
// blue comes out as 0.2 instead of 0.25.
QString
readColourEndingAt(const QString& folder, qint64 size)
{
  const QByteArray numbers = "0.5 0.5 0.25";
  fixture::writeFile(folder + "/a.vtk.color",
                     QByteArray(int(size - numbers.size()), ' ') + numbers + "\n# comment\n");
  const ColorRead read = readStructureColor(QFile::encodeName(folder + "/a.vtk").toStdString());
  return read.color[2] == 0.25 ? QString() : QStringLiteral("last digit not read");
}

QString
readPage(const QString& folder, qint64 size)
{
  writeSized(folder + "/help2.html", "<p>Help</p>", size);
  return QString::fromStdString(readPageFile(folder + "/help2.html").problem);
}

QString
readPageImage(const QString& folder, qint64 size)
{
  writeSized(folder + "/figure.png", "", size);
  return QString::fromStdString(
    readPageResource(QFile::encodeName(folder).toStdString(), QUrl("figure.png")).problem);
}

QString
readPictureFile(const QString& folder, qint64 size)
{
  writeSized(folder + "/TB.png", "", size);
  return readBoundedImage(folder + "/TB.png").problem;
}

BoundaryReader
pictureDeclaring(qint64 widthFactor, qint64 heightFactor, qint64 otherSide)
{
  return [=](const QString&, qint64 size) {
    const qint64 width = widthFactor != 0 ? size : otherSide;
    const qint64 height = heightFactor != 0 ? size : otherSide;
    return decodeBoundedImage(fixture::pngDeclaring(quint32(width), quint32(height))).problem;
  };
}

Lesson
lessonOf(int views, int nameLength = 4, int captionLength = 0)
{
  Lesson lesson;
  lesson.structureNames = QStringList{ "Incus", "Stapes" };
  for (int index = 0; index < views; ++index) {
    ViewState view;
    // Distinct names of nameLength characters.
    view.name = QString::number(index).rightJustified(nameLength, 'v');
    view.caption = QString(captionLength, 'c');
    view.structures = { { "Incus", true, 0.2 }, { "Stapes", false, 0 } };
    lesson.views.push_back(view);
  }
  return lesson;
}

// A sound lesson, padded with blanks (still JSON) to size bytes.
QString
readLessonOf(const QString& folder, qint64 size)
{
  const QByteArray json = lessonJson(lessonOf(1));
  fixture::writeFile(folder + "/class.cochlex-lesson",
                     json + QByteArray(int(size - json.size()), ' '));
  return readLessonFile(folder + "/class.cochlex-lesson").problem;
}

QString
readColorTableLine(const QString&, qint64 size)
{
  const std::string entry = "7 Malleus 10 20 30 255";
  std::istringstream input(entry + std::string(std::size_t(size) - entry.size(), ' ') + "\n");
  const makemodel::ColorTable table = makemodel::parseColorTable(input);
  return QString::fromStdString(table.problem);
}

QString
screenshotWidth(const QString&, qint64 size)
{
  const CommandLineOutcome outcome = parseCommandLine(
    { "cochlex", "--screenshot", "view.png", "--size", QStringLiteral("%1x10").arg(size) });
  return outcome.screenshot ? outcome.screenshot->problem : outcome.message;
}

QString
printedLine(const QString&, qint64 size)
{
  const std::string line(std::size_t(size), 'a');
  const std::string output = captureOutput([&line] { printLine(line); });
  return output == line + "\n" ? QString() : QStringLiteral("shortened to %1").arg(output.size());
}

// A manifest of count structures, the first named with nameLength characters: its problems.
QString
manifestProblems(qint64 count, qint64 nameLength)
{
  std::string entries;
  for (qint64 index = 0; index < count; ++index) {
    const std::string name =
      index == 0 ? std::string(std::size_t(nameLength), 'n') : "Structure " + std::to_string(index);
    entries += (index > 0 ? "," : "") + std::string(R"({"file": "s)") + std::to_string(index) +
               R"(.vtk", "name": ")" + name + R"("})";
  }
  const ModelManifest manifest = parseModelManifest(
    R"({"cochlex-model": 1, "structures": [)" + entries + "]}", "cochlex-model.json");
  QString problems;
  for (const std::string& line : manifest.problems) {
    problems += QString::fromStdString(line) + '\n';
  }
  return problems;
}

} // namespace

class LimitsTest : public QObject
{
  Q_OBJECT

  static void addBoundary(const char* what,
                          qint64 limit,
                          const BoundaryReader& reader,
                          const QString& words)
  {
    for (const qint64 size : { limit - 1, limit, limit + 1 }) {
      QTest::addRow("%s, %lld", what, size) << reader << size << words << (size > limit);
    }
  }

private slots:
  void boundaries_data()
  {
    QTest::addColumn<BoundaryReader>("reader");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QString>("refusal");
    QTest::addColumn<bool>("refused");
    addBoundary("surface bytes", 64 * megabyte, loadWithSurface, "larger than 64 MB");
    addBoundary("structure list line bytes", 4096, loadWithListLine, "longer than 4096 bytes");
    addBoundary("structure list bytes", 64 * megabyte, loadWithListOf, "larger than 64 MB");
    addBoundary("colour file bytes read", 4096, readColourEndingAt, "not read");
    addBoundary("Help page bytes", 4 * megabyte, readPage, "larger than 4 MB");
    addBoundary("page image bytes", 16 * megabyte, readPageImage, "larger than 16 MB");
    addBoundary("picture file bytes", 64 * megabyte, readPictureFile, "larger than 64 MB");
    addBoundary("picture width", 8192, pictureDeclaring(1, 0, 1), "declares");
    addBoundary("picture height", 8192, pictureDeclaring(0, 1, 1), "declares");
    // 8192 x 2048 pixels of four bytes are 64 MB decoded.
    addBoundary("picture rows of 8192 pixels", 2048, pictureDeclaring(0, 1, 8192), "declares");
    addBoundary("lesson file bytes", 2 * megabyte, readLessonOf, "larger than 2 MB");
    addBoundary(
      "lesson views",
      1000,
      [](const QString&, qint64 size) {
        return readLesson(lessonJson(lessonOf(int(size)))).problem;
      },
      "more than 1000");
    addBoundary(
      "lesson view name characters",
      200,
      [](const QString&, qint64 size) {
        return readLesson(lessonJson(lessonOf(1, int(size)))).problem;
      },
      "longer than 200");
    addBoundary(
      "lesson caption characters",
      2000,
      [](const QString&, qint64 size) {
        return readLesson(lessonJson(lessonOf(1, 4, int(size)))).problem;
      },
      "views[0].caption: longer than 2000");
    addBoundary("colour table line characters", 4096, readColorTableLine, "longer than 4096");
    addBoundary("screenshot width", 8192, screenshotWidth, "--size");
    addBoundary("printed line characters", 2000, printedLine, "shortened");
    addBoundary(
      "model structures",
      64,
      [](const QString&, qint64 size) { return manifestProblems(size, 4); },
      "the viewer shows the first 64");
    addBoundary(
      "model structure name characters",
      120,
      [](const QString&, qint64 size) { return manifestProblems(1, size); },
      "longer than 120");
  }

  void boundaries()
  {
    QFETCH(BoundaryReader, reader);
    QFETCH(qint64, size);
    QFETCH(QString, refusal);
    QFETCH(bool, refused);
    QTemporaryDir folder;
    const QString said = reader(folder.path(), size);
    QVERIFY2(said.contains(refusal) == refused, qPrintable(said.left(300)));
  }
};

COCHLEX_TEST_CLASS(LimitsTest)
#include "test_limits.moc"
