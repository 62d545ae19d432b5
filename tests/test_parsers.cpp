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

#include <vtkCellArray.h>
#include <vtkImageData.h>
#include <vtkNew.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkPolyDataWriter.h>
#include <vtkSphereSource.h>

#include <regex>
#include <sstream>
#include <string>

namespace {

StructureList
parseText(const std::string& text)
{
  std::istringstream input(text);
  return parseStructureList(input, "/model/Joint_transformed.txt");
}

std::array<double, 3>
colorOf(const std::string& text)
{
  std::istringstream input(text);
  return parseStructureColor(input);
}

// A small sphere in the legacy format: version 5.1 (offsets and connectivity) or 4.2 (flat
// cell lists), ASCII or binary.
std::string
sphereFile(bool binary, bool legacyCells)
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
  if (binary) {
    writer->SetFileTypeToBinary();
  } else {
    writer->SetFileTypeToASCII();
  }
  writer->Write();
  return writer->GetOutputStdString();
}

std::string
writeTemporary(const QTemporaryDir& folder, const std::string& name, const std::string& bytes)
{
  const QString path = folder.filePath(QString::fromStdString(name));
  fixture::writeFile(path, QByteArray(bytes.data(), int(bytes.size())));
  return path.toStdString();
}

// Byte offset just after a header line of the file, e.g. "CONNECTIVITY vtktypeint64\n".
std::size_t
after(const std::string& file, const std::string& line)
{
  const std::size_t position = file.find(line);
  return position == std::string::npos ? position : position + line.size();
}

} // namespace

class ParsersTest : public QObject
{
  Q_OBJECT

private slots:
  void structureListReadsEntriesInOrder();
  void structureListTakesLinesOfAnyLength();
  void structureListStopsAtAMalformedOpacity();
  void structureListLoadsNineEntriesAtMost();
  void sliderValueIsTruncatedTransparency();
  void colorFileGivesThreeNumbersOrGrey();

  void soundSurfacesPassTheChecks_data();
  void soundSurfacesPassTheChecks();
  void damagedSurfacesAreRejectedBeforeReading_data();
  void damagedSurfacesAreRejectedBeforeReading();
  void cellsOutsideThePointsAreRejectedAfterReading();
  void readerComplaintsRejectTheSurface();
  void missingSurfaceGivesEmptyGeometry();

  void volumeIsReadIntoTheImage();
  void shortLongAndMissingVolumes();
};

void
ParsersTest::structureListReadsEntriesInOrder()
{
  // Trailing empty lines add no entry; spaces belong to the path; CR LF line ends are accepted.
  const StructureList list =
    parseText("/Joint/Incus.vtk\n1\n/Joint/With space.vtk\n  0.35\n\n/Joint/Crlf.vtk\r\n0\r\n\n\n");
  QCOMPARE(int(list.entries.size()), 3);
  QCOMPARE(list.entries[0].relativePath, std::string("/Joint/Incus.vtk"));
  QCOMPARE(list.entries[0].opacity, 1.0);
  QCOMPARE(list.entries[1].relativePath, std::string("/Joint/With space.vtk"));
  QCOMPARE(list.entries[1].opacity, 0.35);
  QCOMPARE(list.entries[2].relativePath, std::string("/Joint/Crlf.vtk"));
  QCOMPARE(list.entries[2].opacity, 0.0);
  QVERIFY(list.problem.empty());

  QVERIFY(parseText("").entries.empty());
  QVERIFY(parseText("").problem.empty());
  QVERIFY(parseText("\n \n\t\n").entries.empty());
  // Opacity on the line's end, without a final newline.
  QCOMPARE(int(parseText("/a.vtk\n0.5").entries.size()), 1);
}

void
ParsersTest::structureListTakesLinesOfAnyLength()
{
  const std::string longPath = "/" + std::string(5000, 'd') + "/surface.vtk";
  const StructureList list = parseText(longPath + "\n0.5\n/b.vtk\n1\n");
  QCOMPARE(int(list.entries.size()), 2);
  QCOMPARE(list.entries[0].relativePath, longPath);
  QCOMPARE(list.entries[1].relativePath, std::string("/b.vtk"));
}

void
ParsersTest::structureListStopsAtAMalformedOpacity()
{
  // Not a number: the entries before it stay, the line names the list and the entry.
  StructureList list = parseText("/a.vtk\n1\n/b.vtk\nopaque\n/c.vtk\n1\n");
  QCOMPARE(int(list.entries.size()), 1);
  QCOMPARE(list.entries[0].relativePath, std::string("/a.vtk"));
  QVERIFY(list.problem.find("/model/Joint_transformed.txt") != std::string::npos);
  QVERIFY(list.problem.find("entry 2 (/b.vtk)") != std::string::npos);

  // Missing opacity at the end of the file.
  list = parseText("/a.vtk\n1\n/b.vtk\n0\n/c.vtk\n");
  QCOMPARE(int(list.entries.size()), 2);
  QVERIFY(list.problem.find("entry 3 (/c.vtk)") != std::string::npos);

  // A list that starts with a number has no path: nothing is loaded.
  list = parseText("0.5\n");
  QCOMPARE(int(list.entries.size()), 0);
  QVERIFY(list.problem.find("entry 1") != std::string::npos);
}

void
ParsersTest::structureListLoadsNineEntriesAtMost()
{
  std::string text;
  for (int entry = 1; entry <= 11; ++entry) {
    text += "/s" + std::to_string(entry) + ".vtk\n1\n";
    if (entry == 9) {
      QCOMPARE(int(parseText(text + "\n\n").entries.size()), 9);
      QVERIFY(parseText(text + "\n\n").problem.empty());
    }
  }
  const StructureList list = parseText(text);
  QCOMPARE(int(list.entries.size()), 9);
  QCOMPARE(list.entries[8].relativePath, std::string("/s9.vtk"));
  QVERIFY(list.problem.find("/model/Joint_transformed.txt") != std::string::npos);
  QVERIFY(list.problem.find("ignored") != std::string::npos);
}

void
ParsersTest::sliderValueIsTruncatedTransparency()
{
  QCOMPARE(transparencySliderValue(0.0), 10);
  QCOMPARE(transparencySliderValue(1.0), 0);
  QCOMPARE(transparencySliderValue(0.3), 7);
  QCOMPARE(transparencySliderValue(0.25), 7);
  QCOMPARE(transparencySliderValue(0.35), 6);
  // Out of range opacities land on the slider's ends instead of overflowing.
  QCOMPARE(transparencySliderValue(1e300), 0);
  QCOMPARE(transparencySliderValue(-1e300), 10);
}

void
ParsersTest::colorFileGivesThreeNumbersOrGrey()
{
  const std::array<double, 3> grey = { 0.7, 0.7, 0.7 };
  QCOMPARE(colorOf("1 0 0"), (std::array<double, 3>{ 1, 0, 0 }));
  QCOMPARE(colorOf("1 1 0 trailing text\nmore"), (std::array<double, 3>{ 1, 1, 0 }));
  QCOMPARE(colorOf("\n 0.25\t0.5\n0.75"), (std::array<double, 3>{ 0.25, 0.5, 0.75 }));
  QCOMPARE(colorOf("1 0"), grey);
  QCOMPARE(colorOf(""), grey);
  QCOMPARE(colorOf("red green blue"), grey);
  QCOMPARE(colorOf("1, 0, 0"), grey);

  QTemporaryDir folder;
  const std::string surface = folder.filePath("surface.vtk").toStdString();
  QCOMPARE(readStructureColor(surface), grey);
  writeTemporary(folder, "surface.vtk.color", "0 0 1\n");
  QCOMPARE(readStructureColor(surface), (std::array<double, 3>{ 0, 0, 1 }));
}

void
ParsersTest::soundSurfacesPassTheChecks_data()
{
  QTest::addColumn<bool>("binary");
  QTest::addColumn<bool>("legacyCells");
  QTest::newRow("ascii 5.1") << false << false;
  QTest::newRow("binary 5.1") << true << false;
  QTest::newRow("ascii 4.2") << false << true;
  QTest::newRow("binary 4.2") << true << true;
}

void
ParsersTest::soundSurfacesPassTheChecks()
{
  QFETCH(bool, binary);
  QFETCH(bool, legacyCells);
  const std::string file = sphereFile(binary, legacyCells);
  QCOMPARE(checkLegacyPolyData(file), std::string());

  QTemporaryDir folder;
  std::string problem = "unset";
  vtkSmartPointer<vtkPolyData> surface =
    readCheckedPolyData(writeTemporary(folder, "sphere.vtk", file), problem);
  QCOMPARE(problem, std::string());
  QCOMPARE(surface->GetNumberOfPoints(), vtkIdType(8 * 6 + 2));
  QVERIFY(surface->GetNumberOfPolys() > 0);
  QCOMPARE(checkPolyDataConsistency(surface), std::string());

  // The fixture's own surfaces pass as well.
  fixture::writeStructureFiles(folder.path(), fixture::standardStructures().front());
  const std::string fixturePath =
    (folder.path() + fixture::standardStructures().front().relativePath).toStdString();
  QCOMPARE(checkLegacyPolyDataFile(fixturePath), std::string());
}

void
ParsersTest::damagedSurfacesAreRejectedBeforeReading_data()
{
  QTest::addColumn<QByteArray>("contents");
  QTest::addColumn<QString>("expected");

  const std::string ascii = sphereFile(false, false);
  const std::string binary = sphereFile(true, false);
  const std::string asciiLegacy = sphereFile(false, true);
  const std::string binaryLegacy = sphereFile(true, true);
  auto bytes = [](const std::string& text) { return QByteArray(text.data(), int(text.size())); };
  auto replaced = [](std::string text, const std::string& pattern, const std::string& by) {
    return std::regex_replace(
      text, std::regex(pattern), by, std::regex_constants::format_first_only);
  };

  QTest::newRow("empty") << QByteArray() << "empty";
  QTest::newRow("not vtk") << QByteArray("solid sphere\nfacet normal 0 0 1\n") << "first line";
  // VTK 9.1's reader crashes on this one: it falls back to the old cell layout.
  QTest::newRow("binary version j.1")
    << bytes(replaced(binary, "Version 5\\.1", "Version j.1")) << "version line";
  QTest::newRow("version only") << QByteArray("# vtk DataFile Version 3.0\n") << "version line";
  QTest::newRow("unknown format") << bytes(replaced(ascii, "\nASCII\n", "\nTEXT\n"))
                                  << "neither ASCII nor BINARY";
  QTest::newRow("structured points")
    << QByteArray("# vtk DataFile Version 3.0\nt\nASCII\nDATASET STRUCTURED_POINTS\n")
    << "polygonal data";
  QTest::newRow("ascii huge point count")
    << bytes(replaced(ascii, "POINTS \\d+", "POINTS 99999999999")) << "POINTS declares";
  QTest::newRow("binary huge point count")
    << bytes(replaced(binary, "POINTS \\d+", "POINTS 99999999999")) << "POINTS declares";
  QTest::newRow("binary huge polygon count")
    << bytes(replaced(binary, "POLYGONS \\d+ \\d+", "POLYGONS 999999999 9999999999"))
    << "POLYGONS OFFSETS declares";
  QTest::newRow("binary truncated") << bytes(binary.substr(0, binary.size() / 2)) << "declares";
  QTest::newRow("binary 4.2 truncated")
    << bytes(binaryLegacy.substr(0, binaryLegacy.size() / 2)) << "POLYGONS declares";
  QTest::newRow("ascii truncated") << bytes(ascii.substr(0, ascii.size() / 2)) << "declares";
  // The old layout is converted by the reader without checks: a wrong cell size overruns it.
  const std::size_t firstCell = asciiLegacy.find('\n', asciiLegacy.find("POLYGONS")) + 1;
  std::string cellTooLarge = asciiLegacy;
  cellTooLarge.replace(firstCell, 1, "4000000");
  QTest::newRow("4.2 cell size too large") << bytes(cellTooLarge) << "size does not fit";
  std::string idOutOfRange = asciiLegacy;
  const std::size_t firstId = firstCell + 2;
  idOutOfRange.replace(firstId, idOutOfRange.find(' ', firstId) - firstId, "777");
  QTest::newRow("4.2 point id out of range") << bytes(idOutOfRange) << "refers to point 777";
  QTest::newRow("binary read as old layout")
    << bytes(replaced(binary, "Version 5\\.1", "Version 4.2")) << "POLYGONS";
  QTest::newRow("point data count")
    << bytes(replaced(ascii, "POINT_DATA \\d+", "POINT_DATA 99999999999")) << "POINT_DATA";
  QTest::newRow("unknown section")
    << bytes(replaced(ascii, "POLYGONS", "POLYGLOTS")) << "unknown section \"polyglots\"";
}

void
ParsersTest::damagedSurfacesAreRejectedBeforeReading()
{
  QFETCH(QByteArray, contents);
  QFETCH(QString, expected);
  const std::string problem =
    checkLegacyPolyData(std::string_view(contents.constData(), std::size_t(contents.size())));
  QVERIFY2(problem.find(expected.toStdString()) != std::string::npos, problem.c_str());

  QTemporaryDir folder;
  std::string readProblem;
  vtkSmartPointer<vtkPolyData> surface =
    readCheckedPolyData(writeTemporary(folder, "damaged.vtk", contents.toStdString()), readProblem);
  QCOMPARE(readProblem, problem);
  QVERIFY(surface != nullptr);
  QCOMPARE(surface->GetNumberOfPoints(), vtkIdType(0));
  QCOMPARE(surface->GetNumberOfCells(), vtkIdType(0));
}

void
ParsersTest::cellsOutsideThePointsAreRejectedAfterReading()
{
  // Offsets and connectivity are only read by the reader, so their values are checked on its
  // output: both a point id and an offset beyond the arrays.
  const std::string binary = sphereFile(true, false);
  const std::size_t connectivity = after(binary, "CONNECTIVITY vtktypeint64\n");
  const std::size_t offsets = after(binary, "OFFSETS vtktypeint64\n");
  QVERIFY(connectivity != std::string::npos && offsets != std::string::npos);
  const std::string bigEndianHuge("\x00\x00\x00\x00\x7f\x00\x00\x00", 8);

  std::string badId = binary;
  badId.replace(connectivity, 8, bigEndianHuge);
  std::string badOffset = binary;
  badOffset.replace(offsets + 8, 8, bigEndianHuge);

  QTemporaryDir folder;
  std::string problem;
  vtkSmartPointer<vtkPolyData> surface =
    readCheckedPolyData(writeTemporary(folder, "id.vtk", badId), problem);
  QVERIFY2(problem.find("refer to point 2130706432") != std::string::npos, problem.c_str());
  QCOMPARE(surface->GetNumberOfCells(), vtkIdType(0));

  surface = readCheckedPolyData(writeTemporary(folder, "offset.vtk", badOffset), problem);
  QVERIFY2(problem.find("offsets") != std::string::npos, problem.c_str());
  QCOMPARE(surface->GetNumberOfCells(), vtkIdType(0));

  // Built by hand: a triangle naming a fourth point that does not exist.
  vtkNew<vtkPolyData> triangle;
  vtkNew<vtkPoints> points;
  points->InsertNextPoint(0, 0, 0);
  points->InsertNextPoint(1, 0, 0);
  points->InsertNextPoint(0, 1, 0);
  triangle->SetPoints(points);
  vtkNew<vtkCellArray> polygons;
  const vtkIdType ids[] = { 0, 1, 3 };
  polygons->InsertNextCell(3, ids);
  triangle->SetPolys(polygons);
  QVERIFY(checkPolyDataConsistency(triangle).find("refer to point 3") != std::string::npos);
}

void
ParsersTest::readerComplaintsRejectTheSurface()
{
  // A damaged number passes the structural walk (the count of values is right) but derails
  // the reader, which then complains; its complaint becomes the problem.
  std::string ascii = sphereFile(false, false);
  const std::size_t firstCoordinate = after(ascii, "POINTS 50 float\n");
  QVERIFY(firstCoordinate != std::string::npos);
  ascii.insert(firstCoordinate + 1, "x");
  QCOMPARE(checkLegacyPolyData(ascii), std::string());

  QTemporaryDir folder;
  std::string problem;
  vtkSmartPointer<vtkPolyData> surface =
    readCheckedPolyData(writeTemporary(folder, "derailed.vtk", ascii), problem);
  QVERIFY2(problem.rfind("the reader reported", 0) == 0, problem.c_str());
  QCOMPARE(surface->GetNumberOfPoints(), vtkIdType(0));
}

void
ParsersTest::missingSurfaceGivesEmptyGeometry()
{
  QTemporaryDir folder;
  std::string problem;
  vtkSmartPointer<vtkPolyData> surface =
    readCheckedPolyData(folder.filePath("absent.vtk").toStdString(), problem);
  QCOMPARE(problem, std::string("the file cannot be opened"));
  QCOMPARE(surface->GetNumberOfPoints(), vtkIdType(0));
}

void
ParsersTest::volumeIsReadIntoTheImage()
{
  QTemporaryDir folder;
  fixture::writeVolume(folder.path(),
                       [](int i, int j, int k) { return std::uint8_t(i * 7 + j * 3 + k * 11); });
  vtkNew<vtkImageData> image;
  const SectionVolumeRead read =
    readSectionVolume(folder.filePath("Joint/Joint.raw").toStdString(), image);
  QVERIFY(read.opened);
  QCOMPARE(read.bytesRead, sectionVolumeByteCount);

  int dimensions[3];
  image->GetDimensions(dimensions);
  QCOMPARE(dimensions[0], 748);
  QCOMPARE(dimensions[1], 552);
  QCOMPARE(dimensions[2], 115);
  QCOMPARE(image->GetSpacing()[0], 0.0127);
  QCOMPARE(image->GetSpacing()[1], 0.0127);
  QCOMPARE(image->GetSpacing()[2], 0.02);
  QCOMPARE(image->GetOrigin()[2], 0.0);
  QCOMPARE(image->GetScalarType(), VTK_UNSIGNED_CHAR);
  QCOMPARE(image->GetNumberOfScalarComponents(), 1);
  // File order is VTK's point order: x fastest, then y, then z.
  const int samples[][3] = { { 0, 0, 0 }, { 747, 0, 0 }, { 5, 551, 0 }, { 100, 200, 114 } };
  for (const auto& voxel : samples) {
    const auto* value =
      static_cast<unsigned char*>(image->GetScalarPointer(voxel[0], voxel[1], voxel[2]));
    QCOMPARE(int(*value), (voxel[0] * 7 + voxel[1] * 3 + voxel[2] * 11) % 256);
  }
}

void
ParsersTest::shortLongAndMissingVolumes()
{
  QTemporaryDir folder;
  const std::string path = folder.filePath("Joint/Joint.raw").toStdString();
  auto white = [](int, int, int) { return std::uint8_t(255); };

  // One byte short: the count read, and the uncovered voxel is 0.
  fixture::writeVolume(folder.path(), white, sectionVolumeByteCount - 1);
  vtkNew<vtkImageData> shortImage;
  SectionVolumeRead read = readSectionVolume(path, shortImage);
  QVERIFY(read.opened);
  QCOMPARE(read.bytesRead, std::int64_t(47483039));
  QCOMPARE(int(*static_cast<unsigned char*>(shortImage->GetScalarPointer(747, 551, 114))), 0);
  QCOMPARE(int(*static_cast<unsigned char*>(shortImage->GetScalarPointer(746, 551, 114))), 255);

  // Longer: only the volume's bytes are used.
  fixture::writeVolume(folder.path(), white, sectionVolumeByteCount + 1000);
  vtkNew<vtkImageData> longImage;
  read = readSectionVolume(path, longImage);
  QCOMPARE(read.bytesRead, sectionVolumeByteCount);

  // Empty file: opened, nothing read.
  fixture::writeFile(QString::fromStdString(path), QByteArray());
  vtkNew<vtkImageData> emptyImage;
  read = readSectionVolume(path, emptyImage);
  QVERIFY(read.opened);
  QCOMPARE(read.bytesRead, std::int64_t(0));

  // Missing, or a folder in its place: not opened, image untouched.
  vtkNew<vtkImageData> untouched;
  read = readSectionVolume(folder.filePath("absent.raw").toStdString(), untouched);
  QVERIFY(!read.opened);
  QCOMPARE(untouched->GetNumberOfPoints(), vtkIdType(0));
  QVERIFY(QDir(folder.path()).mkpath("Folder.raw"));
  read = readSectionVolume(folder.filePath("Folder.raw").toStdString(), untouched);
  QVERIFY(!read.opened);
}

QTEST_APPLESS_MAIN(ParsersTest)
#include "test_parsers.moc"
