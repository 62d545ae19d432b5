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
