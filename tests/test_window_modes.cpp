// Window modes of the Viewer window: the Help and About pages and dialogs, the two docks, full
// screen, anaglyph stereo, the viewer dock's width rule and the audio guides.

#include "GuiTest.h"
#include "viewer/WindowModeSlots.h"

#include <QScreen>
#include <QTcpServer>

#include <vtkSphereSource.h>

#include <utility>

namespace {

// A white sphere in front of the focal point, so that the two eyes see it apart.
void
addSphere(vtkRenderer* renderer)
{
  vtkNew<vtkSphereSource> sphere;
  vtkNew<vtkPolyDataMapper> mapper;
  mapper->SetInputConnection(sphere->GetOutputPort());
  vtkNew<vtkActor> actor;
  actor->SetMapper(mapper);
  renderer->AddActor(actor);
  renderer->ResetCamera();
  renderer->GetActiveCamera()->SetFocalPoint(0, 0, -3);
  renderer->ResetCameraClippingRange();
}

// Pixels in the middle of a view whose channels differ clearly: a white scene has none, its
// anaglyph has red and cyan fringes. -1 when nothing was drawn, so an empty capture cannot pass.
int
colouredPixels(RenderView* view)
{
  const QImage image = view->grabFramebuffer();
  int coloured = 0, lit = 0;
  for (int y = image.height() / 4; y < image.height() * 3 / 4; ++y) {
    for (int x = image.width() / 4; x < image.width() * 3 / 4; ++x) {
      const QColor pixel = image.pixelColor(x, y);
      const int red = pixel.red(), green = pixel.green(), blue = pixel.blue();
      coloured += qAbs(red - green) > 40 || qAbs(red - blue) > 40 || qAbs(green - blue) > 40;
      lit += red + green + blue > 300;
    }
  }
  return lit > 0 ? coloured : -1;
}

} // namespace

class WindowModesTest : public QObject
{
  Q_OBJECT

  std::unique_ptr<ViewerSession> session;
  _CochlexUI* window = nullptr;
  QList<QUrl> openedUrls;

public slots:
  // Stands in for the desktop's associated application.
  void openUrl(const QUrl& url) { openedUrls << url; }

private slots:
  void init() { session = std::make_unique<ViewerSession>(); }
  void cleanup() { session.reset(); }

  // The pages are read once, at construction: help missing, about with Windows line ends and a
  // Latin-1 letter. The dialogs show the same page every time, hidden by OK or by closing.
  void dialogsShowThePagesReadAtConstruction()
  {
    fixture::writeFile(session->folder() + "/about2.html", "<b>About</b>\r\n<i>Caf\xE9</i>\r\n");
    window = &session->open();
    fixture::writeFile(session->folder() + "/help2.html", "<p>New help</p>");
    fixture::writeFile(session->folder() + "/about2.html", "<p>New about</p>");
    const auto check =
      [this](QAction* action, auto& dialog, const char* title, const QString& page) {
        QVERIFY(!dialog.isVisible() && dialog.windowTitle() == title);
        for (int round = 0; round < 3; ++round) {
          action->trigger();
          QVERIFY(dialog.isVisible() && !dialog.isModal() && window->isVisible());
          QCOMPARE(dialog.textBrowser->toPlainText(), page);
          if (round == 0) {
            QTest::mouseClick(dialog.okButton, Qt::LeftButton);
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
          } else {
            dialog.close();
          }
          QVERIFY(!dialog.isVisible());
        }
      };
    check(window->actionCochlex_Help, window->helpDialog, "Help", "help2.html not found!");
    check(window->actionAbout_Cochlex, window->aboutDialog, "About", "AboutCaf\u00E9");
  }

  // A link to an anchor of the page scrolls there; any other link, and a remote image, neither
  // reaches the network, nor opens a program, nor replaces or moves the page. Both dialogs.
  void pageLinksOnlyScrollWithinThePage()
  {
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    const QString base = QString("http://127.0.0.1:%1/").arg(server.serverPort());
    const QUrl otherPage = QUrl::fromLocalFile(session->folder() + "/other.html");
    QString page = QString("<html><body><p><img src=\"%1remote.png\" width=\"16\" height=\"16\">"
                           "</p>\n<p><a href=\"#end\">to the end</a></p>\n"
                           "<p><a href=\"%1page.html\">remote link</a></p>\n"
                           "<p><a href=\"%2\">file link</a></p>\n"
                           "<p><a href=\"other.html#end\">other end link</a></p>\n"
                           "<p><a href=\"#nowhere\">missing anchor link</a></p>\n")
                     .arg(base, otherPage.toString());
    for (int line = 0; line < 300; ++line) {
      page += QString("<p>Line %1</p>\n").arg(line);
    }
    page += "<h2><a name=\"end\">The end</a></h2>\n</body></html>\n";
    fixture::writeFile(session->folder() + "/help2.html", page.toLatin1());
    fixture::writeFile(session->folder() + "/about2.html", page.toLatin1());
    // A page the browser could navigate to, were links followed.
    fixture::writeFile(session->folder() + "/other.html", "<p>Other page</p>");
    for (const char* scheme : { "http", "https", "file" })
      QDesktopServices::setUrlHandler(scheme, this, "openUrl");
    window = &session->open();

    const auto check = [&](QAction* action, QDialog& dialog, QTextBrowser* browser) {
      action->trigger();
      QVERIFY(QTest::qWaitForWindowExposed(&dialog));
      const QString shown = browser->toHtml();
      QScrollBar* scrollBar = browser->verticalScrollBar();
      QVERIFY(scrollBar->maximum() > 0 && scrollBar->value() == 0);
      QVERIFY(!browser->loadResource(QTextDocument::ImageResource, base + "remote.png").isValid());
      QSignalSpy clicked(browser, &QTextBrowser::anchorClicked);
      const auto click = [&](const QString& text, const QString& href) {
        QTextCursor cursor = browser->document()->find(text);
        QVERIFY2(!cursor.isNull(), qPrintable(text));
        cursor.setPosition(cursor.selectionStart() + 2);
        const QPoint onLink = browser->cursorRect(cursor).center();
        QCOMPARE(browser->anchorAt(onLink), href);
        const int before = clicked.count();
        QTest::mouseClick(browser->viewport(), Qt::LeftButton, {}, onLink);
        QCOMPARE(clicked.count(), before + 1); // the click landed on the link
      };
      for (const auto& link : { std::make_pair("remote link", base + "page.html"),
                                std::make_pair("file link", otherPage.toString()),
                                std::make_pair("other end link", QString("other.html#end")),
                                std::make_pair("missing anchor link", QString("#nowhere")) }) {
        click(link.first, link.second);
        QVERIFY2(scrollBar->value() == 0 && browser->source().isEmpty() &&
                   browser->toHtml() == shown,
                 link.first);
      }

      click("to the end", "#end");
      QVERIFY(scrollBar->value() > scrollBar->maximum() / 2);
      QVERIFY(browser->source().isEmpty() && browser->toHtml() == shown);
      // From the keyboard too: the first link takes the focus, Return follows it.
      browser->moveCursor(QTextCursor::Start);
      scrollBar->setValue(0);
      browser->setFocus();
      QTest::keyClick(browser, Qt::Key_Tab);
      QCOMPARE(browser->textCursor().selectedText(), QString("to the end"));
      QTest::keyClick(browser, Qt::Key_Return);
      QVERIFY(scrollBar->value() > scrollBar->maximum() / 2);
      QVERIFY(browser->toHtml() == shown);
      dialog.close();
    };
    check(window->actionCochlex_Help, window->helpDialog, window->helpDialog.textBrowser);
    check(window->actionAbout_Cochlex, window->aboutDialog, window->aboutDialog.textBrowser);

    for (const char* scheme : { "http", "https", "file" })
      QDesktopServices::unsetUrlHandler(scheme);
    QVERIFY(openedUrls.isEmpty());
    QVERIFY(!server.waitForNewConnection(200));
  }

  void stereoTogglesTheMainViewOnly()
  {
    window = &session->open();
    window->viewHead();
    QVERIFY(waitForViews(*window));
    addSphere(window->mainRenderer());
    addSphere(window->headRenderer());
    vtkRenderWindow* main = window->mainRenderWindow();
    vtkRenderWindow* head = window->headRenderWindow();
    QAction* action = window->actionStereo_View;
    main->Render();
    head->Render();
    QCOMPARE(colouredPixels(window->qvtkWidget), 0);

    action->trigger();
    QCOMPARE(action->text(), QString("Hide Stereo"));
    QVERIFY(!window->stereoOff && main->GetStereoRender() && !head->GetStereoRender());
    QVERIFY(colouredPixels(window->qvtkWidget) > 0);
    QCOMPARE(colouredPixels(window->qvtkHead), 0);

    action->trigger();
    QCOMPARE(action->text(), QString("Show Stereo"));
    QVERIFY(window->stereoOff && !main->GetStereoRender() && !head->GetStereoRender());
    QCOMPARE(colouredPixels(window->qvtkWidget), 0);
  }

  // View Model docks the Model view again from full screen, from floating and after a close.
  // Floated, it stands beside the control panel inside the screen and comes back in when moved
  // out; closed in full screen it goes back into its dock.
  void viewModelBringsTheDockBack()
  {
    window = &session->open();
    QDockWidget* dock = window->viewerDock;
    const QRect screen = window->screen()->availableGeometry();
    dock->setFloating(true);
    const QWidget* panel = window->controlPanel;
    QTRY_VERIFY(screen.contains(dock->frameGeometry()) &&
                dock->x() >= panel->mapToGlobal(QPoint(panel->width(), 0)).x());
    dock->move(screen.right() - 100, screen.top() + 50);
    QTRY_VERIFY(screen.contains(dock->frameGeometry()));
    window->actionViewer_Dock->trigger();
    QVERIFY(!dock->isFloating());

    window->actionFull_Screen->trigger();
    QVERIFY(dock->isFloating() && dock->isVisible() && dock->isFullScreen());
    window->actionViewer_Dock->trigger();
    QVERIFY(!dock->isFloating() && dock->isVisible() && !dock->isWindow());
    QCOMPARE(window->dockWidgetArea(dock), Qt::RightDockWidgetArea);
    dock->close();
    window->actionViewer_Dock->trigger();
    QVERIFY(dock->isVisible() && !dock->isFloating());
    window->fullScreen();
    dock->close();
    QTRY_VERIFY(!dock->isFloating() && dock->isVisible());
  }

  // The head dock lives in the control panel's layout, outside the window's dock areas.
  void viewHeadBringsBackAClosedHeadDock()
  {
    window = &session->open();
    QDockWidget* dock = window->headDock;
    const auto viewHeadDocksItInThePanel = [&] {
      window->actionHead->trigger();
      return dock->isVisible() && !dock->isFloating() && !dock->isWindow() &&
             window->controlPanel->layout()->indexOf(dock) == 0;
    };
    const auto click = [&](const char* name) {
      dock->findChild<QAbstractButton*>(QString("qt_dockwidget_") + name)->click();
    };
    QVERIFY(viewHeadDocksItInThePanel());
    click("closebutton");
    QVERIFY(!dock->isVisible());
    QVERIFY(viewHeadDocksItInThePanel());
    // Floated by its title bar, then closed: it still comes back into the panel, and can be
    // floated and brought back anew.
    click("floatbutton");
    QVERIFY(dock->isFloating() && dock->isWindow());
    dock->close();
    QVERIFY(viewHeadDocksItInThePanel());
    QTRY_VERIFY(window->controlPanel->rect().contains(dock->geometry()));
    click("floatbutton");
    QVERIFY(dock->isFloating());
    QVERIFY(viewHeadDocksItInThePanel());
  }

  // The viewer dock keeps 300 pixels beside it for the control panel, whatever the height: a
  // taller window must not grow wider (past the screen edge), a narrower one must narrow down to
  // what its layout needs.
  void dockWidthFollowsTheWindowWidthOnly()
  {
    QCOMPARE(viewerDockWidthBesideControls(200), 0);

    window = &session->open(0, 0);
    window->setGeometry(50, 50, 1250, 924);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    const auto resizeTo = [this](QSize size) {
      window->resize(size);
      static_cast<void>(QTest::qWaitFor([&] { return window->size() == size; }));
      return window->size();
    };
    // The shown layout's minimum is known once a resize has measured it.
    QCOMPARE(resizeTo({ 1300, 924 }).height(), 924);
    const int wide = std::max(1250, window->minimumWidth() + 150);
    QCOMPARE(resizeTo({ wide, 924 }), QSize(wide, 924));
    QCOMPARE(window->viewerDock->minimumWidth(), wide - 300);
    for (int height : { 1300, 1500, 800 }) {
      QCOMPARE(resizeTo({ wide, height }), QSize(wide, height));
      QCOMPARE(window->viewerDock->minimumWidth(), wide - 300);
    }
    const int narrow = window->minimumWidth();
    QVERIFY2(narrow < wide - 100, qPrintable(QString::number(narrow)));
    QCOMPARE(resizeTo({ narrow, 800 }), QSize(narrow, 800));
    QCOMPARE(window->viewerDock->minimumWidth(), narrow - 300);
  }

  void audioGuidesOpenTheirTrackWithTheDesktop()
  {
    // A working directory whose name a shell would misread.
    const QString odd = session->folder() + "/guides & 'tracks'; $(x) #1";
    QVERIFY(QDir().mkpath(odd));
    fixture::WorkingDirectory inOdd(odd);
    for (const char* track : { "Track_1.wma", "Track_2.wma" })
      fixture::writeFile(odd + "/" + track, "recording");
    window = &session->open(0, 0);
    QDesktopServices::setUrlHandler("file", this, "openUrl");
    window->audioGuideButton1->click();
    window->audioGuideButton1->click();
    window->audioGuideButton2->click();
    QDesktopServices::unsetUrlHandler("file");
    const QUrl track1 = QUrl::fromLocalFile(QDir(odd).absoluteFilePath("Track_1.wma"));
    const QUrl track2 = QUrl::fromLocalFile(QDir(odd).absoluteFilePath("Track_2.wma"));
    QCOMPARE(openedUrls, (QList<QUrl>{ track1, track1, track2 }));
  }
};

COCHLEX_VIEWER_TEST_MAIN(WindowModesTest)

#include "test_window_modes.moc"
