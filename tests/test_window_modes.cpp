// Window modes of the Viewer window: the Help and About dialogs, the two docks, full screen,
// anaglyph stereo, the viewer dock's width rule and the audio guides.

#include "ModelFixture.h"
#include "viewer/CochlexUI.h"
#include "viewer/WindowModes.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QDockWidget>
#include <QGroupBox>
#include <QImage>
#include <QLayout>
#include <QPushButton>
#include <QResizeEvent>
#include <QSurfaceFormat>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QVTKOpenGLNativeWidget.h>

#include <vtkActor.h>
#include <vtkCamera.h>
#include <vtkNew.h>
#include <vtkPolyDataMapper.h>
#include <vtkRenderWindow.h>
#include <vtkRenderer.h>
#include <vtkSphereSource.h>

#include <memory>

namespace {

// Records every URL the desktop service is asked to open, instead of starting a player.
class UrlRecorder : public QObject
{
  Q_OBJECT
public:
  QList<QUrl> urls;
public slots:
  void openUrl(const QUrl& url) { urls.append(url); }
};

// Pixels in the middle of an image whose channels differ clearly: a grey scene has none, an
// anaglyph of it has red and cyan fringes. The border is left out for the orientation axes.
// -1 when nothing was drawn there, so that an empty capture cannot pass for a grey one.
int
colouredPixels(const QImage& image)
{
  int coloured = 0;
  int lit = 0;
  for (int y = image.height() / 4; y < image.height() * 3 / 4; ++y) {
    for (int x = image.width() / 4; x < image.width() * 3 / 4; ++x) {
      const QRgb pixel = image.pixel(x, y);
      const int red = qRed(pixel), green = qGreen(pixel), blue = qBlue(pixel);
      if (qAbs(red - green) > 40 || qAbs(red - blue) > 40 || qAbs(green - blue) > 40)
        ++coloured;
      if (red + green + blue > 300)
        ++lit;
    }
  }
  return lit > 0 ? coloured : -1;
}

// A white sphere in front of the camera's focal point, so that the two eyes see it apart.
void
addGreySphere(vtkRenderer* renderer)
{
  vtkNew<vtkSphereSource> sphere;
  sphere->SetThetaResolution(48);
  sphere->SetPhiResolution(48);
  vtkNew<vtkPolyDataMapper> mapper;
  mapper->SetInputConnection(sphere->GetOutputPort());
  vtkNew<vtkActor> actor;
  actor->SetMapper(mapper);
  renderer->AddActor(actor);
  renderer->ResetCamera();
  vtkCamera* camera = renderer->GetActiveCamera();
  camera->SetFocalPoint(0, 0, -3);
  renderer->ResetCameraClippingRange();
}

// Coloured pixels in a view; the capture is kept in the build folder when it is not as expected.
int
colouredPixelsIn(QVTKOpenGLNativeWidget* view, const QString& name, bool colourExpected)
{
  const QImage image = view->grabFramebuffer();
  const int count = colouredPixels(image);
  const QString folder = qEnvironmentVariable("COCHLEX_BINARY_DIR");
  if ((count > 0) != colourExpected && !folder.isEmpty())
    image.save(QDir(folder).filePath(QStringLiteral("window_modes_%1.png").arg(name)));
  return count;
}

} // namespace

class WindowModesTest : public QObject
{
  Q_OBJECT

private slots:
  void init();
  void cleanup();

  void pagesAreReadOnceFromTheWorkingDirectory();
  void dialogsAreShownAgainUnchanged();
  void stereoTogglesTheMainViewOnly();
  void viewModelBringsTheDockBackFromFullScreen();
  void viewHeadBringsBackAClosedHeadDock();
  void dockWidthRule_data();
  void dockWidthRule();
  void resizingTheWindowSetsTheDockWidth();
  void audioGuidesOpenTheirTrackWithTheDesktop();

private:
  void makeWindow();
  void resizeShownWindow(const QSize& size);

  std::unique_ptr<QTemporaryDir> folder;
  std::unique_ptr<fixture::WorkingDirectory> workingDirectory;
  std::unique_ptr<_CochlexUI> window;
};

void
WindowModesTest::init()
{
  folder = std::make_unique<QTemporaryDir>();
  QVERIFY(folder->isValid());
  workingDirectory = std::make_unique<fixture::WorkingDirectory>(folder->path());
}

void
WindowModesTest::cleanup()
{
  window.reset();
  workingDirectory.reset();
  folder.reset();
}

void
WindowModesTest::makeWindow()
{
  window = std::make_unique<_CochlexUI>();
}

// Showing the window sets the dock's minimum from the shown width, which can hold the first
// resize back; the next one then goes through.
void
WindowModesTest::resizeShownWindow(const QSize& size)
{
  for (int attempt = 0; attempt < 3 && window->size() != size; ++attempt) {
    window->resize(size);
    QTest::qWait(50);
  }
  QTRY_COMPARE(window->size(), size);
}

void
WindowModesTest::pagesAreReadOnceFromTheWorkingDirectory()
{
  // Help is missing; About has Windows line ends and a Latin-1 letter.
  fixture::writeFile(folder->filePath(QStringLiteral("about2.html")),
                     "<b>About</b>\r\n<i>Caf\xE9</i>\r\n");
  makeWindow();

  QCOMPARE(window->helpDialog.textBrowser->toPlainText(), QStringLiteral("help2.html not found!"));
  QCOMPARE(window->aboutDialog.textBrowser->toPlainText(), QStringLiteral("AboutCaf\u00E9"));

  // Later changes to the files are not seen.
  fixture::writeFile(folder->filePath(QStringLiteral("help2.html")), "<p>New help</p>");
  fixture::writeFile(folder->filePath(QStringLiteral("about2.html")), "<p>New about</p>");
  window->actionCochlex_Help->trigger();
  window->actionAbout_Cochlex->trigger();
  QCOMPARE(window->helpDialog.textBrowser->toPlainText(), QStringLiteral("help2.html not found!"));
  QCOMPARE(window->aboutDialog.textBrowser->toPlainText(), QStringLiteral("AboutCaf\u00E9"));
}

void
WindowModesTest::dialogsAreShownAgainUnchanged()
{
  fixture::writeFile(folder->filePath(QStringLiteral("help2.html")),
                     "<h1>Help</h1>\n<p>Rotate</p>\n");
  fixture::writeFile(folder->filePath(QStringLiteral("about2.html")), "<p>About page</p>\n");
  makeWindow();
  window->show();
  QVERIFY(QTest::qWaitForWindowExposed(window.get()));

  struct Case
  {
    QAction* action;
    QDialog* dialog;
    QTextBrowser* browser;
    QPushButton* okButton;
    QDialog* other;
  };
  const Case cases[] = {
    { window->actionCochlex_Help,
      &window->helpDialog,
      window->helpDialog.textBrowser,
      window->helpDialog.okButton,
      &window->aboutDialog },
    { window->actionAbout_Cochlex,
      &window->aboutDialog,
      window->aboutDialog.textBrowser,
      window->aboutDialog.okButton,
      &window->helpDialog },
  };

  QVERIFY(!window->helpDialog.isVisible());
  QVERIFY(!window->aboutDialog.isVisible());

  for (const Case& c : cases) {
    const QString page = c.browser->toHtml();
    QVERIFY(!c.browser->toPlainText().isEmpty());

    c.action->trigger();
    QVERIFY(c.dialog->isVisible());
    QVERIFY(!c.dialog->isModal());
    QVERIFY(!c.other->isVisible());
    QVERIFY(window->isVisible());

    // Showing it again while open changes nothing.
    c.action->trigger();
    QVERIFY(c.dialog->isVisible());
    QCOMPARE(c.browser->toHtml(), page);

    QTest::mouseClick(c.okButton, Qt::LeftButton);
    QVERIFY(!c.dialog->isVisible());
    QCOMPARE(c.dialog->result(), int(QDialog::Accepted));

    c.action->trigger();
    QVERIFY(c.dialog->isVisible());
    QCOMPARE(c.browser->toHtml(), page);

    // Closing by the title bar hides it just the same, and it still comes back.
    c.dialog->close();
    QVERIFY(!c.dialog->isVisible());
    c.action->trigger();
    QVERIFY(c.dialog->isVisible());
    QCOMPARE(c.browser->toHtml(), page);
    c.dialog->hide();
  }
}

void
WindowModesTest::stereoTogglesTheMainViewOnly()
{
  makeWindow();
  window->show();
  QVERIFY(QTest::qWaitForWindowExposed(window.get()));
  window->viewHead();
  addGreySphere(window->mainRenderer());
  addGreySphere(window->headRenderer());
  QTest::qWait(50);

  vtkRenderWindow* main = window->mainRenderWindow();
  vtkRenderWindow* head = window->headRenderWindow();
  QAction* action = window->actionStereo_View;
  QCOMPARE(main, window->qvtkWidget->renderWindow());
  QCOMPARE(action->text(), QStringLiteral("Show Stereo"));
  QVERIFY(window->stereoOff);

  main->Render();
  head->Render();
  QCOMPARE(colouredPixelsIn(window->qvtkWidget, QStringLiteral("mono_main"), false), 0);

  action->trigger();
  QCOMPARE(action->text(), QStringLiteral("Hide Stereo"));
  QVERIFY(!window->stereoOff);
  QVERIFY(main->GetStereoRender());
  QCOMPARE(main->GetStereoType(), VTK_STEREO_ANAGLYPH);
  QVERIFY(!head->GetStereoRender());
  QVERIFY(colouredPixelsIn(window->qvtkWidget, QStringLiteral("stereo_main"), true) > 0);
  QCOMPARE(colouredPixelsIn(window->qvtkHead, QStringLiteral("stereo_head"), false), 0);

  action->trigger();
  QCOMPARE(action->text(), QStringLiteral("Show Stereo"));
  QVERIFY(window->stereoOff);
  QVERIFY(!main->GetStereoRender());
  QVERIFY(!head->GetStereoRender());
  QCOMPARE(colouredPixelsIn(window->qvtkWidget, QStringLiteral("mono_main_again"), false), 0);
}

void
WindowModesTest::viewModelBringsTheDockBackFromFullScreen()
{
  makeWindow();
  window->show();
  QVERIFY(QTest::qWaitForWindowExposed(window.get()));
  QDockWidget* dock = window->viewerDock;

  window->actionFull_Screen->trigger();
  QVERIFY(dock->isFloating());
  QVERIFY(dock->isVisible());
  QVERIFY(dock->isFullScreen());

  window->actionViewer_Dock->trigger();
  QVERIFY(!dock->isFloating());
  QVERIFY(dock->isVisible());
  QVERIFY(!dock->isWindow());
  QCOMPARE(window->dockWidgetArea(dock), Qt::RightDockWidgetArea);
  QVERIFY(window->rect().contains(dock->geometry()));

  // Floating it again later gives an ordinary floating window, not a full-screen one.
  dock->setFloating(true);
  QVERIFY(!dock->isFullScreen());
  dock->setFloating(false);

  // Closed through its title bar, it comes back the same way.
  dock->close();
  QVERIFY(!dock->isVisible());
  window->actionViewer_Dock->trigger();
  QVERIFY(dock->isVisible());
  QVERIFY(!dock->isFloating());
  QCOMPARE(window->dockWidgetArea(dock), Qt::RightDockWidgetArea);
}

// The head dock lives in the control panel's layout rather than in a dock area of the window.
void
WindowModesTest::viewHeadBringsBackAClosedHeadDock()
{
  makeWindow();
  window->show();
  QVERIFY(QTest::qWaitForWindowExposed(window.get()));
  QDockWidget* dock = window->headDock;
  QLayout* panelLayout = window->controlPanel->layout();
  QVERIFY(!dock->isVisible());

  const auto dockedInPanel = [&]() {
    return dock->isVisible() && !dock->isFloating() && !dock->isWindow() &&
           dock->parentWidget() == window->controlPanel && panelLayout->indexOf(dock) == 0;
  };

  window->actionHead->trigger();
  QVERIFY(dockedInPanel());

  // The title bar's close button, as the user would press it.
  QAbstractButton* closeButton =
    dock->findChild<QAbstractButton*>(QStringLiteral("qt_dockwidget_closebutton"));
  QVERIFY(closeButton);
  closeButton->click();
  QVERIFY(!dock->isVisible());

  window->actionHead->trigger();
  QVERIFY(dockedInPanel());

  // Floated by its title bar, then closed: it still comes back into the panel.
  QAbstractButton* floatButton =
    dock->findChild<QAbstractButton*>(QStringLiteral("qt_dockwidget_floatbutton"));
  QVERIFY(floatButton);
  floatButton->click();
  QVERIFY(dock->isFloating());
  QVERIFY(dock->isWindow());
  dock->close();
  window->actionHead->trigger();
  QVERIFY(dockedInPanel());
  QTRY_VERIFY(window->controlPanel->rect().contains(dock->geometry()));

  // Back in the panel it has its own title bar again and can be floated and brought back anew.
  floatButton->click();
  QVERIFY(dock->isFloating());
  window->actionHead->trigger();
  QVERIFY(dockedInPanel());
}

void
WindowModesTest::dockWidthRule_data()
{
  QTest::addColumn<QSize>("oldSize");
  QTest::addColumn<QSize>("newSize");
  QTest::addColumn<int>("expected");

  QTest::newRow("wider") << QSize(900, 800) << QSize(1000, 800) << 700;
  QTest::newRow("shorter only") << QSize(1000, 800) << QSize(1000, 600) << 540;
  QTest::newRow("narrower") << QSize(1000, 800) << QSize(950, 700) << 640;
  QTest::newRow("first resize") << QSize(-1, -1) << QSize(1144, 866) << 844;
  QTest::newRow("wider but tiny") << QSize(100, 50) << QSize(200, 50) << 0;
  QTest::newRow("narrower and flat") << QSize(200, 50) << QSize(100, 40) << 0;
}

void
WindowModesTest::dockWidthRule()
{
  QFETCH(QSize, oldSize);
  QFETCH(QSize, newSize);
  QFETCH(int, expected);
  QCOMPARE(viewerDockMinimumWidth(newSize, oldSize, newSize), expected);
}

void
WindowModesTest::resizingTheWindowSetsTheDockWidth()
{
  makeWindow();

  // The slot measures the window itself, which already has its new size when the event comes.
  // A hidden window takes any size at once, so the example sizes apply exactly.
  window->resize(1000, 800);
  QResizeEvent wider(QSize(1000, 800), QSize(900, 800));
  emit window->resized(&wider);
  QCOMPARE(window->viewerDock->minimumWidth(), 700);

  window->resize(1000, 600);
  QResizeEvent shorter(QSize(1000, 600), QSize(1000, 800));
  emit window->resized(&shorter);
  QCOMPARE(window->viewerDock->minimumWidth(), 540);

  // Real resizes of the shown window reach the slot through the window's own signal. The
  // window's layout keeps it wider than the example sizes, so larger ones are used.
  window->show();
  QVERIFY(QTest::qWaitForWindowExposed(window.get()));
  resizeShownWindow(QSize(1400, 900));

  window->resize(1500, 900);
  QTRY_COMPARE(window->size(), QSize(1500, 900));
  QTRY_COMPARE(window->viewerDock->minimumWidth(), 1200);

  window->resize(1500, 700);
  QTRY_COMPARE(window->size(), QSize(1500, 700));
  QTRY_COMPARE(window->viewerDock->minimumWidth(), 640);
}

void
WindowModesTest::audioGuidesOpenTheirTrackWithTheDesktop()
{
  // A working directory whose name a shell would misread.
  const QString odd = folder->filePath(QStringLiteral("guides & 'tracks'; $(x) #1"));
  QVERIFY(QDir().mkpath(odd));
  fixture::WorkingDirectory inOdd(odd);
  makeWindow();

  UrlRecorder recorder;
  QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder, "openUrl");

  window->audioGuideButton1->click();
  window->audioGuideButton1->click();
  window->audioGuideButton2->click();

  QDesktopServices::unsetUrlHandler(QStringLiteral("file"));

  const QUrl track1 =
    QUrl::fromLocalFile(QDir(odd).absoluteFilePath(QStringLiteral("Track_1.wma")));
  const QUrl track2 =
    QUrl::fromLocalFile(QDir(odd).absoluteFilePath(QStringLiteral("Track_2.wma")));
  QCOMPARE(recorder.urls, (QList<QUrl>{ track1, track1, track2 }));
  QCOMPARE(recorder.urls.first().toLocalFile(), odd + QStringLiteral("/Track_1.wma"));

  window.reset();
}

int
main(int argc, char** argv)
{
  QSurfaceFormat::setDefaultFormat(QVTKOpenGLNativeWidget::defaultFormat());
  QApplication application(argc, argv);
  WindowModesTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "test_window_modes.moc"
