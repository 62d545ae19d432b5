// The section volume a model manifest describes, without a window: each bad value of its entry is
// one line and leaves the rest of the model in use; a file shorter than its grid is refused at
// load; a folder whose manifest has no volume entry reads the fixed grid as it always did.

#include "ModelFixture.h"
#include "TestDriver.h"
#include "loading/ModelManifest.h"
#include "loading/TeachingModel.h"

#include <vtkImageData.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray
manifestWithVolume(const QByteArray& volume)
{
  return R"({"cochlex-model": 1, "structures": [{"file": "a.vtk"}], "volume": )" + volume + "}";
}

// The fixture's nine structures in a manifest, with volume as its volume entry (none if empty).
void
writeManifest(const QString& folder, const QJsonValue& volume)
{
  QJsonArray entries;
  for (const fixture::Structure& structure : fixture::standardStructures()) {
    entries.append(QJsonObject{ { "file", structure.relativePath.mid(1) } });
  }
  QJsonObject manifest{ { "cochlex-model", 1 }, { "structures", entries } };
  if (!volume.isUndefined()) {
    manifest.insert("volume", volume);
  }
  fixture::writeFile(folder + "/cochlex-model.json", QJsonDocument(manifest).toJson());
}

} // namespace

class SectionVolumeTest : public QObject
{
  Q_OBJECT

private slots:
  void goodEntryGivesItsGrid()
  {
    const ModelManifest read = parseModelManifest(
      manifestWithVolume("{\"file\": \"Joint/ct.raw\", \"size\": [40, 30, 20], \"spacing\": "
                         "[0.1, 0.2, 0.3], \"origin\": [1, -2, 3.5], \"direction\": [[0, 2, 0], "
                         "[-1, 0, 0], [0, 0, 3]]}")
        .toStdString(),
      "/m/cochlex-model.json");
    QVERIFY(read.problems.empty() && read.usable && read.volumeGiven && read.volumeUsable);
    const SectionVolumeGrid& grid = read.volume;
    QVERIFY(grid.placed);
    QCOMPARE(grid.relativePath, std::string("/Joint/ct.raw"));
    QVERIFY((grid.dimensions == std::array<int, 3>{ 40, 30, 20 }));
    QVERIFY((grid.spacing == std::array<double, 3>{ 0.1, 0.2, 0.3 }));
    QVERIFY((grid.origin == std::array<double, 3>{ 1, -2, 3.5 }));
    // Unit vectors, whatever length they were written with.
    QVERIFY((grid.direction[0] == std::array<double, 3>{ 0, 1, 0 }));
    QVERIFY((grid.direction[2] == std::array<double, 3>{ 0, 0, 1 }));
    QCOMPARE(grid.byteCount(), qint64(24000));
  }

  void badEntries_data()
  {
    QTest::addColumn<QByteArray>("volume");
    QTest::addColumn<QString>("problem");
    const auto entry =
      [](const char* file, const char* size, const char* spacing, const char* more = "") {
        return QByteArray("{\"file\": ") + file + ", \"size\": " + size +
               ", \"spacing\": " + spacing + more + "}";
      };
    QTest::newRow("not an object") << QByteArray("[1, 2]") << "entry is not an object";
    QTest::newRow("outside the folder") << entry("\"../ct.raw\"", "[4, 4, 4]", "[1, 1, 1]")
                                        << "file: its path leaves the model folder";
    QTest::newRow("absolute path")
      << entry("\"/dev/zero\"", "[4, 4, 4]", "[1, 1, 1]") << "its path leaves the model folder";
    QTest::newRow("no file") << entry("3", "[4, 4, 4]", "[1, 1, 1]") << "file is not named";
    QTest::newRow("zero size") << entry("\"v.raw\"", "[4, 0, 4]", "[1, 1, 1]")
                               << "size is not three whole numbers of voxels, each at least 1";
    QTest::newRow("half a voxel") << entry("\"v.raw\"", "[4, 2.5, 4]", "[1, 1, 1]")
                                  << "size is not three whole numbers";
    QTest::newRow("two sizes") << entry("\"v.raw\"", "[4, 4]", "[1, 1, 1]")
                               << "size is not three whole numbers";
    QTest::newRow("over 512 MB") << entry("\"v.raw\"", "[1024, 1024, 513]", "[1, 1, 1]")
                                 << "grid of 1024 x 1024 x 513 voxels is larger than 512 MB";
    QTest::newRow("NaN spacing") << entry("\"v.raw\"", "[4, 4, 4]", "[\"NaN\", 1, 1]")
                                 << "spacing is not three finite numbers above 0";
    QTest::newRow("zero spacing") << entry("\"v.raw\"", "[4, 4, 4]", "[1, 0, 1]")
                                  << "spacing is not three finite numbers above 0";
    QTest::newRow("negative spacing") << entry("\"v.raw\"", "[4, 4, 4]", "[1, 1, -0.1]")
                                      << "spacing is not three finite numbers above 0";
    QTest::newRow("origin as text")
      << entry(R"("v.raw")", "[4, 4, 4]", "[1, 1, 1]", R"(, "origin": "here")")
      << "origin is not three finite numbers";
    QTest::newRow("slanted direction")
      << entry("\"v.raw\"", "[4, 4, 4]", "[1, 1, 1]", ", \"direction\": [[1,0,0],[1,1,0],[0,0,1]]")
      << "direction is not three non-zero vectors at right angles";
    QTest::newRow("zero direction")
      << entry("\"v.raw\"", "[4, 4, 4]", "[1, 1, 1]", ", \"direction\": [[1,0,0],[0,0,0],[0,0,1]]")
      << "direction is not three non-zero vectors at right angles";
  }
  void badEntries()
  {
    QFETCH(QByteArray, volume);
    QFETCH(QString, problem);
    const ModelManifest read =
      parseModelManifest(manifestWithVolume(volume).toStdString(), "/m/cochlex-model.json");
    // The structures are used; the volume is not.
    QVERIFY(read.usable && read.structures.size() == 1 && read.structures[0].problem.empty());
    QVERIFY(read.volumeGiven && !read.volumeUsable);
    QCOMPARE(int(read.problems.size()), 1);
    const QString line = QString::fromStdString(read.problems.front());
    QVERIFY2(line.startsWith("Model manifest /m/cochlex-model.json: the section volume's ") &&
               line.contains(problem) &&
               line.endsWith("; the model is shown without section images."),
             qPrintable(line));
  }

  // JSON has no NaN: a manifest that writes one is no JSON, and the structure list is read.
  void nanIsNotJson()
  {
    const ModelManifest read = parseModelManifest(
      manifestWithVolume(R"({"file": "v.raw", "size": [4, 4, 4], "spacing": [NaN, 1, 1]})")
        .toStdString(),
      "/m/cochlex-model.json");
    QVERIFY(!read.usable && !read.volumeUsable);
    QVERIFY(QString::fromStdString(read.problems.at(0)).contains("is not JSON"));
  }

  // At load: the file against its grid. The structures load in every row.
  void loadedVolumes_data()
  {
    QTest::addColumn<qint64>("fileBytes"); // -1: no file
    QTest::addColumn<bool>("withEntry");
    QTest::addColumn<QString>("problem");
    QTest::addColumn<int>("slices"); // of the volume read along z; 0: none
    QTest::newRow("exactly its grid") << qint64(24 * 16 * 10) << true << "" << 10;
    QTest::newRow("longer than its grid")
      << qint64(24 * 16 * 10 + 7) << true << "holds 3847 bytes, more than the 3840" << 10;
    QTest::newRow("shorter than its grid")
      << qint64(24 * 16 * 10 - 1) << true
      << "holds 3839 bytes, fewer than the 3840 of its grid; the model is shown without section "
         "images."
      << 0;
    QTest::newRow("missing") << qint64(-1) << true << "Cannot read the section volume" << 0;
    QTest::newRow("no entry: the fixed grid") << qint64(-1) << false << "" << 115;
  }
  void loadedVolumes()
  {
    QFETCH(qint64, fileBytes);
    QFETCH(bool, withEntry);
    QFETCH(QString, problem);
    QFETCH(int, slices);
    QTemporaryDir folder;
    fixture::writeModel(folder.path(), fixture::standardStructures(), !withEntry);
    writeManifest(folder.path(),
                  withEntry ? QJsonValue(QJsonObject{ { "file", "Joint/ct.raw" },
                                                      { "size", QJsonArray{ 24, 16, 10 } },
                                                      { "spacing", QJsonArray{ 0.1, 0.1, 0.2 } } })
                            : QJsonValue(QJsonValue::Undefined));
    if (fileBytes >= 0) {
      fixture::writeFile(folder.path() + "/Joint/ct.raw", QByteArray(int(fileBytes), '\x40'));
    }
    const TeachingModel model = loadTeachingModel(folder.path().toStdString(), {});
    QCOMPARE(int(model.structureCount), 9);
    if (problem.isEmpty()) {
      QVERIFY2(model.problems.empty(), model.problems.empty() ? "" : model.problems[0].c_str());
    } else {
      QCOMPARE(int(model.problems.size()), 1);
      QVERIFY2(QString::fromStdString(model.problems.front()).contains(problem),
               model.problems.front().c_str());
    }
    QCOMPARE(model.volume != nullptr, slices > 0);
    if (model.volume != nullptr) {
      QCOMPARE(model.volume->GetDimensions()[2], slices);
      QCOMPARE(model.volumeGrid.placed, withEntry);
    }
  }
};

COCHLEX_TEST_CLASS(SectionVolumeTest)
#include "test_section_volume.moc"
