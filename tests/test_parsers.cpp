// The model files' readers on their own: structure list, colour files and the section volume;
// the brief lists of their messages.
// (Damaged surface files are replayed by test_fuzz_regressions.) No display needed.

#include "ModelFixture.h"
#include "TestDriver.h"
#include "loading/ColorFile.h"
#include "loading/Console.h"
#include "loading/LegacyPolyDataCheck.h"
#include "loading/SectionVolume.h"
#include "loading/StructureList.h"

#include <QtTest>

#include <vtkCellArray.h>
#include <vtkCellData.h>
#include <vtkFloatArray.h>
#include <vtkImageData.h>
#include <vtkNew.h>
#include <vtkPointData.h>
#include <vtkPolyData.h>

#include <sstream>

using Colour = std::array<double, 3>;

class ParsersTest : public QObject
{
  Q_OBJECT

private slots:
  // A legacy surface's point attributes, section by section: the sizes the reader would trust
  // are checked before it sees them, at their limits.
  void legacyAttributeSections_data()
  {
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QString>("problem");
    QTest::newRow("texture coordinates of 1")
      << QByteArray("TEXTURE_COORDINATES t 1 float\n0 0.5 1\n") << "";
    QTest::newRow("texture coordinates of 3")
      << QByteArray("TEXTURE_COORDINATES t 3 float\n0 0 0 0 0 0 0 0 0\n") << "";
    QTest::newRow("texture coordinates of 0")
      << QByteArray("TEXTURE_COORDINATES t 0 float\n") << "malformed dimension";
    QTest::newRow("texture coordinates of 4")
      << QByteArray("TEXTURE_COORDINATES t 4 float\n0 0 0 0 0 0 0 0 0 0 0 0\n")
      << "malformed dimension";
    QTest::newRow("scalars") << QByteArray("SCALARS s float 1\nLOOKUP_TABLE default\n0 1 2\n")
                             << "";
    QTest::newRow("scalars of 0 components")
      << QByteArray("SCALARS s float 0\nLOOKUP_TABLE default\n")
      << "malformed number of components";
    QTest::newRow("colour scalars of 0 components")
      << QByteArray("COLOR_SCALARS c 0\n") << "malformed number of components";
    QTest::newRow("normals") << QByteArray("NORMALS n float\n0 0 1 0 0 1 0 0 1\n") << "";
    QTest::newRow("an unknown section") << QByteArray("SHADOWS s float\n") << "unknown section";
  }
  void legacyAttributeSections()
  {
    QFETCH(QByteArray, section);
    QFETCH(QString, problem);
    const QByteArray file = "# vtk DataFile Version 4.2\ntriangle\nASCII\nDATASET POLYDATA\n"
                            "POINTS 3 float\n0 0 0 1 0 0 0 1 0\nPOLYGONS 1 4\n3 0 1 2\n"
                            "POINT_DATA 3\n" +
                            section;
    const QString found =
      QString::fromStdString(checkLegacyPolyData(std::string_view(file.constData(), file.size())));
    QVERIFY2(problem.isEmpty() ? found.isEmpty() : found.contains(problem), qPrintable(found));
  }

  // After the reader, every point or cell attribute must have one value per point or cell: a
  // shorter array would be read past its end when the surface is drawn.
  void attributesMatchTheirPointsAndCells_data()
  {
    QTest::addColumn<int>("pointValues");
    QTest::addColumn<int>("cellValues");
    QTest::addColumn<QString>("problem");
    QTest::newRow("one each") << 3 << 1 << "";
    QTest::newRow("a point value short")
      << 2 << 1 << "point data array Shade does not match the number of points";
    QTest::newRow("a cell value over")
      << 3 << 2 << "cell data array Shade does not match the number of cells";
  }
  void attributesMatchTheirPointsAndCells()
  {
    QFETCH(int, pointValues);
    QFETCH(int, cellValues);
    QFETCH(QString, problem);
    vtkNew<vtkPolyData> triangle;
    vtkNew<vtkPoints> points;
    points->InsertNextPoint(0, 0, 0);
    points->InsertNextPoint(1, 0, 0);
    points->InsertNextPoint(0, 1, 0);
    triangle->SetPoints(points);
    vtkNew<vtkCellArray> cells;
    const vtkIdType corners[3] = { 0, 1, 2 };
    cells->InsertNextCell(3, corners);
    triangle->SetPolys(cells);
    for (const auto& [attributes, count] :
         { std::make_pair<vtkDataSetAttributes*, int>(triangle->GetPointData(), int(pointValues)),
           std::make_pair<vtkDataSetAttributes*, int>(triangle->GetCellData(), int(cellValues)) }) {
      vtkNew<vtkFloatArray> shade;
      shade->SetName("Shade");
      shade->SetNumberOfTuples(count);
      shade->FillValue(0.5F);
      attributes->AddArray(shade);
    }
    QCOMPARE(QString::fromStdString(checkPolyDataConsistency(triangle)), problem);
  }

  // A message's list: every item up to the limit, then how many more there are.
  void listsForMessages_data()
  {
    QTest::addColumn<int>("items");
    QTest::addColumn<QString>("expected");
    QTest::newRow("none") << 0 << "";
    QTest::newRow("fewer than shown") << 3 << "i1, i2, i3";
    QTest::newRow("as many as shown") << 4 << "i1, i2, i3, i4";
    QTest::newRow("one more") << 5 << "i1, i2, i3, i4 and 1 more";
    QTest::newRow("many more") << 1000 << "i1, i2, i3, i4 and 996 more";
  }

  void listsForMessages()
  {
    QFETCH(int, items);
    QFETCH(QString, expected);
    std::vector<std::string> list;
    for (int item = 1; item <= items; ++item) {
      list.push_back("i" + std::to_string(item));
    }
    QCOMPARE(QString::fromStdString(listedBriefly(list, 4)), expected);
  }

  void structureList()
  {
    QByteArray nine;
    for (int entry = 1; entry <= 9; ++entry) {
      nine += "/s" + QByteArray::number(entry) + ".vtk\n1\n";
    }
    const QByteArray nineRead = QByteArray(nine).replace(".vtk\n1\n", ".vtk 1\n");
    const QByteArray longPath = "/" + QByteArray(4000, 'd') + "/surface.vtk";
    // What is read: "path opacity" lines, then the problem line. Spaces belong to the path; CR LF
    // line ends and trailing blank lines are accepted; a malformed entry keeps the ones before it
    // instead of looping forever.
    const std::pair<QByteArray, QByteArray> rows[] = {
      { "/J/In.vtk\n1\n/J/With space.vtk\n  0.35\n\n/J/Crlf.vtk\r\n0\r\n\n\n",
        "/J/In.vtk 1\n/J/With space.vtk 0.35\n/J/Crlf.vtk 0\n" },
      { "\n \n\t\n", "" },
      { "/a.vtk\n0.5", "/a.vtk 0.5\n" },
      { "/a.vtk\n1\n/b.vtk\nopaque\n/c.vtk\n1\n",
        "/a.vtk 1\nStructure list L: entry 2 (/b.vtk) has no readable opacity" },
      { "/a.vtk\n1\n/b.vtk\n0\n/c.vtk\n",
        "/a.vtk 1\n/b.vtk 0\nStructure list L: entry 3 (/c.vtk)" },
      { longPath + "\n0.5\n/b.vtk\n1\n", longPath + " 0.5\n/b.vtk 1\n" },
      { nine + "\n\n", nineRead },
      { nine + "/s10.vtk\n1\n/s11.vtk\n1\n",
        nineRead + "Structure list L names more than 9 structures; only the first 9 are loaded, "
                   "the rest is ignored." },
    };
    for (const auto& [text, expected] : rows) {
      std::istringstream input(text.toStdString());
      const StructureList list = parseStructureList(input, "L");
      QByteArray read;
      for (const StructureEntry& entry : list.entries) {
        read += QByteArray::fromStdString(entry.relativePath) + " " +
                QByteArray::number(entry.opacity) + "\n";
      }
      read += QByteArray::fromStdString(list.problem);
      QVERIFY2(expected.contains("Structure list") ? read.startsWith(expected) : read == expected,
               read.left(200).constData());
    }
  }

  void transparencyAndColourText()
  {
    // Tenths truncated; out-of-range opacities land on the slider's ends instead of overflowing.
    const std::pair<double, int> sliders[] = { { 0, 10 },     { 1, 0 },    { 0.3, 7 },
                                               { 0.25, 7 },   { 0.35, 6 }, { 1e300, 0 },
                                               { -1e300, 10 } };
    for (const auto& [opacity, slider] : sliders) {
      QCOMPARE(transparencySliderValue(opacity), slider);
    }
    auto colour = [](const char* text) {
      std::istringstream input(text);
      return parseStructureColor(input);
    };
    QCOMPARE(colour("\n 0.25\t0.5\n0.75"), (Colour{ 0.25, 0.5, 0.75 }));
    for (const char* text : { "1 0", "", "red green blue", "1, 0, 0" }) {
      QCOMPARE(colour(text), (Colour{ 0.7, 0.7, 0.7 }));
    }
  }

  void sectionVolume()
  {
    QTemporaryDir folder;
    const std::string path = folder.filePath("Joint/Joint.raw").toStdString();
    vtkSmartPointer<vtkImageData> image;
    auto read = [&image, &path] {
      SectionVolumeRead result = readSectionVolume(path);
      image = result.volume;
      return result;
    };
    auto voxel = [&image](int i, int j, int k) {
      return int(*static_cast<unsigned char*>(image->GetScalarPointer(i, j, k)));
    };
    // File order is VTK's point order: x fastest, then y, then z.
    auto coded = [](int i, int j, int k) { return std::uint8_t(i * 7 + j * 3 + k * 11); };
    fixture::writeVolume(folder.path(), coded);
    QCOMPARE(read().bytesRead, sectionVolumeByteCount);
    QCOMPARE(image->GetSpacing()[2], 0.02);
    for (const auto& [i, j, k] : { std::array{ 747, 0, 0 }, { 5, 551, 0 }, { 100, 200, 114 } }) {
      QCOMPARE(voxel(i, j, k), int(coded(i, j, k)));
    }
    // One byte short: the voxel it does not reach is 0. Longer: only the volume's bytes count.
    auto white = [](int, int, int) { return std::uint8_t(255); };
    fixture::writeVolume(folder.path(), white, sectionVolumeByteCount - 1);
    const SectionVolumeRead shortRead = read();
    QCOMPARE(shortRead.bytesRead, sectionVolumeByteCount - 1);
    QCOMPARE(shortRead.problem, "numread: " + std::to_string(sectionVolumeByteCount - 1));
    QVERIFY(voxel(747, 551, 114) == 0 && voxel(746, 551, 114) == 255);
    fixture::writeVolume(folder.path(), white, sectionVolumeByteCount + 1000);
    const SectionVolumeRead longRead = read();
    QCOMPARE(longRead.bytesRead, sectionVolumeByteCount);
    QVERIFY(longRead.problem.empty());
    // A folder in its place: not opened, no volume, the console line names it.
    QVERIFY(QDir(folder.path()).mkpath("Folder.raw"));
    const std::string folderPath = folder.filePath("Folder.raw").toStdString();
    const SectionVolumeRead refused = readSectionVolume(folderPath);
    QVERIFY(refused.volume == nullptr);
    QCOMPARE(refused.problem, "Error while loading data from file " + folderPath + ".");
  }
};

COCHLEX_TEST_CLASS(ParsersTest)
#include "test_parsers.moc"
