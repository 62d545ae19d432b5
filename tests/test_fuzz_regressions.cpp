// Replays inputs through the readers the fuzz targets drive: every input in
// tests/fuzz_regressions/ (crash inputs the fuzzers found, and hand-made damaged files) and the
// fuzzers' seed corpora. A regression input whose name begins with "rejected-" is a damaged
// surface that the load must turn away (before or after VTK's reader). No display.

#include "fuzz/FuzzEntryPoints.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

namespace {

QString
sourceDirectory()
{
  const QByteArray fromEnvironment = qgetenv("COCHLEX_SOURCE_DIR");
  return fromEnvironment.isEmpty() ? QStringLiteral(COCHLEX_SOURCE_DIR_DEFAULT)
                                   : QString::fromLocal8Bit(fromEnvironment);
}

QStringList
filesIn(const QString& directory)
{
  QStringList paths;
  const QDir folder(directory);
  for (const QString& name : folder.entryList(QDir::Files, QDir::Name)) {
    paths << folder.filePath(name);
  }
  return paths;
}

QByteArray
contentsOf(const QString& path)
{
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    qFatal("cannot read %s", qPrintable(path));
  }
  return file.readAll();
}

const std::uint8_t*
bytesOf(const QByteArray& contents)
{
  return reinterpret_cast<const std::uint8_t*>(contents.constData());
}

} // namespace

class FuzzRegressionsTest : public QObject
{
  Q_OBJECT

private slots:
  void initTestCase()
  {
    silenceVtkOutput();
    QVERIFY2(QDir(sourceDirectory() + "/tests/fuzz_regressions").exists(),
             "tests/fuzz_regressions/ not found; set COCHLEX_SOURCE_DIR");
  }

  // Any input through every reader: a crash input of one reader must not crash another.
  void everyReaderSurvives_data()
  {
    QTest::addColumn<QString>("path");
    QStringList paths = filesIn(sourceDirectory() + "/tests/fuzz_regressions");
    const QDir corpora(sourceDirectory() + "/fuzz/corpus");
    for (const QString& target : corpora.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
      paths << filesIn(corpora.filePath(target));
    }
    for (const QString& path : paths) {
      QTest::newRow(qPrintable(QDir(sourceDirectory()).relativeFilePath(path))) << path;
    }
  }
  void everyReaderSurvives()
  {
    QFETCH(QString, path);
    const QByteArray contents = contentsOf(path);
    qInfo("list: %s", feedStructureList(bytesOf(contents), contents.size()).c_str());
    qInfo("colour: %s", feedColorFile(bytesOf(contents), contents.size()).c_str());
    qInfo("page: %s", feedPageFile(bytesOf(contents), contents.size()).c_str());
    qInfo("check: %s", feedLegacyCheck(bytesOf(contents), contents.size()).c_str());
    qInfo("load: %s", feedSurfaceLoad(bytesOf(contents), contents.size()).c_str());
  }

  void damagedSurfacesAreRejected_data()
  {
    QTest::addColumn<QString>("path");
    const QDir regressions(sourceDirectory() + "/tests/fuzz_regressions");
    for (const QString& name : regressions.entryList({ "rejected-*" }, QDir::Files)) {
      QTest::newRow(qPrintable(name)) << regressions.filePath(name);
    }
  }
  void damagedSurfacesAreRejected()
  {
    QFETCH(QString, path);
    const QByteArray contents = contentsOf(path);
    qInfo("check: %s", feedLegacyCheck(bytesOf(contents), contents.size()).c_str());
    const std::string loaded = feedSurfaceLoad(bytesOf(contents), contents.size());
    QVERIFY2(loaded.rfind("rejected: ", 0) == 0, loaded.c_str());
  }

  // The seeds are what VTK's writer makes (ASCII and binary, old and new cell layout): the
  // guards in front of the reader must let every one of them through.
  void writerOutputIsAccepted_data()
  {
    QTest::addColumn<QString>("path");
    for (const QString& path : filesIn(sourceDirectory() + "/fuzz/corpus/surface_load")) {
      QTest::newRow(qPrintable(QFileInfo(path).fileName())) << path;
    }
  }
  void writerOutputIsAccepted()
  {
    QFETCH(QString, path);
    const QByteArray contents = contentsOf(path);
    QCOMPARE(QString::fromStdString(feedLegacyCheck(bytesOf(contents), contents.size())),
             QStringLiteral("accepted"));
    const std::string loaded = feedSurfaceLoad(bytesOf(contents), contents.size());
    QVERIFY2(loaded.rfind("accepted: ", 0) == 0, loaded.c_str());
    QVERIFY2(loaded.find(" 0 cells") == std::string::npos, loaded.c_str());
  }
};

QTEST_APPLESS_MAIN(FuzzRegressionsTest)
#include "test_fuzz_regressions.moc"
