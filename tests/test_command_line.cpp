// The command line's parser: a model folder to open, or an answer and an exit status, decided
// before any window or display exists (the program itself answering: test_program.cpp).

#include "TestDriver.h"
#include "app/CommandLine.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

class CommandLineTest : public QObject
{
  Q_OBJECT

  QTemporaryDir directory;

  QString path(const QString& name) const { return directory.path() + "/" + name; }

private slots:
  void initTestCase()
  {
    QVERIFY(QDir(directory.path()).mkdir("model"));
    QFile file(path("plain.txt"));
    QVERIFY(file.open(QIODevice::WriteOnly));
  }

  void runsTheViewer_data()
  {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("folder");
    QTest::newRow("no argument: the working directory") << QStringList() << QString();
    QTest::newRow("model folder") << QStringList{ path("model") } << path("model");
    QTest::newRow("relative folder") << QStringList{ "." } << ".";
    QTest::newRow("toolkit options pass")
      << QStringList{ "-platform", "xcb", "-style=fusion", "-reverse", path("model") }
      << path("model");
  }

  void runsTheViewer()
  {
    QFETCH(QStringList, arguments);
    QFETCH(QString, folder);
    const CommandLineOutcome outcome = parseCommandLine(QStringList{ "cochlex" } + arguments);
    QVERIFY2(outcome.runViewer, qPrintable(outcome.message));
    QCOMPARE(outcome.modelFolder, folder);
  }

  void endsWithAnAnswer_data()
  {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("expected");
    QTest::newRow("--help") << QStringList{ "--help" } << 0 << "[options] [MODEL_FOLDER]";
    QTest::newRow("--help-all") << QStringList{ "--help-all" } << 0 << "-platform";
    QTest::newRow("file, not a folder")
      << QStringList{ path("plain.txt") } << 2 << path("plain.txt") + " is not a folder\n";
    QTest::newRow("unknown option")
      << QStringList{ "--fullscreen" } << 2 << "Unknown option 'fullscreen'";
    QTest::newRow("two folders") << QStringList{ path("model"), path("model") } << 2
                                 << "one model folder at most";
    QTest::newRow("--help names --title") << QStringList{ "--help" } << 0 << "--title <TEXT>";
    QTest::newRow("--title without --screenshot")
      << QStringList{ "--title", "Ossicles", path("model") } << 2
      << "--labels, --white and --title go with --screenshot";
    QTest::newRow("--web-triangles alone")
      << QStringList{ "--web-triangles", "5000" } << 2 << "--web-triangles goes with --export-web";
    QTest::newRow("--export-web and --screenshot")
      << QStringList{ "--export-web", "a.html", "--screenshot", "a.png" } << 2
      << "--export-web and --screenshot cannot go together";
    QTest::newRow("--help names --export-web") << QStringList{ "--help" } << 0 << "--export-web";
  }

  // A handout's title is taken whole, spaces and all.
  void screenshotTakesItsTitle()
  {
    const CommandLineOutcome outcome = parseCommandLine(
      { "cochlex", "--screenshot", "a.png", "--title", "The incudostapedial joint", "--white" });
    QVERIFY2(outcome.runViewer && outcome.screenshot, qPrintable(outcome.message));
    QCOMPARE(outcome.screenshot->title, QString("The incudostapedial joint"));
    QVERIFY(outcome.screenshot->problem.isEmpty());
  }

  // --export-web runs without a window: the page's name made absolute from where the program
  // started, the lesson and the budget handed on, or a problem told before anything is read.
  void exportsWebPage_data()
  {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("file");
    QTest::addColumn<qint64>("triangles");
    QTest::addColumn<QString>("problem");
    const QString here = QDir::currentPath();
    QTest::newRow("default budget")
      << QStringList{ "--export-web", "page.html" } << here + "/page.html" << qint64(400000) << "";
    QTest::newRow("budget and lesson")
      << QStringList{ "--export-web", "page.htm", "--web-triangles", "1000", "--lesson", "l.x" }
      << here + "/page.htm" << qint64(1000) << "";
    QTest::newRow("budget too small")
      << QStringList{ "--export-web", "page.html", "--web-triangles", "999" } << QString()
      << qint64(0) << "--web-triangles takes a number from 1000 to 5000000, not \"999\".";
    QTest::newRow("budget not a number")
      << QStringList{ "--export-web", "page.html", "--web-triangles", "1e6" } << QString()
      << qint64(0) << "not \"1e6\"";
    QTest::newRow("budget too large")
      << QStringList{ "--export-web", "page.html", "--web-triangles", "5000001" } << QString()
      << qint64(0) << "not \"5000001\"";
    QTest::newRow("not a page's name") << QStringList{ "--export-web", "page.png" } << QString()
                                       << qint64(0) << "must end in .html or .htm: page.png";
  }
  void exportsWebPage()
  {
    QFETCH(QStringList, arguments);
    QFETCH(QString, file);
    QFETCH(qint64, triangles);
    QFETCH(QString, problem);
    const CommandLineOutcome outcome = parseCommandLine(QStringList{ "cochlex" } + arguments);
    QVERIFY2(outcome.runViewer, qPrintable(outcome.message));
    QVERIFY(outcome.webExport.has_value());
    QVERIFY(!outcome.screenshot.has_value());
    QVERIFY2(problem.isEmpty() ? outcome.webExport->problem.isEmpty()
                               : outcome.webExport->problem.contains(problem),
             qPrintable(outcome.webExport->problem));
    if (problem.isEmpty()) {
      QCOMPARE(outcome.webExport->file, file);
      QCOMPARE(outcome.webExport->triangles, triangles);
      QCOMPARE(outcome.webExport->lesson,
               arguments.contains("--lesson") ? QDir::currentPath() + "/l.x" : QString());
    }
  }

  void endsWithAnAnswer()
  {
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, expected);
    const CommandLineOutcome outcome = parseCommandLine(QStringList{ "cochlex" } + arguments);
    QVERIFY(!outcome.runViewer);
    QCOMPARE(outcome.exitStatus, status);
    QVERIFY2(outcome.message.contains(expected), qPrintable(outcome.message));
  }

  void folderThatCannotBeEntered()
  {
    if (::geteuid() == 0) {
      QSKIP("root enters any folder whatever its permissions");
    }
    const QString locked = path("locked");
    QVERIFY(QDir(directory.path()).mkdir("locked"));
    QVERIFY(QFile::setPermissions(locked, QFileDevice::Permissions()));
    const CommandLineOutcome outcome = parseCommandLine({ "cochlex", locked });
    QFile::setPermissions(locked,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QVERIFY(!outcome.runViewer);
    QCOMPARE(outcome.exitStatus, 2);
    QVERIFY2(outcome.message.contains(locked + " cannot be entered"), qPrintable(outcome.message));
  }
};

COCHLEX_TEST_CLASS(CommandLineTest)

#include "test_command_line.moc"
