// The program itself, run as a user runs it: answers before any window or display exists, and
// the command line's --screenshot.

#include "ViewerSession.h"
#include "viewer/teaching/LessonFile.h"

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
    // Lessons: one for this model whose first view hides every structure on white, and one
    // for another model.
    Lesson lesson;
    // The names the viewer shows for the fixture's files, "Incus_transformed.vtk" and so on.
    for (const QString& name : { "Incus",
                                 "Incus Articular Cartilage",
                                 "Incus Blood Vessels",
                                 "Incus Areolar Tissue",
                                 "Stapes",
                                 "Stapes Articular Cartilage",
                                 "Capsular Ligamental Fibers",
                                 "Stapedius Tendon",
                                 "Joint Space" }) {
      lesson.structureNames.append(name + " transformed");
    }
    ViewState view;
    view.name = "Nothing";
    view.camera.position = { 0, 0, 30 };
    view.whiteBackground = true;
    view.caption = "Every structure hidden";
    for (const QString& name : lesson.structureNames) {
      view.structures.push_back({ name, false, 0 });
    }
    lesson.views = { view };
    QFile blank(path("blank.cochlex-lesson"));
    QVERIFY(blank.open(QIODevice::WriteOnly));
    blank.write(lessonJson(lesson));
    blank.close();
    lesson.structureNames[0] = "Malleus";
    lesson.views[0].structures[0].name = "Malleus";
    QFile other(path("other.cochlex-lesson"));
    QVERIFY(other.open(QIODevice::WriteOnly));
    other.write(lessonJson(lesson));
  }

  // --lesson with --screenshot draws the lesson's first view: every structure hidden on white, and
  // the view's caption in dark letters below the picture.
  void screenshotShowsTheLessonsFirstView()
  {
    QProcess program;
    program.start(COCHLEX_EXECUTABLE,
                  { "--screenshot",
                    pictures + "/lesson.png",
                    "--size",
                    "320x240",
                    "--lesson",
                    path("blank.cochlex-lesson"),
                    model });
    QVERIFY(program.waitForFinished(120000));
    QVERIFY2(program.exitCode() == 3, program.readAllStandardError().constData());
    const QImage image(pictures + "/lesson.png");
    QCOMPARE(image.width(), 320);
    const int band = image.height() - 240;
    QVERIFY2(band >= 15 && band <= 40, qPrintable(QString::number(band)));
    int ink = 0;
    for (int y = 240; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) {
        ink += qGray(image.pixel(x, y)) < 80 ? 1 : 0;
      }
    }
    QVERIFY2(ink > 50, qPrintable(QString::number(ink)));
    int white = 0;
    for (int y = 0; y < 240; ++y) {
      for (int x = 0; x < image.width(); ++x) {
        white += image.pixel(x, y) == qRgb(255, 255, 255) ? 1 : 0;
      }
    }
    // Only the orientation marker in its corner is not white.
    QVERIFY2(white > image.width() * 240 * 9 / 10, qPrintable(QString::number(white)));
    QFile::remove(pictures + "/lesson.png");
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
  // which the program makes its working directory. The picture has the size asked for, also at a
  // fractional device pixel ratio, where the view itself comes out a pixel off.
  void screenshotWritesTheFrontalViewWhereItWasStarted_data()
  {
    QTest::addColumn<QString>("scale");
    QTest::addColumn<QSize>("size");
    QTest::newRow("device pixel ratio 1") << "1" << QSize(320, 240);
    QTest::newRow("device pixel ratio 1.5") << "1.5" << QSize(321, 241);
  }
  void screenshotWritesTheFrontalViewWhereItWasStarted()
  {
    QFETCH(QString, scale);
    QFETCH(QSize, size);
    QProcess program;
    program.setWorkingDirectory(pictures);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_SCALE_FACTOR", scale);
    program.setProcessEnvironment(environment);
    program.start(COCHLEX_EXECUTABLE,
                  { "--screenshot",
                    "shot.png",
                    "--size",
                    QStringLiteral("%1x%2").arg(size.width()).arg(size.height()),
                    model });
    QVERIFY(program.waitForFinished(120000));
    // Written; the test model has no section volume, so it is reported as incomplete.
    QCOMPARE(program.exitCode(), 3);
    QVERIFY(!QFile::exists(model + "/shot.png"));
    const QImage image(pictures + "/shot.png");
    QCOMPARE(image.size(), size);
    QVERIFY(colourCount(image) > 20);
    QFile::remove(pictures + "/shot.png");
  }

  // --title prints the title in a band above the picture, which keeps the requested size below
  // it: dark letters on white.
  void screenshotPrintsItsTitleAbove()
  {
    QProcess program;
    program.start(COCHLEX_EXECUTABLE,
                  { "--screenshot",
                    pictures + "/titled.png",
                    "--size",
                    "480x360",
                    "--white",
                    "--title",
                    "Incudostapedial joint",
                    model });
    QVERIFY(program.waitForFinished(120000));
    QVERIFY2(program.exitCode() == 3, program.readAllStandardError().constData());
    const QImage image(pictures + "/titled.png");
    QCOMPARE(image.width(), 480);
    const int band = image.height() - 360;
    QVERIFY2(band >= 20 && band <= 60, qPrintable(QString::number(band)));
    int ink = 0;
    int white = 0;
    for (int y = 0; y < band; ++y) {
      for (int x = 0; x < image.width(); ++x) {
        const int grey = qGray(image.pixel(x, y));
        ink += grey < 80 ? 1 : 0;
        white += grey == 255 ? 1 : 0;
      }
    }
    // Letters across part of the band, on white.
    QVERIFY2(ink > 100 && white > image.width() * band / 2,
             qPrintable(QString("%1 dark, %2 white").arg(ink).arg(white)));
    // The picture below is the model on white, as without a title.
    QVERIFY(colourCount(image.copy(0, band, 480, 360)) > 20);
    QFile::remove(pictures + "/titled.png");
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
    QTest::newRow("unreadable lesson")
      << QStringList{ "--screenshot", missing, "--lesson", path("none.cochlex-lesson"), model }
      << true << 1;
    QTest::newRow("lesson for another model")
      << QStringList{ "--screenshot", missing, "--lesson", path("other.cochlex-lesson"), model }
      << true << 1;
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
