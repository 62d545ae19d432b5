// Help and About pages: how page files become page text, and that a page shown in a dialog
// stays inert (no network, no navigation away from the page).

#include "ModelFixture.h"
#include "loading/PageFile.h"
#include "ui/Ui_About.h"
#include "ui/Ui_help.h"

#include <QDesktopServices>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

class PageTest : public QObject
{
  Q_OBJECT

  QTemporaryDir directory;
  QList<QUrl> openedUrls;

public slots:
  void openUrl(const QUrl& url) { openedUrls << url; }

private slots:
  void pageText_data()
  {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");
    const QByteArray longLine(5000, 'x');
    QTest::newRow("two lines") << QByteArray("Hello\nWorld\n") << "HelloWorld";
    QTest::newRow("no final line feed") << QByteArray("Hello\nWorld") << "HelloWorld";
    QTest::newRow("CR LF") << QByteArray("Hello\r\nWorld\r\n") << "HelloWorld";
    QTest::newRow("empty lines") << QByteArray("\n\r\n\n") << "";
    QTest::newRow("empty file") << QByteArray() << "";
    QTest::newRow("Latin-1 byte") << QByteArray("caf\xE9\n") << "caf\u00E9";
    QTest::newRow("UTF-8 is two characters") << QByteArray("caf\xC3\xA9") << "caf\u00C3\u00A9";
    QTest::newRow("lone CR kept") << QByteArray("a\rb\n") << "a\rb";
    QTest::newRow("line beyond any buffer") << longLine + "\r\nEnd" << QString(longLine + "End");
  }

  void pageText()
  {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    const QString path = directory.filePath("page.html");
    fixture::writeFile(path, bytes);
    const QString page = readPageFile(path, "page.html not found!");
    QCOMPARE(page, expected);
    QVERIFY(!page.isNull());
  }

  // Anything but a readable plain file yields the message; a named pipe must not block.
  void unreadablePages_data()
  {
    QTest::addColumn<QString>("kind");
    for (const char* kind : { "missing", "folder", "named pipe", "no read permission" })
      QTest::newRow(kind) << kind;
  }

  void unreadablePages()
  {
    QFETCH(QString, kind);
    QTemporaryDir pages;
    const QString path = pages.filePath("help2.html");
    if (kind == "folder") {
      QVERIFY(QDir(pages.path()).mkdir("help2.html"));
    } else if (kind == "named pipe") {
      QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (kind == "no read permission") {
      if (::geteuid() == 0)
        QSKIP("permissions do not stop the superuser");
      fixture::writeFile(path, "<p>secret</p>");
      QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
    }
    QCOMPARE(readPageFile(path, "help2.html not found!"), QString("help2.html not found!"));
  }

  // Remote images, style sheets and links neither reach the network nor replace the page.
  void pagesStayInert()
  {
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    const QString base = QString("http://127.0.0.1:%1/").arg(server.serverPort());
    for (const char* scheme : { "http", "https", "file" })
      QDesktopServices::setUrlHandler(scheme, this, "openUrl");
    Ui_help help;
    Ui_About about;
    help.setupUi(&help);
    about.setupUi(&about);
    for (auto [dialog, browser] :
         { std::pair<QDialog*, QTextBrowser*>(&help, help.textBrowser),
           std::pair<QDialog*, QTextBrowser*>(&about, about.textBrowser) }) {
      browser->setHtml(QString("<html><head><link rel=\"stylesheet\" href=\"%1style.css\"></head>"
                               "<body><p><img src=\"%1remote.png\" width=\"16\" height=\"16\"></p>"
                               "<p>Before <a href=\"%1page.html\">remote link</a> after</p></body>")
                         .arg(base));
      const QString shown = browser->toHtml();
      QVERIFY(!browser->loadResource(QTextDocument::ImageResource, base + "remote.png").isValid());
      QVERIFY(
        !browser->loadResource(QTextDocument::StyleSheetResource, base + "style.css").isValid());
      dialog->show();
      QVERIFY(QTest::qWaitForWindowExposed(dialog));
      QTextCursor cursor = browser->document()->find("remote link");
      cursor.setPosition(cursor.selectionStart() + 3);
      const QPoint onLink = browser->cursorRect(cursor).center();
      QCOMPARE(browser->anchorAt(onLink), base + "page.html");
      QSignalSpy clicked(browser, &QTextBrowser::anchorClicked);
      QTest::mouseClick(browser->viewport(), Qt::LeftButton, {}, onLink);
      QTest::qWait(100);
      QCOMPARE(clicked.count(), 1); // the click landed on the link
      QVERIFY(browser->source().isEmpty());
      QCOMPARE(browser->toHtml(), shown);
    }
    QVERIFY(openedUrls.isEmpty());
    QVERIFY(!server.waitForNewConnection(200));
    for (const char* scheme : { "http", "https", "file" })
      QDesktopServices::unsetUrlHandler(scheme);
  }
};

QTEST_MAIN(PageTest)
#include "test_pages.moc"
