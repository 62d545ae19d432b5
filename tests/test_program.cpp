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

  // With no usable display: --version and a missing folder answered on the right stream, and
  // --screenshot refused in one line that names xvfb-run, with exit 1 and no picture.
  void programAnswersWithoutADisplay_data()
  {
    QTest::addColumn<QString>("variable");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("standardOutput");
    QTest::addColumn<QString>("standardError");
    const QString picture = pictures + "/none.png";
    const QStringList screenshot{ "--screenshot", picture, "--size", "320x240", model };
    QTest::newRow("--version") << "DISPLAY" << QString() << QStringList{ "--version" } << 0
                               << "cochlex " COCHLEX_EXPECTED_VERSION "\n"
                               << QString();
    QTest::newRow("missing folder")
      << "DISPLAY" << QString() << QStringList{ path("absent") } << 2 << QString()
      << "cochlex: the model folder " + path("absent") + " does not exist\n";
    QTest::newRow("no display") << "DISPLAY" << QString() << screenshot << 1 << QString()
                                << "xvfb-run";
    QTest::newRow("unreachable display") << "DISPLAY"
                                         << ":4711" << screenshot << 1 << QString() << "xvfb-run";
    QTest::newRow("offscreen") << "QT_QPA_PLATFORM"
                               << "offscreen" << screenshot << 1 << QString() << "xvfb-run";
  }
  void programAnswersWithoutADisplay()
  {
    QFETCH(QString, variable);
    QFETCH(QString, value);
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, standardOutput);
    QFETCH(QString, standardError);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM" }) {
      environment.remove(name);
    }
    if (!value.isEmpty()) {
      environment.insert(variable, value);
    }
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(COCHLEX_EXECUTABLE, arguments);
    QVERIFY(program.waitForFinished(60000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), status);
    QCOMPARE(QString::fromLocal8Bit(program.readAllStandardOutput()), standardOutput);
    const QString errors = QString::fromLocal8Bit(program.readAllStandardError());
    // One line: the whole of it where the text is known, else a line naming the help.
    QVERIFY2(errors == standardError || (errors.count('\n') == 1 && errors.contains(standardError)),
             qPrintable(errors));
    QVERIFY(!QFile::exists(pictures + "/none.png"));
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
