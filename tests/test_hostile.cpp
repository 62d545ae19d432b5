// Hostile model folders: each kind of damaged or malicious file is refused or bounded with a
// problem naming it, and the rest of the model still loads. Window-free: the readers, the page
// resource hook and the screenshot writer are all tested without a display.

#include "ModelFixture.h"
#include "TestDriver.h"

#include "app/CommandLine.h"
#include "loading/ModelFile.h"
#include "loading/PageFile.h"
#include "loading/TeachingModel.h"
#include "ui/BoundedImage.h"
#include "ui/PageDialog.h"
#include "viewer/PageResources.h"
#include "viewer/Screenshots.h"

#include <QBuffer>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>

#include <vtkPolyData.h>

#include <algorithm>
#include <csignal>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using FolderChange = std::function<void(const QString& folder)>;
Q_DECLARE_METATYPE(FolderChange)

namespace {

QByteArray
smallPng()
{
  QImage image(4, 4, QImage::Format_RGB32);
  image.fill(Qt::green);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes;
}

// A sparse file of size bytes of zeros: gigabytes that cost nothing on disk.
void
writeSparse(const QString& path, qint64 size)
{
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(size));
}

void
makeFifo(const QString& path)
{
  QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
}

// The list of the standard structures with one entry's path line and opacity replaced.
void
rewriteFirstEntry(const QString& folder, const QByteArray& pathLine, const QByteArray& opacity)
{
  const std::vector<fixture::Structure> structures = fixture::standardStructures();
  QByteArray list = pathLine + '\n' + opacity + '\n';
  for (std::size_t index = 1; index < structures.size(); ++index) {
    list += structures[index].relativePath.toUtf8() + "\n1\n";
  }
  fixture::writeFile(folder + "/Joint_transformed.txt", list);
}

QString
firstSurface(const QString& folder)
{
  return folder + fixture::standardStructures()[0].relativePath;
}

} // namespace

class HostileTest : public QObject
{
  Q_OBJECT

private slots:
  void modelFiles_data()
  {
    QTest::addColumn<FolderChange>("change");
    QTest::addColumn<QString>("problem");
    QTest::addColumn<int>("surfacesLoaded");

    QTest::newRow("list path leaving the folder") << FolderChange([](const QString& folder) {
      QVERIFY(QFile::copy(firstSurface(folder), folder + "/../secret.vtk"));
      rewriteFirstEntry(folder, "/../secret.vtk", "1");
    }) << "leaves the model folder" << 8;
    QTest::newRow("surface of 2 GB of zeros") << FolderChange([](const QString& folder) {
      writeSparse(firstSurface(folder), qint64(2) << 30);
    }) << "it is not a VTK legacy data file" << 8;
    QTest::newRow("surface a FIFO") << FolderChange([](const QString& folder) {
      QVERIFY(QFile::remove(firstSurface(folder)));
      makeFifo(firstSurface(folder));
    }) << "it is not a regular file" << 8;
    for (const char* text : { "nan 0 0", "inf 1 1", "1e400 0 0", "red green blue" }) {
      QTest::newRow(qPrintable(QStringLiteral("colour %1").arg(text)))
        << FolderChange([text](const QString& folder) {
             fixture::writeFile(firstSurface(folder) + ".color", text);
           })
        << "does not begin with three finite numbers" << 9;
    }
    QTest::newRow("colour out of range") << FolderChange([](const QString& folder) {
      fixture::writeFile(firstSurface(folder) + ".color", "2 0 -1");
    }) << "outside 0 to 1" << 9;
    QTest::newRow("colour file a FIFO") << FolderChange([](const QString& folder) {
      QVERIFY(QFile::remove(firstSurface(folder) + ".color"));
      makeFifo(firstSurface(folder) + ".color");
    }) << "is not a regular file" << 9;
    for (const char* opacity : { "-1", "1e308" }) {
      QTest::newRow(qPrintable(QStringLiteral("opacity %1").arg(opacity)))
        << FolderChange([opacity](const QString& folder) {
             rewriteFirstEntry(
               folder, fixture::standardStructures()[0].relativePath.toUtf8(), opacity);
           })
        << "outside 0 to 1" << 9;
    }
    QTest::newRow("volume of 10 GB") << FolderChange([](const QString& folder) {
      writeSparse(folder + "/Joint/Joint.raw", qint64(10) << 30);
    }) << "more than the 47483040 of a volume"
                                     << 9;
  }

  void modelFiles()
  {
    QFETCH(FolderChange, change);
    QFETCH(QString, problem);
    QFETCH(int, surfacesLoaded);
    QTemporaryDir root;
    const QString folder = root.filePath("model");
    fixture::writeModel(folder, fixture::standardStructures(), false);
    fixture::writeVolume(folder, [](int, int, int) { return std::uint8_t(1); });
    change(folder);

    int loaded = 0;
    TeachingModelSteps steps;
    steps.structureRead = [&loaded](std::size_t, const LoadedStructure& structure) {
      loaded += structure.surface->GetNumberOfPoints() > 0;
      // A refused colour is the default grey; an out-of-range one is clamped.
      QVERIFY(*std::min_element(structure.color.begin(), structure.color.end()) >= 0 &&
              *std::max_element(structure.color.begin(), structure.color.end()) <= 1);
    };
    const TeachingModel model = loadTeachingModel(QFile::encodeName(folder).toStdString(), steps);
    QCOMPARE(model.structureCount, std::size_t(9));
    QCOMPARE(loaded, surfacesLoaded);
    QVERIFY(model.volume != nullptr);
    int naming = 0;
    for (const std::string& line : model.problems) {
      QVERIFY2(line.size() <= longestShownLine, line.substr(0, 200).c_str());
      naming += QString::fromStdString(line).contains(problem);
    }
    QVERIFY2(naming == 1, model.problems.empty() ? "no problem" : model.problems.front().c_str());
  }

  void pageResources_data()
  {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("problem"); // empty: the picture is shown
    const QString outside = "is outside the model folder";
    const QString tooLarge = "more than the 8192 on a side and 64 MB decoded";
    QTest::newRow("FIFO") << "pipe.png"
                          << "is not a regular file";
    QTest::newRow("device") << "file:///dev/zero" << outside;
    QTest::newRow("link to a device") << "zero.png" << outside;
    QTest::newRow("outside by ..") << "../outside.png" << outside;
    QTest::newRow("declares 8192 x 8192, 256 MB decoded") << "wide.png" << tooLarge;
    QTest::newRow("data URL declaring 20000 x 20000")
      << "data:image/png;base64," +
           QString::fromLatin1(fixture::pngDeclaring(20000, 20000).toBase64())
      << tooLarge;
    QTest::newRow("network") << "http://127.0.0.1:9/a.png"
                             << "is not a file of the model folder";
    QTest::newRow("sound picture") << "small.png" << QString();
    QTest::newRow("sound picture by its file URL") << "FOLDER/small.png" << QString();
    QTest::newRow("sound data URL")
      << "data:image/png;base64," + QString::fromLatin1(smallPng().toBase64()) << QString();
  }

  void pageResources()
  {
    QFETCH(QString, name);
    QFETCH(QString, problem);
    QTemporaryDir root;
    const QString folder = root.filePath("model");
    QVERIFY(QDir().mkpath(folder));
    makeFifo(folder + "/pipe.png");
    QVERIFY(QFile::link("/dev/zero", folder + "/zero.png"));
    fixture::writeFile(root.filePath("outside.png"), smallPng());
    fixture::writeFile(folder + "/wide.png", fixture::pngDeclaring(8192, 8192));
    fixture::writeFile(folder + "/small.png", smallPng());
    const QUrl url =
      name.startsWith("FOLDER") ? QUrl::fromLocalFile(folder + name.mid(6)) : QUrl(name);
    QString reported;
    const QVariant resource = loadPageResource(
      QFile::encodeName(folder).toStdString(),
      QTextDocument::ImageResource,
      url,
      [&reported](const std::string& line) { reported += QString::fromStdString(line); });
    QVERIFY(!resource.isNull());
    QCOMPARE(resource.value<QImage>().size(), problem.isEmpty() ? QSize(4, 4) : QSize(1, 1));
    QVERIFY2(problem.isEmpty() ? reported.isEmpty() : reported.contains(problem),
             qPrintable(reported));
    // The splash and the window icon are read by name, under the same picture limits.
    if (url.isRelative() && !name.startsWith("..")) {
      const ImageRead read = readBoundedImage(folder + "/" + name);
      QVERIFY(problem.isEmpty() ? !read.image.isNull() : read.image.isNull());
    }

    // A whole page naming it is laid out at once, without the browser reading anything itself.
    PageBrowser browser;
    browser.setResourceLoader([&folder](int type, const QUrl& resourceName) {
      return loadPageResource(QFile::encodeName(folder).toStdString(), type, resourceName);
    });
    browser.setHtml("<p>Figure</p><img src=\"" + url.toString() + "\">");
    browser.document()->setTextWidth(400);
    QVERIFY(browser.document()->size().height() > 0);
  }

  void pageFiles()
  {
    QTemporaryDir folder;
    makeFifo(folder.filePath("pipe.html"));
    QVERIFY(QDir(folder.path()).mkdir("folder.html"));
    for (const char* name : { "pipe.html", "folder.html", "missing.html" }) {
      const PageRead read = readPageFile(folder.filePath(name));
      QVERIFY(read.page.isEmpty() && !read.problem.empty());
      QCOMPARE(read.missing, QByteArray(name) == "missing.html");
    }
  }

  // A folder whose name is not UTF-8: given on the command line and as the working directory.
  void folderNameNotUtf8()
  {
    QTemporaryDir root;
    fixture::writeModel(root.filePath("model"), fixture::standardStructures(), false);
    const QByteArray name = QFile::encodeName(root.path()) + "/caf\xE9-\xFF";
    QCOMPARE(::rename(QFile::encodeName(root.filePath("model")).constData(), name.constData()), 0);

    const CommandLineOutcome outcome =
      parseCommandLine({ "cochlex", QString::fromLocal8Bit(name) }, { "cochlex", name });
    QVERIFY2(outcome.runViewer, qPrintable(outcome.message));
    QCOMPARE(outcome.modelFolderBytes, name);
    const TeachingModel model = loadTeachingModel(name.toStdString(), {});
    QCOMPARE(model.structureCount, std::size_t(9));
    QCOMPARE(int(model.problems.size()), 1); // no volume
    QCOMPARE(::rename(name.constData(), QFile::encodeName(root.filePath("model")).constData()), 0);
  }

  void shortenedNames()
  {
    std::string name(100, 'a');
    for (int count = 0; count < 100; ++count) {
      name += "\u00e9";
    }
    // The cut at the end falls inside a two-byte character: it moves to the character's start.
    const std::string shown = shortenedInMiddle(name, 101);
    QVERIFY(shown.size() <= 101 && shown.find("\u2026") != std::string::npos);
    QCOMPARE(QString::fromStdString(shown).toStdString(), shown);
  }
};

COCHLEX_TEST_CLASS(HostileTest)
#include "test_hostile.moc"
