// The program itself, run as a user runs it: answers before any window or display exists, and
// the command line's --screenshot.

#include "ViewerSession.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class ProgramTest : public QObject
{
  Q_OBJECT

  QTemporaryDir directory;
  QString model = directory.filePath("model");
  QString pictures = directory.filePath("pictures");

  QString path(const QString& name) const { return directory.filePath(name); }

private slots:
  void initTestCase()
  {
    fixture::writeModel(model, fixture::standardStructures(), false);
    QVERIFY(QDir().mkpath(pictures + "/empty"));
  }

  // With no display at all: the answer on the right stream, no window.
  void programAnswersWithoutADisplay()
  {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* variable : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM" }) {
      environment.remove(variable);
    }
    const struct
    {
      QStringList arguments;
      int status;
      QString standardOutput, standardError;
    } runs[] = {
      { { "--version" }, 0, "cochlex " COCHLEX_EXPECTED_VERSION "\n", QString() },
      { { path("absent") },
        2,
        QString(),
        "cochlex: the model folder " + path("absent") + " does not exist\n" },
    };
    for (const auto& run : runs) {
      QProcess program;
      program.setProcessEnvironment(environment);
      program.start(COCHLEX_EXECUTABLE, run.arguments);
      QVERIFY(program.waitForFinished(60000));
      QCOMPARE(program.exitStatus(), QProcess::NormalExit);
      QCOMPARE(program.exitCode(), run.status);
      QCOMPARE(QString::fromLocal8Bit(program.readAllStandardOutput()), run.standardOutput);
      QCOMPARE(QString::fromLocal8Bit(program.readAllStandardError()), run.standardError);
    }
  }

  // A relative FILE is taken in the folder the program was started in, not in MODEL_FOLDER,
  // which the program makes its working directory.
  void screenshotWritesTheFrontalViewWhereItWasStarted()
  {
    QProcess program;
    program.setWorkingDirectory(pictures);
    program.start(COCHLEX_EXECUTABLE, { "--screenshot", "shot.png", "--size", "320x240", model });
    QVERIFY(program.waitForFinished(120000));
    // Written; the test model has no section volume, so it is reported as incomplete.
    QCOMPARE(program.exitCode(), 3);
    QVERIFY(!QFile::exists(model + "/shot.png"));
    const QImage image(pictures + "/shot.png");
    QCOMPARE(image.size(), QSize(320, 240));
    QVERIFY(colourCount(image) > 20);
  }

  // Anything it cannot do: one line on standard error and no file; status 2 for a command line
  // that names no usable model folder, as for any start of the program, 1 otherwise. A mistake
  // in the arguments is told at once, before the model is read.
  void screenshotFailures_data()
  {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("readsModel");
    QTest::addColumn<int>("status");
    const QString missing = pictures + "/none.png";
    QTest::newRow("empty size") << QStringList{ "--screenshot", missing, "--size", "320x0", model }
                                << false << 1;
    QTest::newRow("size not a size")
      << QStringList{ "--screenshot", missing, "--size", "wide", model } << false << 1;
    QTest::newRow("two folders") << QStringList{ "--screenshot", missing, "one", "two" } << false
                                 << 2;
    QTest::newRow("not a picture name")
      << QStringList{ "--screenshot", pictures + "/none.bmp", model } << false << 1;
    QTest::newRow("no such folder")
      << QStringList{ "--screenshot", missing, pictures + "/no-such-folder" } << false << 2;
    QTest::newRow("no model") << QStringList{ "--screenshot", missing, pictures + "/empty" } << true
                              << 1;
    QTest::newRow("unwritable place")
      << QStringList{ "--screenshot", pictures + "/missing/none.png", model } << true << 1;
  }

  void screenshotFailures()
  {
    QFETCH(QStringList, arguments);
    QFETCH(bool, readsModel);
    QFETCH(int, status);
    const QStringList before = folderEntries(pictures);
    QProcess program;
    program.start(COCHLEX_EXECUTABLE, arguments);
    QVERIFY(program.waitForFinished(120000));
    const QByteArray error = program.readAllStandardError();
    QVERIFY2(program.exitCode() == status && error.count("cochlex: ") == 1, error.constData());
    QCOMPARE(program.readAllStandardOutput().contains("current working directory"), readsModel);
    QCOMPARE(folderEntries(pictures), before);
  }
};

COCHLEX_TEST_CLASS(ProgramTest)
#include "test_program.moc"
