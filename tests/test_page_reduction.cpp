// Pages that would keep the window busy: their HTML is reduced before the browser lays it out,
// and the files they name are loaded once each within a budget. Ordinary teaching pages come out
// as they went in. Window-free: the documents are laid out without being shown.

#include "ModelFixture.h"
#include "TestDriver.h"

#include "loading/PageFile.h"
#include "loading/PageReduction.h"
#include "tools/SampleDescriptions.h"
#include "tools/SamplePages.h"
#include "ui/PageDialog.h"

#include <QBuffer>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>

#include <algorithm>
#include <functional>

namespace {

const QChar zeroWidthSpace(0x200B);

QString
repeated(const QString& text, int count)
{
  QString result;
  result.reserve(text.size() * count);
  for (int index = 0; index < count; ++index) {
    result += text;
  }
  return result;
}

// Tables inside one another in the laid-out document.
int
deepestTable(QTextFrame* frame, int depth = 0)
{
  int deepest = depth;
  for (QTextFrame* child : frame->childFrames()) {
    const bool table = qobject_cast<QTextTable*>(child) != nullptr;
    deepest = std::max(deepest, deepestTable(child, depth + (table ? 1 : 0)));
  }
  return deepest;
}

int
deepestList(const QTextDocument& document)
{
  int deepest = 0;
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    if (QTextList* list = block.textList()) {
      deepest = std::max(deepest, list->format().indent());
    }
  }
  return deepest;
}

// The page laid out as the browser would, at the Help dialog's width.
struct LaidOut
{
  int tables = 0;
  int lists = 0;
  QString text; // without the added break opportunities
  int longestRun = 0;
  double height = 0;
};

LaidOut
layOut(const QString& page)
{
  QTextDocument document;
  document.setHtml(page);
  document.setTextWidth(950);
  LaidOut result;
  result.height = document.size().height();
  result.tables = deepestTable(document.rootFrame());
  result.lists = deepestList(document);
  const QString plain = document.toPlainText();
  int run = 0;
  for (const QChar character : plain) {
    run = character.isSpace() || character == zeroWidthSpace ? 0 : run + 1;
    result.longestRun = std::max(result.longestRun, run);
  }
  result.text = QString(plain).remove(zeroWidthSpace);
  return result;
}

QByteArray
pngOf(int width, int height)
{
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(Qt::darkCyan);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes;
}

} // namespace

class PageReductionTest : public QObject
{
  Q_OBJECT

private slots:
  // What teaching pages hold goes through untouched.
  void ordinaryPagesUnchanged_data()
  {
    QTest::addColumn<QString>("page");
    QTest::newRow("text and emphasis")
      << "<html><body><h1>Incus</h1><p>The <b>incus</b> or <i>anvil</i> &amp; its "
         "<u>body</u>&nbsp;&#233;&#x41;</p><hr><p>Second<br>line</p></body></html>";
    QTest::newRow("tables two deep")
      << "<table border=\"1\"><tr><th>Part</th><th>Size</th></tr><tr><td>Body</td><td>"
         "<table><tr><td>5 mm</td><td>6 mm</td></tr></table></td></tr></table>";
    QTest::newRow("lists three deep")
      << "<ul><li>Ossicles<ol><li>Malleus</li><li>Incus<ul><li>Body</li><li>Long process</li>"
         "</ul></li></ol></li><li>Muscles</li></ul><dl><dt>Term</dt><dd>Meaning</dd></dl>";
    QTest::newRow("links and images")
      << "<p><a href=\"#top\">Top</a> <a name=\"top\"></a><img src=\"figure.png\" width=\"40\">"
         "<img src='a b.png' alt=\"x > y\"/></p>";
    QTest::newRow("style sheet and title")
      << "<head><title>Help</title><style>p { color: #204080; } " + QString(300, 'a') +
           R"( {}</style><link rel="stylesheet" href="page.css"></head><p class=x>Text</p>)";
    QTest::newRow("long but ordinary words")
      << "<p>" + repeated("Pneumonoultramicroscopicsilicovolcanoconiosis ", 100) + "</p>";
    QTest::newRow("numbers in names and sizes a page may use")
      << "<p style=\"color:#123456; background:url(123456.png); width:1200px\">"
         "<img src=\"20240101.png\" width=\"1200\"><a href=\"page.html?id=123456\">a</a></p>"
         "<style>td { padding: 8px } .x99999 { margin: 9000px }</style>";
    QTest::newRow("a lone less-than sign") << "<p>a < b and 3<4</p>";
    QTest::newRow("fonts and divisions")
      << "<div align=\"center\"><font color=\"red\" size=\"4\"><span style=\"x\">"
         "<blockquote>Quote</blockquote></span></font></div><pre>  code  </pre>";
  }

  void ordinaryPagesUnchanged()
  {
    QFETCH(QString, page);
    QCOMPARE(reducedPage(page), page);
  }

  // A word too long for the layout gets break opportunities between its characters, and an
  // entity is one character: never split, or the page would show "&#2" and "33;".
  void entitiesStayWholeInLongWords()
  {
    const QString page = "<p>" + repeated("&#233;", 300) + "</p>";
    const QString reduced = reducedPage(page);
    QVERIFY(reduced.contains(QChar(0x200B)));
    QCOMPARE(QString(reduced).remove(QChar(0x200B)), page);
    for (int index = reduced.indexOf(QChar(0x200B)); index >= 0;
         index = reduced.indexOf(QChar(0x200B), index + 1)) {
      QCOMPARE(reduced.at(index + 1), QLatin1Char('&'));
    }
  }

  // The sample model's Help, About and description pages, read as the viewer reads them.
  void samplePagesUnchanged_data()
  {
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("help2.html") << sample::helpPage();
    QTest::newRow("about2.html") << sample::aboutPage();
    for (const char* name : { "Incus",
                              "Incus Articular Cartilage",
                              "Incus Blood Vessels",
                              "Incus Areolar Tissue",
                              "Stapes",
                              "Stapes Articular Cartilage",
                              "Capsular Ligamental Fibers",
                              "Stapedius Tendon",
                              "Joint Space" }) {
      QTest::newRow(name) << sample::structureDescription(name);
    }
  }

  void samplePagesUnchanged()
  {
    QFETCH(QByteArray, file);
    QVERIFY(file.size() > 100);
    QTemporaryDir folder;
    fixture::writeFile(folder.filePath("page.html"), file);
    const PageRead read = readPageFile(folder.filePath("page.html"));
    QVERIFY2(read.problem.empty(), read.problem.c_str());
    // Lines joined with nothing between them, each byte one character.
    QCOMPARE(read.page,
             QString::fromLatin1(QByteArray(file).replace("\r\n", "").replace('\n', "")));
  }

  // Each shape that kept the window busy for seconds to minutes, laid out completely, with its
  // text kept and its nesting within the bounds.
  void hostileShapes_data()
  {
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("text"); // what the page shows, in order
    QTest::addColumn<int>("tables");
    QTest::addColumn<int>("lists");
    QTest::newRow("tables 24 deep")
      << repeated("<table><tr><td>", 24) + "deep" + repeated("</td></tr></table>", 24) << "deep"
      << 4 << 0;
    QTest::newRow("tables 24 deep, a cell beside each")
      << repeated("<table><tr><td>a</td><td>", 24) + "deep" + repeated("</td></tr></table>", 24)
      << repeated("a ", 24) + "deep" << 4 << 0;
    QTest::newRow("50,000 lists, each inside the last")
      << repeated("<ul><li>x", 50000) << QString() << 0 << 8;
    QTest::newRow("20,000 unclosed headings") << repeated("<h1>x", 20000) << QString() << 0 << 0;
    QTest::newRow("50,000 unclosed bold") << repeated("<b>x", 50000) << QString() << 0 << 0;
    // Lengths of two billion pixels: Qt's table layout never finished laying out any of these.
    QTest::newRow("cell padding of two billion")
      << "<table cellpadding=\"2000000000\"><tr><td>x</td></tr></table>"
      << "x" << 1 << 0;
    QTest::newRow("cell spacing of two billion")
      << "<table cellspacing='2000000000'><tr><td>x</td></tr></table>"
      << "x" << 1 << 0;
    QTest::newRow("padding of two billion in a cell's style")
      << "<table><tr><td style=\"padding:2000000000px\">x</td></tr></table>"
      << "x" << 1 << 0;
    QTest::newRow("spacing of two billion in a style sheet")
      << "<style>table { border-spacing: 2000000000px }</style><table><tr><td>x</td></tr></table>"
      << "x" << 1 << 0;
    QTest::newRow("a cell spanning 100,000 columns")
      << "<table><tr><td colspan=100000>x</td></tr></table>"
      << "x" << 1 << 0;
    QTest::newRow("a word of a million letters")
      << "<p>" + QString(1000000, 'w') + "</p>" << QString(PageShape().mostCharacters, 'w') << 0
      << 0;
  }

  void hostileShapes()
  {
    QFETCH(QString, page);
    QFETCH(QString, text);
    QFETCH(int, tables);
    QFETCH(int, lists);
    const LaidOut laidOut = layOut(reducedPage(page));
    QVERIFY(laidOut.height > 0);
    QCOMPARE(laidOut.tables, tables);
    QCOMPARE(laidOut.lists, lists);
    QVERIFY(laidOut.longestRun <= 200);
    if (!text.isEmpty()) {
      QCOMPARE(laidOut.text.simplified(), text.simplified());
    } else {
      // Every letter of the page is still there.
      QCOMPARE(laidOut.text.count('x'), page.count('x'));
    }
  }

  // A page of the largest size a page file may have: its text is cut to what the window can lay
  // out, its tags to what it can hold, and the cut leaves no tag half-written.
  void largestPages_data()
  {
    QTest::addColumn<QString>("unit");
    QTest::newRow("4 MB of words") << "lorem ";
    QTest::newRow("4 MB of paragraphs") << "<p>ab</p>";
    QTest::newRow("4 MB of line breaks") << "<br>";
    QTest::newRow("4 MB of cells") << "<td>c</td>";
    QTest::newRow("4 MB of entities") << "&amp;";
  }

  void largestPages()
  {
    QFETCH(QString, unit);
    QTemporaryDir folder;
    const QString path = folder.filePath("page.html");
    const QByteArray bytes = repeated(unit, int(largestPageBytes / unit.size())).toLatin1();
    fixture::writeFile(path, bytes);
    const PageRead read = readPageFile(path);
    QVERIFY2(read.problem.empty(), read.problem.c_str());
    QVERIFY(read.page.size() < bytes.size() / 2);
    QVERIFY(read.page.count('<') <= PageShape().mostElements);
    QVERIFY(read.page.lastIndexOf('<') < read.page.lastIndexOf('>') ||
            read.page.lastIndexOf('<') < 0);
    const LaidOut laidOut = layOut(read.page);
    QVERIFY(laidOut.height > 0);
    // The page's own characters; the paragraphs and cells add line ends of their own.
    const int shown =
      int(std::count_if(laidOut.text.begin(), laidOut.text.end(), [](QChar character) {
        return !character.isSpace();
      }));
    QVERIFY2(shown <= PageShape().mostCharacters, qPrintable(QString::number(shown)));
    QVERIFY(laidOut.text.size() > 1000);
  }

  void commentsLeftOut()
  {
    QCOMPARE(reducedPage("<p>a<!-- <table> -->b</p>"), QString("<p>ab</p>"));
    // As in the browser, a comment that never ends hides the rest.
    QCOMPARE(reducedPage("<p>a</p><!-- open <p>b</p>"), QString("<p>a</p>"));
  }

  // One picture named 200 times with different queries, and four links to one style sheet:
  // each file is loaded once, and the page holds one copy.
  void eachFileLoadedOnce_data()
  {
    QTest::addColumn<QString>("page");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("loads");
    QString pictures;
    for (int index = 0; index < 200; ++index) {
      pictures += QString("<img src=\"figure.png?%1\">").arg(index);
    }
    QTest::newRow("a picture 200 times") << pictures << int(QTextDocument::ImageResource) << 1;
    QString links;
    for (const char* suffix : { "", "?b", "#c", "?d#e" }) {
      links += QString(R"(<link rel="stylesheet" type="text/css" href="page.css%1">)").arg(suffix);
    }
    QTest::newRow("a style sheet 4 times")
      << links + "<p>Text</p>" << int(QTextDocument::StyleSheetResource) << 1;
    QTest::newRow("two pictures") << R"(<img src="figure.png"><img src="other.png">)"
                                  << int(QTextDocument::ImageResource) << 2;
  }

  void eachFileLoadedOnce()
  {
    QFETCH(QString, page);
    QFETCH(int, type);
    QFETCH(int, loads);
    int calls = 0;
    PageBrowser browser;
    browser.setResourceLoader([&calls, type](int requested, const QUrl&) -> QVariant {
      if (requested != type) {
        return QString();
      }
      ++calls;
      if (type == QTextDocument::ImageResource) {
        return QImage(100, 50, QImage::Format_ARGB32);
      }
      return QString("p { color: red; }");
    });
    browser.setHtml(page);
    browser.document()->setTextWidth(400);
    QVERIFY(browser.document()->size().height() > 0);
    QCOMPARE(calls, loads);
    const qint64 pictureBytes = type == QTextDocument::ImageResource ? loads * 100 * 50 * 4 : 0;
    QCOMPARE(browser.pictureBytesLoaded(), pictureBytes);
    // The next page loads its files afresh.
    browser.setHtml(page);
    browser.document()->setTextWidth(300);
    QVERIFY(browser.document()->size().height() > 0);
    QCOMPARE(calls, 2 * loads);
    QCOMPARE(browser.pictureBytesLoaded(), pictureBytes);
  }

  // Pictures decoded for one page stop at the page's budget: the fourth of 3000 x 3000 (36 MB
  // each) would pass 128 MB. The page itself still shows.
  void picturesWithinBudget()
  {
    int calls = 0;
    PageBrowser browser;
    const QImage picture(3000, 3000, QImage::Format_ARGB32);
    browser.setResourceLoader([&](int, const QUrl&) -> QVariant {
      ++calls;
      return picture.copy(); // each file decoded apart
    });
    QString page = "<p>Figures</p>";
    for (int index = 0; index < 6; ++index) {
      page += QString(R"(<img src="figure%1.png" width="20" height="20">)").arg(index);
    }
    browser.setHtml(page);
    browser.document()->setTextWidth(400);
    QVERIFY(browser.document()->size().height() > 0);
    QCOMPARE(browser.pictureBytesLoaded(), 3 * picture.sizeInBytes());
    // Once the budget is spent, the files are not even read.
    QCOMPARE(calls, 4);
  }
};

COCHLEX_TEST_CLASS(PageReductionTest)
#include "test_page_reduction.moc"
