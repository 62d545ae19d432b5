// Replays every input in tests/fuzz_regressions/ (crash inputs the fuzzers found, hand-made
// damaged files, and surfaces VTK's own writer made) and the fuzzers' seed corpora through every
// reader the fuzz targets drive, the model maker's included. A "rejected-" input must be turned
// away by the surface load; a "loads-" input (named "...-<points>p-<cells>c.vtk") and the surface
// seeds must get through it whole. No display.

#include "TestDriver.h"
#include "fuzz/FuzzEntryPoints.h"
#include "fuzz/FuzzMakerInputs.h"

#include <QDir>
#include <QHash>
#include <QRegularExpression>
#include <QTest>

class FuzzRegressionsTest : public QObject
{
  Q_OBJECT

  QString source = qEnvironmentVariableIsSet("COCHLEX_SOURCE_DIR")
                     ? qEnvironmentVariable("COCHLEX_SOURCE_DIR")
                     : QStringLiteral(COCHLEX_SOURCE_DIR_DEFAULT);

private slots:
  void initTestCase()
  {
    silenceVtkOutput();
    QVERIFY2(QDir(source + "/tests/fuzz_regressions").count() > 10, "set COCHLEX_SOURCE_DIR");
  }

  void everyReaderSurvives_data()
  {
    QTest::addColumn<QString>("path");
    QStringList folders = { "tests/fuzz_regressions" };
    for (const QString& target :
         QDir(source + "/fuzz/corpus").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
      folders << "fuzz/corpus/" + target;
    }
    for (const QString& folder : folders) {
      for (const QString& name : QDir(source + "/" + folder).entryList(QDir::Files)) {
        QTest::newRow(qPrintable(folder + "/" + name)) << source + "/" + folder + "/" + name;
      }
    }
  }

  // A crash input of one reader must not crash another.
  void everyReaderSurvives()
  {
    QFETCH(QString, path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray contents = file.readAll();
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(contents.constData());
    const std::size_t size = contents.size();
    feedStructureList(bytes, size);
    feedColorFile(bytes, size);
    feedPageFile(bytes, size);
    feedModelManifest(bytes, size);
    feedPageReduction(bytes, size);
    const std::string checked = feedLegacyCheck(bytes, size);
    const std::string loaded = feedSurfaceLoad(bytes, size);
    const std::string image = feedMakerImage(bytes, size);
    const std::string surface = feedMakerSurface(bytes, size);
    const QString name = QFileInfo(path).fileName();
    if (name.startsWith("rejected-")) {
      QVERIFY2(loaded.rfind("rejected: ", 0) == 0, loaded.c_str());
    } else if (name.startsWith("loads-")) {
      const QRegularExpressionMatch counts =
        QRegularExpression(R"(-(\d+)p-(\d+)c\.vtk$)").match(name);
      QVERIFY2(counts.hasMatch(), "a must-load file names its point and cell counts");
      QCOMPARE(checked, std::string("accepted"));
      QCOMPARE(loaded,
               "accepted: " + counts.captured(1).toStdString() + " points, " +
                 counts.captured(2).toStdString() + " cells");
    } else if (path.contains("/corpus/maker_image/")) {
      // Each seed is a small label map in the format its name ends in: one label, or for the
      // seeds of the NRRD encodings and segmentation layers the labels they were written with.
      static const QHash<QString, int> labelCounts = {
        { "byte-skip-end.nrrd", 4 }, { "bzip2.nrrd", 4 },     { "int32-series.nrrd", 4 },
        { "layers.seg.nrrd", 3 },    { "line-skip.nrrd", 4 }, { "text.nrrd", 4 },
      };
      const std::string format = QFileInfo(path).suffix().toStdString();
      const std::string expected = std::to_string(labelCounts.value(name, 1)) + " labels;";
      const std::size_t at = image.find("." + format + ": ");
      QVERIFY2(at != std::string::npos &&
                 image.compare(at + format.size() + 3, expected.size(), expected) == 0,
               image.c_str());
    } else if (path.contains("/corpus/maker_surface/")) {
      // Each seed is a closed tetrahedron.
      const std::string format = QFileInfo(path).suffix().toStdString();
      const std::size_t at = surface.find("." + format + ": ");
      QVERIFY2(at != std::string::npos &&
                 surface.compare(at + format.size() + 3, 12, "4 triangles;") == 0,
               surface.c_str());
    } else if (path.contains("/corpus/surface_load/")) {
      QCOMPARE(checked, std::string("accepted"));
      QVERIFY2(loaded.rfind("accepted: ", 0) == 0, loaded.c_str());
      QVERIFY2(loaded.find(" 0 cells") == std::string::npos, loaded.c_str());
    }
  }
};

COCHLEX_TEST_CLASS(FuzzRegressionsTest)
#include "test_fuzz_regressions.moc"
