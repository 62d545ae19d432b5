// Help and About pages: how page files become page text, and that a page shown in a dialog
// stays inert (no network, no navigation away from the page).

#include "ModelFixture.h"
#include "loading/PageFile.h"
#include "ui/Ui_About.h"
#include "ui/Ui_help.h"

#include <QDesktopServices>
#include <QFile>
#include <QHostAddress>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Records every URL the desktop service is asked to open.
class UrlRecorder : public QObject
{
  Q_OBJECT
public:
  QList<QUrl> urls;
public slots:
  void openUrl(const QUrl& url) { urls.append(url); }
};

} // namespace

class PageTest : public QObject
{
  Q_OBJECT

private slots:
  void pageText_data();
  void pageText();
  void unreadablePages_data();
  void unreadablePages();
  void missingHelpLeavesAboutIntact();
  void pageBytesShownAsLatin1();
  void pagesStayInert_data();
  void pagesStayInert();

private:
  QTemporaryDir directory;
};

void
PageTest::pageText_data()
{
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<QString>("expected");

  const QString longLine(5000, QLatin1Char('x'));

  QTest::newRow("two lines") << QByteArray("Hello\nWorld\n") << QStringLiteral("HelloWorld");
  QTest::newRow("last line without line feed")
    << QByteArray("Hello\nWorld") << QStringLiteral("HelloWorld");
  QTest::newRow("CR LF") << QByteArray("Hello\r\nWorld\r\n") << QStringLiteral("HelloWorld");
  QTest::newRow("empty lines") << QByteArray("\n\r\n\n") << QString();
  QTest::newRow("empty file") << QByteArray() << QString();
  QTest::newRow("Latin-1 byte") << QByteArray("caf\xE9\n") << QStringLiteral("caf\u00E9");
  QTest::newRow("UTF-8 sequence stays two characters")
    << QByteArray("caf\xC3\xA9\n") << QStringLiteral("caf\u00C3\u00A9");
  QTest::newRow("carriage return inside a line is kept")
    << QByteArray("a\rb\n") << QStringLiteral("a\rb");
  QTest::newRow("line longer than any buffer")
    << (longLine.toLatin1() + "\r\nEnd") << (longLine + QStringLiteral("End"));
}

void
PageTest::pageText()
{
  QFETCH(QByteArray, bytes);
  QFETCH(QString, expected);
  QVERIFY(directory.isValid());

  const QString path = directory.filePath(QStringLiteral("page.html"));
  fixture::writeFile(path, bytes);

  const QString page = readPageFile(path, QStringLiteral("page.html not found!"));
  QCOMPARE(page, expected);
  QVERIFY(!page.isNull());
}

void
PageTest::unreadablePages_data()
{
  QTest::addColumn<QString>("kind");
  QTest::newRow("missing") << QStringLiteral("missing");
  QTest::newRow("folder") << QStringLiteral("folder");
  QTest::newRow("named pipe") << QStringLiteral("fifo");
  QTest::newRow("no read permission") << QStringLiteral("unreadable");
}

// Anything that is not a readable plain file yields the message and nothing else; a named pipe
// must not block the window's construction.
void
PageTest::unreadablePages()
{
  QFETCH(QString, kind);
  QTemporaryDir pages;
  QVERIFY(pages.isValid());
  const QString path = pages.filePath(QStringLiteral("help2.html"));

  if (kind == QLatin1String("folder")) {
    QVERIFY(QDir(pages.path()).mkdir(QStringLiteral("help2.html")));
  } else if (kind == QLatin1String("fifo")) {
    QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
  } else if (kind == QLatin1String("unreadable")) {
    if (::geteuid() == 0)
      QSKIP("permissions do not stop the superuser");
    fixture::writeFile(path, "<p>secret</p>");
    QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
  }

  QCOMPARE(readPageFile(path, QStringLiteral("help2.html not found!")),
           QStringLiteral("help2.html not found!"));
}

void
PageTest::missingHelpLeavesAboutIntact()
{
  QTemporaryDir pages;
  QVERIFY(pages.isValid());
  fixture::writeFile(pages.filePath(QStringLiteral("about2.html")),
                     "<b>About</b>\r\n<i>Page</i>\r\n");

  QCOMPARE(readPageFile(pages.filePath(QStringLiteral("help2.html")),
                        QStringLiteral("help2.html not found!")),
           QStringLiteral("help2.html not found!"));
  QCOMPARE(readPageFile(pages.filePath(QStringLiteral("about2.html")),
                        QStringLiteral("about2.html not found!")),
           QStringLiteral("<b>About</b><i>Page</i>"));
}

// What the reader reads is what the dialog shows: a Latin-1 byte is one letter, a UTF-8
// sequence is two.
void
PageTest::pageBytesShownAsLatin1()
{
  const QString path = directory.filePath(QStringLiteral("accents.html"));
  fixture::writeFile(path, "<p>\xE9</p>\n<p>\xC3\xA9</p>\n");

  Ui_About dialog;
  dialog.setupUi(&dialog);
  dialog.textBrowser->setHtml(readPageFile(path, QStringLiteral("about2.html not found!")));

  const QString shown = dialog.textBrowser->toPlainText();
  QCOMPARE(shown, QStringLiteral("\u00E9\n\u00C3\u00A9"));
}

void
PageTest::pagesStayInert_data()
{
  QTest::addColumn<bool>("help");
  QTest::newRow("Help") << true;
  QTest::newRow("About") << false;
}

// A page with remote links, images and style sheets must neither contact the network nor
// navigate away from itself when its link is clicked.
void
PageTest::pagesStayInert()
{
  QFETCH(bool, help);

  QTcpServer server;
  QVERIFY(server.listen(QHostAddress::LocalHost));
  const QString base = QStringLiteral("http://127.0.0.1:%1/").arg(server.serverPort());

  UrlRecorder recorder;
  for (const char* scheme : { "http", "https", "file" })
    QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &recorder, "openUrl");

  Ui_help helpDialog;
  Ui_About aboutDialog;
  QDialog* dialog = help ? static_cast<QDialog*>(&helpDialog) : &aboutDialog;
  QTextBrowser* browser = nullptr;
  if (help) {
    helpDialog.setupUi(&helpDialog);
    browser = helpDialog.textBrowser;
  } else {
    aboutDialog.setupUi(&aboutDialog);
    browser = aboutDialog.textBrowser;
  }

  const QString html =
    QStringLiteral("<html><head><link rel=\"stylesheet\" type=\"text/css\" href=\"%1style.css\">"
                   "</head><body><p><img src=\"%1remote.png\" width=\"16\" height=\"16\"></p>"
                   "<p>Before <a href=\"%1page.html\">remote link</a> after</p></body></html>")
      .arg(base);
  browser->setHtml(html);
  const QString shownBefore = browser->toHtml();

  // A remote resource resolves to nothing rather than to a download.
  QVERIFY(
    !browser->loadResource(QTextDocument::ImageResource, QUrl(base + "remote.png")).isValid());
  QVERIFY(
    !browser->loadResource(QTextDocument::StyleSheetResource, QUrl(base + "style.css")).isValid());

  dialog->show();
  QVERIFY(QTest::qWaitForWindowExposed(dialog));

  // Click in the middle of the link text.
  QTextCursor cursor = browser->document()->find(QStringLiteral("remote link"));
  QVERIFY(!cursor.isNull());
  cursor.setPosition(cursor.selectionStart() + 3);
  const QPoint linkPoint = browser->cursorRect(cursor).center();
  QCOMPARE(browser->anchorAt(linkPoint), base + QStringLiteral("page.html"));

  QSignalSpy clicked(browser, &QTextBrowser::anchorClicked);
  QSignalSpy sourceChanged(browser, &QTextBrowser::sourceChanged);
  QTest::mouseClick(browser->viewport(), Qt::LeftButton, Qt::NoModifier, linkPoint);
  QTest::qWait(100);

  QCOMPARE(clicked.count(), 1); // the click really landed on the link
  QCOMPARE(sourceChanged.count(), 0);
  QVERIFY(browser->source().isEmpty());
  QCOMPARE(browser->toHtml(), shownBefore);
  QVERIFY(recorder.urls.isEmpty());
  QVERIFY(!server.waitForNewConnection(200));
  QVERIFY(!server.hasPendingConnections());

  for (const char* scheme : { "http", "https", "file" })
    QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
  dialog->hide();
}

QTEST_MAIN(PageTest)
#include "test_pages.moc"
