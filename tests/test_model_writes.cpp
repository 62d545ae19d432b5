// What the programs write and what cochlex-make-model may replace: a write that fails (a
// file-size limit, a full disk) says so and leaves the old file as it was; --force replaces only
// a model the tool wrote, never the user's files, the working directory or an input's folder;
// descriptions come only from the --descriptions folder; refusals stay one short line.

#include "MakeModelRuns.h"
#include "TestDriver.h"
#include "loading/SafeWrite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QByteArray
contents(const QString& path)
{
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

void
writeFile(const QString& path, const QByteArray& bytes)
{
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  QCOMPARE(file.write(bytes), bytes.size());
}

// An NRRD label map of size^3 voxels of one byte (two when wide), 0.1 mm apart, whose voxel
// (i, j, k) holds label(i, j, k).
QByteArray
labelMap(int size, bool wide, const std::function<int(int, int, int)>& label)
{
  QByteArray bytes = QStringLiteral("NRRD0004\ntype: %1\ndimension: 3\nspace: "
                                    "left-posterior-superior\nsizes: %2 %2 %2\nspace directions: "
                                    "(0.1,0,0) (0,0.1,0) (0,0,0.1)\nendian: little\nencoding: "
                                    "raw\n\n")
                       .arg(wide ? "uint16" : "uint8")
                       .arg(size)
                       .toLatin1();
  for (int k = 0; k < size; ++k) {
    for (int j = 0; j < size; ++j) {
      for (int i = 0; i < size; ++i) {
        const int value = label(i, j, k);
        bytes += char(value & 0xff);
        if (wide) {
          bytes += char(value >> 8);
        }
      }
    }
  }
  return bytes;
}

// A ball of label 1 in the middle of a 16-voxel cube, a cube of label 2 beside it.
int
ballAndCube(int i, int j, int k)
{
  if ((i - 6) * (i - 6) + (j - 8) * (j - 8) + (k - 8) * (k - 8) < 16) {
    return 1;
  }
  return i >= 11 && i <= 13 && j >= 6 && j <= 10 && k >= 6 && k <= 10 ? 2 : 0;
}

} // namespace

class ModelWritesTest : public QObject
{
  Q_OBJECT

  QTemporaryDir directory;
  QString path(const QString& name) const { return directory.filePath(name); }

  // Runs the tool in the test's folder (or in workingFolder), optionally under a file-size limit
  // of limitBlocks 512-byte blocks: the status, or -1 when it did not end normally.
  int run(const QStringList& arguments,
          QString* errors = nullptr,
          const QString& workingFolder = QString(),
          int limitBlocks = 0)
  {
    return makemodeltest::runTool(
      arguments, errors, workingFolder.isEmpty() ? directory.path() : workingFolder, limitBlocks);
  }

  // A model the tool made from ballAndCube.nrrd into folder, with the labels given.
  void makeModel(const QString& folder, const QString& labels = "1,2")
  {
    QString errors;
    QCOMPARE(run({ "--labels", labels, "--force", path("ballAndCube.nrrd"), folder }, &errors), 0);
    QVERIFY2(QFile::exists(folder + "/Joint_transformed.txt"), qPrintable(errors));
  }

  QStringList scratchFolders() const
  {
    return QDir(directory.path()).entryList({ ".*making*" }, QDir::AllEntries | QDir::Hidden);
  }

private slots:
  void initTestCase()
  {
    QVERIFY(QFileInfo(makemodeltest::toolPath()).isExecutable());
    writeFile(path("ballAndCube.nrrd"), labelMap(16, false, ballAndCube));
  }

  // A write beyond the process's file-size limit: the reason, no half-written file, and a file
  // that was there keeps its bytes. Run in a child process, which takes the limit alone.
  void writeOverTheFileSizeLimit_data()
  {
    QTest::addColumn<QByteArray>("old");
    QTest::addColumn<int>("newBytes");
    QTest::addColumn<bool>("written");
    QTest::newRow("over the limit, a file there")
      << QByteArray("the lesson as it was\n") << 200000 << false;
    QTest::newRow("over the limit, nothing there") << QByteArray() << 200000 << false;
    QTest::newRow("within the limit, a file there") << QByteArray("old\n") << 30000 << true;
  }

  void writeOverTheFileSizeLimit()
  {
    QFETCH(QByteArray, old);
    QFETCH(int, newBytes);
    QFETCH(bool, written);
    static int caseNumber = 0;
    const QString folder = path("limit-" + QString::number(++caseNumber));
    QVERIFY(QDir().mkpath(folder));
    const QString target = folder + "/file.cochlex-lesson";
    if (!old.isEmpty()) {
      writeFile(target, old);
    }
    const QByteArray bytes(newBytes, 'x');
    int channel[2];
    QCOMPARE(::pipe(channel), 0);
    const pid_t child = ::fork();
    if (child == 0) {
      const rlimit limit = { 65536, 65536 };
      ::setrlimit(RLIMIT_FSIZE, &limit);
      const QByteArray reason = writeWholeFile(target, bytes).toUtf8();
      const ssize_t sent = ::write(channel[1], reason.constData(), std::size_t(reason.size()));
      ::_exit(sent == reason.size() ? 0 : 1);
    }
    ::close(channel[1]);
    QByteArray reason;
    char block[512];
    for (ssize_t count; (count = ::read(channel[0], block, sizeof block)) > 0;) {
      reason.append(block, int(count));
    }
    ::close(channel[0]);
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    // Not ended by SIGXFSZ: it told why.
    QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    if (written) {
      QVERIFY2(reason.isEmpty(), reason.constData());
      QCOMPARE(contents(target), bytes);
    } else {
      QVERIFY2(reason.contains("too large"), reason.constData());
      QCOMPARE(reason.contains("left unchanged"), !old.isEmpty());
      QCOMPARE(contents(target), old.isEmpty() ? QByteArray("(missing)") : old);
    }
    // No partial file beside it.
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(),
             old.isEmpty() && !written ? 0 : 1);
  }

  // A write into a folder that cannot take it: the reason, and nothing written.
  void writeWhereNothingCanBeWritten()
  {
    const QString reason = writeWholeFile(path("no-such-folder/lesson.cochlex-lesson"), "x");
    QVERIFY2(reason.contains("No such file"), qPrintable(reason));
    QVERIFY(!QFile::exists(path("no-such-folder")));
  }

  // A lesson saved over a link to it, in a folder shared with a class: the link stays a link,
  // the file it names gets the new bytes and keeps its permissions.
  void writeKeepsLinksAndPermissions()
  {
    const QString target = path("shared-lesson.cochlex-lesson");
    writeFile(target, "old");
    QVERIFY(QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    QVERIFY(QFile::link(target, path("my-lesson.cochlex-lesson")));
    const QString reason = writeWholeFile(path("my-lesson.cochlex-lesson"), "new");
    QVERIFY2(reason.isEmpty(), qPrintable(reason));
    QVERIFY(QFileInfo(path("my-lesson.cochlex-lesson")).isSymLink());
    QCOMPARE(contents(target), QByteArray("new"));
    // Owner, group and others; Qt's "user" flags repeat the owner's for the one who runs it.
    QCOMPARE(QFile::permissions(target) & 0x7077,
             QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
  }

  // --force replaces a model the tool wrote, and refuses anything else with one line, status 1
  // and every file as it was.
  void forceReplacesOnlyAModel_data()
  {
    QTest::addColumn<QString>("outFolder");
    QTest::addColumn<QString>("workingFolder");
    QTest::addColumn<QString>("line");
    QTest::newRow("a folder of the user's") << "thesis"
                                            << ""
                                            << "is not a model";
    QTest::newRow("a model with a file added") << "model-and-notes"
                                               << ""
                                               << "Joint/notes.txt";
    QTest::newRow("the inputs' folder") << "."
                                        << ""
                                        << "working directory";
    QTest::newRow("the inputs' folder by name") << directory.path() << "/"
                                                << "holds the input";
    QTest::newRow("the working directory, a model") << "."
                                                    << "made"
                                                    << "working directory";
    QTest::newRow("the folder above") << ".."
                                      << "made/Joint"
                                      << "working directory";
    QTest::newRow("a link to a model") << "link"
                                       << ""
                                       << "symbolic link";
  }

  void forceReplacesOnlyAModel()
  {
    QFETCH(QString, outFolder);
    QFETCH(QString, workingFolder);
    QFETCH(QString, line);
    if (!QFile::exists(path("made"))) {
      makeModel(path("made"));
      QVERIFY(QDir().mkpath(path("thesis")));
      writeFile(path("thesis/thesis.txt"), "three years of work\n");
      makeModel(path("model-and-notes"));
      writeFile(path("model-and-notes/Joint/notes.txt"), "a teacher's notes\n");
      QVERIFY(QFile::link(path("made"), path("link")));
    }
    QMap<QString, QByteArray> before;
    for (const QString& file : { "thesis/thesis.txt",
                                 "model-and-notes/Joint/notes.txt",
                                 "made/Joint_transformed.txt",
                                 "ballAndCube.nrrd" }) {
      before[file] = contents(path(file));
    }
    QString errors;
    const int status = run({ "--force", path("ballAndCube.nrrd"), outFolder },
                           &errors,
                           workingFolder.startsWith('/') ? workingFolder : path(workingFolder));
    QCOMPARE(status, 1);
    QCOMPARE(errors.count('\n'), 1);
    QVERIFY2(errors.contains(line), qPrintable(errors));
    for (auto file = before.cbegin(); file != before.cend(); ++file) {
      QCOMPARE(contents(path(file.key())), file.value());
    }
    QVERIFY(QFileInfo(path("link")).isSymLink());
    QCOMPARE(scratchFolders(), QStringList());
  }

  // A model the tool wrote is replaced whole: the new one in its place, the old one gone.
  void forceReplacesAModelItWrote()
  {
    const QString folder = path("replaced");
    makeModel(folder, "1,2");
    const QByteArray oldList = contents(folder + "/Joint_transformed.txt");
    QCOMPARE(oldList.count(".vtk\n"), 2);
    makeModel(folder, "2");
    QCOMPARE(contents(folder + "/Joint_transformed.txt").count(".vtk\n"), 1);
    QCOMPARE(QDir(folder + "/Joint").entryList({ "*.vtk" }, QDir::Files).size(), 1);
    QCOMPARE(scratchFolders(), QStringList());
  }

  // Under a file-size limit of 64 KB the largest files of the model (the splash picture of 80 KB
  // and the head model of 110 KB) cannot be written: one line that names the first of them,
  // status 1, and the model that was there is left as it was.
  void aFailedWriteKeepsTheOldModel()
  {
    const QString folder = path("kept");
    makeModel(folder, "1");
    const QByteArray oldList = contents(folder + "/Joint_transformed.txt");
    const QByteArray oldHelp = contents(folder + "/help2.html");
    QString errors;
    QCOMPARE(run({ "--force", path("ballAndCube.nrrd"), folder }, &errors, QString(), 128), 1);
    // After the progress, one line that names the file and the reason.
    const QString last = errors.trimmed().section('\n', -1);
    QCOMPARE(errors.count("cannot write"), 1);
    QVERIFY2(
      (last.startsWith("cochlex-make-model: cannot write TB.png") ||
       last.startsWith("cochlex-make-model: cannot write Joint/Head_bone_transformed.vtp")) &&
        last.contains("too large") && last.contains("Nothing was changed"),
      qPrintable(errors));
    QCOMPARE(contents(folder + "/Joint_transformed.txt"), oldList);
    QCOMPARE(contents(folder + "/help2.html"), oldHelp);
    QCOMPARE(scratchFolders(), QStringList());
  }

  // SIGTERM while the model is being written: the program ends by the signal, and neither the
  // hidden scratch folder nor a model is left. The folder appears for the writing alone (a
  // fraction of a second for the 47 MB volume and its fsync), so the test looks for it as fast
  // as it can and tries again when the tool was quicker.
  void anInterruptionLeavesNoScratchFolder()
  {
    bool interrupted = false;
    for (int attempt = 0; attempt < 5 && !interrupted; ++attempt) {
      QProcess tool;
      tool.setWorkingDirectory(directory.path());
      tool.start(makemodeltest::toolPath(), { path("ballAndCube.nrrd"), path("stopped") });
      QVERIFY(tool.waitForStarted());
      const QDir folder(directory.path());
      while (tool.state() == QProcess::Running && !interrupted) {
        if (!folder.entryList({ ".stopped-making*" }, QDir::Dirs | QDir::Hidden).isEmpty()) {
          tool.terminate();
          interrupted = true;
        }
      }
      QVERIFY(tool.waitForFinished(60000));
      if (interrupted) {
        QCOMPARE(tool.exitStatus(), QProcess::CrashExit);
      }
      QDir(path("stopped")).removeRecursively();
    }
    QVERIFY2(interrupted, "the tool finished each time before its scratch folder was seen");
    QCOMPARE(scratchFolders(), QStringList());
  }

  // A structure named "../secret" in the colour table does not read secret.html beside the
  // descriptions folder, nor does a link in the folder lead out of it: the ball's page comes
  // from its label's file inside the folder, the cube has none.
  void descriptionsOnlyFromTheirFolder()
  {
    QVERIFY(QDir().mkpath(path("pages/inner")));
    writeFile(path("pages/secret.html"), "<p>private</p>");
    writeFile(path("pages/inner/1.html"), "<p>the ball</p>");
    QVERIFY(QFile::link(path("pages/secret.html"), path("pages/inner/Cube.html")));
    writeFile(path("climbing.txt"), "1 ../secret 255 0 0 255\n2 Cube 0 255 0 255\n");
    const QString folder = path("described");
    QString errors;
    QCOMPARE(run({ "--colors",
                   path("climbing.txt"),
                   "--descriptions",
                   path("pages/inner"),
                   path("ballAndCube.nrrd"),
                   folder },
                 &errors),
             0);
    const QStringList pages = QDir(folder + "/Joint").entryList({ "*.html" }, QDir::Files);
    QCOMPARE(pages, QStringList{ "secret.vtk.html" });
    QCOMPARE(contents(folder + "/Joint/" + pages[0]), QByteArray("<p>the ball</p>"));
  }

  // Refusals about many labels or damaged headers: one line of at most 2000 characters, in the
  // tool's own words.
  void refusalsAreOneShortLine_data()
  {
    QTest::addColumn<QString>("input");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("words");
    QTest::newRow("65,535 labels") << "many.nrrd" << labelMap(41, true, [](int i, int j, int k) {
      return (i + 41 * (j + 41 * k)) % 65536;
    }) << "and 65523 more";
    QTest::newRow("MetaImage of an unknown type")
      << "broken.mha"
      << QByteArray("ObjectType = Image\nNDims = 3\nDimSize = 4 4\nElementType = MET_FOO\n"
                    "ElementDataFile = LOCAL\n")
      << "broken.mha: ";
  }

  void refusalsAreOneShortLine()
  {
    QFETCH(QString, input);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, words);
    writeFile(path(input), bytes);
    QString errors;
    QCOMPARE(run({ path(input), path("refused") }, &errors), 1);
    QCOMPARE(errors.count('\n'), 1);
    QVERIFY2(errors.startsWith("cochlex-make-model: ") && errors.contains(words),
             qPrintable(errors.left(3000)));
    QVERIFY2(errors.size() <= 2001, qPrintable(QString::number(errors.size())));
    QVERIFY(!QFile::exists(path("refused")));
  }
};

COCHLEX_TEST_CLASS(ModelWritesTest)
#include "test_model_writes.moc"
