// The model files' readers on their own: structure list, colour files, the surface checks and
// the section volume. No display needed.

#include "ModelFixture.h"
#include "loading/ColorFile.h"
#include "loading/LegacyPolyDataCheck.h"
#include "loading/SectionVolume.h"
#include "loading/StructureList.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <vtkImageData.h>
#include <vtkNew.h>
#include <vtkPolyData.h>
#include <vtkPolyDataWriter.h>
#include <vtkSphereSource.h>

#include <regex>
#include <sstream>

namespace {

// A small sphere in the legacy format: version 5.1 (offsets and connectivity) or 4.2 (flat
// cell lists), ASCII or binary.
QByteArray
sphereFile(bool binary, bool legacyCells = false)
{
  vtkNew<vtkSphereSource> sphere;
  sphere->SetThetaResolution(8);
  sphere->SetPhiResolution(8);
  vtkNew<vtkPolyDataWriter> writer;
  writer->SetInputConnection(sphere->GetOutputPort());
  writer->WriteToOutputStringOn();
  if (legacyCells) {
    writer->SetFileVersion(vtkPolyDataWriter::VTK_LEGACY_READER_VERSION_4_2);
  }
  writer->SetFileType(binary ? VTK_BINARY : VTK_ASCII);
  writer->Write();
  return QByteArray::fromStdString(writer->GetOutputStdString());
}

QByteArray
replaced(const QByteArray& file, const char* pattern, const char* by)
{
  return QByteArray::fromStdString(std::regex_replace(
    file.toStdString(), std::regex(pattern), by, std::regex_constants::format_first_only));
}

// Reads contents from a file through every check, as the viewer does.
vtkSmartPointer<vtkPolyData>
readChecked(const QByteArray& contents, std::string& problem)
{
  QTemporaryDir folder;
  fixture::writeFile(folder.filePath("surface.vtk"), contents);
  return readCheckedPolyData(folder.filePath("surface.vtk").toStdString(), problem);
}

} // namespace

class ParsersTest : public QObject
{
  Q_OBJECT

private slots:
  void structureList_data();
  void structureList();
  void transparencyAndColourText();
  void surfaceFiles_data();
  void surfaceFiles();
  void filesOnDisk();
};

void
ParsersTest::structureList_data()
{
  QTest::addColumn<QByteArray>("text");
  QTest::addColumn<QByteArray>("entries"); // "path opacity" lines
  QTest::addColumn<QByteArray>("problem"); // part of the problem line; empty: none
  auto row = [](const char* name, QByteArray text, QByteArray entries, const char* problem = "") {
    QTest::newRow(name) << text << entries << QByteArray(problem);
  };

  // Spaces belong to the path; CR LF line ends and trailing blank lines are accepted.
  row("regular",
      "/J/Incus.vtk\n1\n/J/With space.vtk\n  0.35\n\n/J/Crlf.vtk\r\n0\r\n\n\n",
      "/J/Incus.vtk 1\n/J/With space.vtk 0.35\n/J/Crlf.vtk 0\n");
  row("empty", "", "");
  row("blank", "\n \n\t\n", "");
  row("no final newline", "/a.vtk\n0.5", "/a.vtk 0.5\n");
  const QByteArray longPath = "/" + QByteArray(5000, 'd') + "/surface.vtk";
  row("long line", longPath + "\n0.5\n/b.vtk\n1\n", longPath + " 0.5\n/b.vtk 1\n");
  // A malformed entry keeps the ones before it instead of looping forever.
  row("not a number",
      "/a.vtk\n1\n/b.vtk\nopaque\n/c.vtk\n1\n",
      "/a.vtk 1\n",
      "entry 2 (/b.vtk) has no readable opacity");
  row("missing opacity",
      "/a.vtk\n1\n/b.vtk\n0\n/c.vtk\n",
      "/a.vtk 1\n/b.vtk 0\n",
      "entry 3 (/c.vtk)");
  row("number first", "0.5\n", "", "entry 1");
  QByteArray nine, nineEntries;
  for (int entry = 1; entry <= 9; ++entry) {
    nine += "/s" + QByteArray::number(entry) + ".vtk\n1\n";
    nineEntries += "/s" + QByteArray::number(entry) + ".vtk 1\n";
  }
  row("nine", nine + "\n\n", nineEntries);
  row("eleven",
      nine + "/s10.vtk\n1\n/s11.vtk\n1\n",
      nineEntries,
      "only the first 9 are loaded, the rest is ignored");
}

void
ParsersTest::structureList()
{
  QFETCH(QByteArray, text);
  QFETCH(QByteArray, entries);
  QFETCH(QByteArray, problem);
  std::istringstream input(text.toStdString());
  const StructureList list = parseStructureList(input, "/model/Joint_transformed.txt");
  QByteArray parsed;
  for (const StructureEntry& entry : list.entries) {
    parsed += QByteArray::fromStdString(entry.relativePath) + " " +
              QByteArray::number(entry.opacity) + "\n";
  }
  QCOMPARE(parsed, entries);
  if (problem.isEmpty()) {
    QCOMPARE(list.problem, std::string());
  } else {
    QVERIFY2(list.problem.find("Structure list /model/Joint_transformed.txt") == 0 &&
               list.problem.find(problem.toStdString()) != std::string::npos,
             list.problem.c_str());
  }
}

void
ParsersTest::transparencyAndColourText()
{
  // Tenths truncated; out-of-range opacities land on the slider's ends instead of overflowing.
  const std::pair<double, int> sliders[] = { { 0, 10 },   { 1, 0 },     { 0.3, 7 },    { 0.25, 7 },
                                             { 0.35, 6 }, { 1e300, 0 }, { -1e300, 10 } };
  for (const auto& [opacity, slider] : sliders) {
    QCOMPARE(transparencySliderValue(opacity), slider);
  }

  using Colour = std::array<double, 3>;
  const Colour grey = { 0.7, 0.7, 0.7 };
  const std::pair<const char*, Colour> colours[] = {
    { "1 0 0", { 1, 0, 0 } },
    { "1 1 0 trailing text\nmore", { 1, 1, 0 } },
    { "\n 0.25\t0.5\n0.75", { 0.25, 0.5, 0.75 } },
    { "1 0", grey },
    { "", grey },
    { "red green blue", grey },
    { "1, 0, 0", grey },
  };
  for (const auto& [text, colour] : colours) {
    std::istringstream input(text);
    QCOMPARE(parseStructureColor(input), colour);
  }
}

void
ParsersTest::surfaceFiles_data()
{
  QTest::addColumn<QByteArray>("contents");
  QTest::addColumn<QByteArray>("expected"); // part of the problem; empty: a sound file

  const QByteArray ascii = sphereFile(false);
  const QByteArray binary = sphereFile(true);
  const QByteArray asciiLegacy = sphereFile(false, true);
  const QByteArray binaryLegacy = sphereFile(true, true);
  auto row = [](const char* name, const QByteArray& contents, const char* expected) {
    QTest::newRow(name) << contents << QByteArray(expected);
  };
  row("ascii 5.1", ascii, "");
  row("binary 5.1", binary, "");
  row("ascii 4.2", asciiLegacy, "");
  row("binary 4.2", binaryLegacy, "");

  row("empty", QByteArray(), "empty");
  row("not vtk", QByteArray("solid sphere\nfacet normal 0 0 1\n"), "first line");
  // VTK 9.1's reader crashes on this one.
  row("binary j.1", replaced(binary, "Version 5\\.1", "Version j.1"), "version line");
  row("version only", QByteArray("# vtk DataFile Version 3.0\n"), "version line");
  row("format", replaced(ascii, "\nASCII\n", "\nTEXT\n"), "neither ASCII nor BINARY");
  row("structured points",
      QByteArray("# vtk DataFile Version 3.0\nt\nASCII\nDATASET STRUCTURED_POINTS\n"),
      "polygonal data");
  row("ascii points", replaced(ascii, "POINTS \\d+", "POINTS 99999999999"), "POINTS declares");
  row("binary points", replaced(binary, "POINTS \\d+", "POINTS 99999999999"), "POINTS declares");
  row("binary polygons",
      replaced(binary, "POLYGONS \\d+ \\d+", "POLYGONS 999999999 9999999999"),
      "POLYGONS OFFSETS declares");
  row("binary truncated", binary.left(binary.size() / 2), "declares");
  row("binary 4.2 truncated", binaryLegacy.left(binaryLegacy.size() / 2), "POLYGONS declares");
  row("ascii truncated", ascii.left(ascii.size() / 2), "declares");
  // The reader converts the old cell layout unchecked: a wrong cell size overruns it.
  const int cell = asciiLegacy.indexOf('\n', asciiLegacy.indexOf("POLYGONS")) + 1;
  row("4.2 cell size", QByteArray(asciiLegacy).replace(cell, 1, "4000000"), "size does not fit");
  const int id = cell + 2;
  row("4.2 point id",
      QByteArray(asciiLegacy).replace(id, asciiLegacy.indexOf(' ', id) - id, "777"),
      "refers to point 777");
  row("binary as 4.2", replaced(binary, "Version 5\\.1", "Version 4.2"), "POLYGONS");
  row("point data", replaced(ascii, "POINT_DATA \\d+", "POINT_DATA 99999999999"), "POINT_DATA");
  row("unknown section", replaced(ascii, "POLYGONS", "POLYGLOTS"), "unknown section \"polyglots\"");

  // Caught on the reader's output: offsets and point ids are only read by the reader, and a
  // damaged number keeps the count of values right but derails the reader.
  const QByteArray huge("\x00\x00\x00\x00\x7f\x00\x00\x00", 8);
  const QByteArray ids = "CONNECTIVITY vtktypeint64\n";
  const QByteArray offsets = "OFFSETS vtktypeint64\n";
  const QByteArray points = "POINTS 50 float\n";
  row("5.1 point id",
      QByteArray(binary).replace(binary.indexOf(ids) + ids.size(), 8, huge),
      "refer to point 2130706432");
  row("5.1 offset",
      QByteArray(binary).replace(binary.indexOf(offsets) + offsets.size() + 8, 8, huge),
      "offsets");
  // The reader would stop inside such a token and go on out of step with the file.
  row("letter glued to a value",
      QByteArray(ascii).insert(ascii.indexOf(points) + points.size() + 1, 'x'),
      "which is not a float value");
}

void
ParsersTest::surfaceFiles()
{
  QFETCH(QByteArray, contents);
  QFETCH(QByteArray, expected);
  const std::string checked = checkLegacyPolyData(contents.toStdString());
  std::string problem = "unset";
  vtkSmartPointer<vtkPolyData> surface = readChecked(contents, problem);
  QVERIFY(surface != nullptr);
  if (expected.isEmpty()) {
    QCOMPARE(problem, std::string());
    QCOMPARE(surface->GetNumberOfPoints(), vtkIdType(8 * 6 + 2));
    QVERIFY(surface->GetNumberOfPolys() > 0);
    return;
  }
  QVERIFY2(problem.find(expected.toStdString()) != std::string::npos, problem.c_str());
  QVERIFY(checked.empty() || checked == problem);
  QCOMPARE(surface->GetNumberOfPoints(), vtkIdType(0));
  QCOMPARE(surface->GetNumberOfCells(), vtkIdType(0));
}

void
ParsersTest::filesOnDisk()
{
  QTemporaryDir folder;
  const std::string surface = folder.filePath("surface.vtk").toStdString();
  QCOMPARE(readStructureColor(surface), (std::array<double, 3>{ 0.7, 0.7, 0.7 }));
  fixture::writeFile(folder.filePath("surface.vtk.color"), "0 0 1\n");
  QCOMPARE(readStructureColor(surface), (std::array<double, 3>{ 0, 0, 1 }));
  std::string problem;
  QCOMPARE(
    readCheckedPolyData(folder.filePath("absent.vtk").toStdString(), problem)->GetNumberOfPoints(),
    vtkIdType(0));
  QCOMPARE(problem, std::string("the file cannot be opened"));

  // File order is VTK's point order: x fastest, then y, then z.
  auto coded = [](int i, int j, int k) { return std::uint8_t(i * 7 + j * 3 + k * 11); };
  fixture::writeVolume(folder.path(), coded);
  const std::string path = folder.filePath("Joint/Joint.raw").toStdString();
  vtkNew<vtkImageData> image;
  SectionVolumeRead read = readSectionVolume(path, image);
  QVERIFY(read.opened);
  QCOMPARE(read.bytesRead, sectionVolumeByteCount);
  QCOMPARE(QVector<int>(image->GetDimensions(), image->GetDimensions() + 3),
           (QVector<int>{ 748, 552, 115 }));
  QCOMPARE(QVector<double>(image->GetSpacing(), image->GetSpacing() + 3),
           (QVector<double>{ 0.0127, 0.0127, 0.02 }));
  QCOMPARE(image->GetScalarType(), VTK_UNSIGNED_CHAR);
  QCOMPARE(image->GetNumberOfScalarComponents(), 1);
  auto voxel = [](vtkImageData* image, int i, int j, int k) {
    return int(*static_cast<unsigned char*>(image->GetScalarPointer(i, j, k)));
  };
  const int samples[][3] = { { 0, 0, 0 }, { 747, 0, 0 }, { 5, 551, 0 }, { 100, 200, 114 } };
  for (const auto& [i, j, k] : samples) {
    QCOMPARE(voxel(image, i, j, k), int(coded(i, j, k)));
  }

  // One byte short: the voxel it does not reach is 0. Longer: only the volume's bytes count.
  auto white = [](int, int, int) { return std::uint8_t(255); };
  fixture::writeVolume(folder.path(), white, sectionVolumeByteCount - 1);
  read = readSectionVolume(path, image);
  QCOMPARE(read.bytesRead, std::int64_t(47483039));
  QCOMPARE(voxel(image, 747, 551, 114), 0);
  QCOMPARE(voxel(image, 746, 551, 114), 255);
  fixture::writeVolume(folder.path(), white, sectionVolumeByteCount + 1000);
  QCOMPARE(readSectionVolume(path, image).bytesRead, sectionVolumeByteCount);
  fixture::writeFile(QString::fromStdString(path), QByteArray());
  read = readSectionVolume(path, image);
  QVERIFY(read.opened);
  QCOMPARE(read.bytesRead, std::int64_t(0));

  // Missing, or a folder in its place: not opened, image untouched.
  vtkNew<vtkImageData> untouched;
  QVERIFY(!readSectionVolume(folder.filePath("absent.raw").toStdString(), untouched).opened);
  QVERIFY(QDir(folder.path()).mkpath("Folder.raw"));
  QVERIFY(!readSectionVolume(folder.filePath("Folder.raw").toStdString(), untouched).opened);
  QCOMPARE(untouched->GetNumberOfPoints(), vtkIdType(0));
}

QTEST_APPLESS_MAIN(ParsersTest)
#include "test_parsers.moc"
