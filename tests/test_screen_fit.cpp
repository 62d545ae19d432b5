// The window on common screens: it and its dialogs fit the screen, every structure row shows its
// value, full screen is full screen, cuts are announced, key planes stay with the model, and the
// actions answer to their keys. Loads the sample model.

#include "ViewerSession.h"
#include "tools/SampleModel.h"
#include "viewer/CochlexUI.h"
#include "viewer/ScreenFit.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QProcess>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStyleOptionSpinBox>

#include <vtkActor.h>
#include <vtkCamera.h>
#include <vtkImageActor.h>
#include <vtkImagePlaneWidget.h>
#include <vtkInteractorObserver.h>
#include <vtkRenderWindowInteractor.h>
#include <vtkRenderer.h>

#include <memory>

namespace {

// The sample model the build generated, or a fresh one where there is none.
class SampleModelFolder
{
public:
  SampleModelFolder()
  {
    const QString built = qEnvironmentVariable("COCHLEX_BINARY_DIR") + "/sample/model";
    if (!qEnvironmentVariableIsEmpty("COCHLEX_BINARY_DIR") &&
        QFile::exists(built + "/Joint_transformed.txt")) {
      path = built;
      return;
    }
    QString error;
    if (!writeSampleModel(temporary.path(), &error)) {
      qFatal("sample model: %s", qPrintable(error));
    }
    path = temporary.path();
  }
  QString path;

private:
  QTemporaryDir temporary;
};

// The structure rows wholly inside the structure list's visible part.
int
rowsInView(_CochlexUI& window)
{
  auto* area = window.toolBox->findChild<QScrollArea*>();
  int rows = 0;
  for (QGroupBox* row :
       window.page->findChildren<QGroupBox*>(QString(), Qt::FindDirectChildrenOnly)) {
    const QRect inViewport(row->mapTo(area->viewport(), QPoint(0, 0)), row->size());
    rows += row->isVisible() && area->viewport()->rect().contains(inViewport);
  }
  return rows;
}

bool
insideAvailableArea(const QWidget& window)
{
  return window.screen()->availableGeometry().contains(window.frameGeometry());
}

// Runs in a process of its own on a display of the screen size under test, with a window manager
// where one is installed: the program as it starts, its Help dialog and its full screen. Prints
// what failed and returns non-zero.
int
checkOnThisScreen()
{
  prepareApplication();
  int argc = 1;
  char name[] = "test_screen_fit";
  char* argv[] = { name, nullptr };
  QApplication application(argc, argv);
  const QString failures = [] {
    QStringList problems;
    const auto expect = [&problems](bool condition, const QString& what) {
      if (!condition) {
        problems << what;
      }
    };
    std::unique_ptr<QProcess> windowManager;
    const QString openbox = QStandardPaths::findExecutable("openbox");
    if (!openbox.isEmpty()) {
      windowManager = std::make_unique<QProcess>();
      windowManager->start(openbox, QStringList());
      // The window manager is up once it announces itself on the root window.
      expect(QTest::qWaitFor(
               [] {
                 QProcess query;
                 query.start("xprop", { "-root", "_NET_SUPPORTING_WM_CHECK" });
                 return query.waitForFinished() && query.readAll().contains("window id");
               },
               20000),
             "openbox did not start");
    } else {
      qInfo("openbox not installed: checked without a window manager only");
    }

    const SampleModelFolder model;
    fixture::WorkingDirectory inModel(model.path);
    StartupSplash splash;
    _CochlexUI window;
    static_cast<void>(captureOutput([&] { startViewer(window, splash); }));
    expect(QTest::qWaitForWindowExposed(&window), "window never shown");
    QCoreApplication::processEvents();
    const QRect screen = window.screen()->geometry();
    const auto where = [](const QRect& rect) {
      return QString("%1,%2 %3x%4")
        .arg(rect.x())
        .arg(rect.y())
        .arg(rect.width())
        .arg(rect.height());
    };
    if (screen.size() == QSize(1920, 1080)) {
      // Where everything fitted already, the window opens as it always did.
      expect(window.geometry() == QRect(50, 50, 1820, 980),
             "window at " + where(window.geometry()));
    }
    expect(insideAvailableArea(window), "window frame at " + where(window.frameGeometry()));
    // The window is wide enough for its contents: the row under the model view is not cut off.
    for (QWidget* control : std::initializer_list<QWidget*>{
           window.zoomScrollBar, window.audioGuideButton2, window.hideAllButton }) {
      const QRect inWindow(control->mapTo(&window, QPoint(0, 0)), control->size());
      expect(window.rect().contains(inWindow),
             control->objectName() + " at " + where(inWindow) + " in " + where(window.rect()));
    }
    const int rows = rowsInView(window);
    expect(rows >= 5,
           QString("%1 structure rows in view, list %2 high in a window %3 high")
             .arg(rows)
             .arg(window.toolBox->findChild<QScrollArea*>()->viewport()->height())
             .arg(window.height()));

    window.actionCochlex_Help->trigger();
    expect(QTest::qWaitForWindowExposed(&window.helpDialog), "Help dialog never shown");
    if (windowManager) {
      // The window manager frames the dialog a moment after it is shown.
      static_cast<void>(QTest::qWaitFor(
        [&] { return window.helpDialog.frameGeometry() != window.helpDialog.geometry(); }));
    }
    expect(insideAvailableArea(window.helpDialog),
           "Help dialog frame at " + where(window.helpDialog.frameGeometry()));
    window.helpDialog.close();

    window.actionFull_Screen->trigger();
    expect(QTest::qWaitFor([&] { return window.viewerDock->frameGeometry() == screen; }),
           "full screen at " + where(window.viewerDock->frameGeometry()));
    expect(QTest::qWaitForWindowActive(window.viewerDock), "full screen never active");
    QTest::keyClick(window.qvtkWidget, Qt::Key_Escape);
    expect(QTest::qWaitFor([&] { return !window.viewerDock->isFloating(); }) &&
             window.dockWidgetArea(window.viewerDock) == Qt::RightDockWidgetArea,
           "Escape left the Model view floating");
    if (windowManager) {
      windowManager->terminate();
      windowManager->waitForFinished();
    }
    return problems.join("; ");
  }();
  if (!failures.isEmpty()) {
    fprintf(stderr, "%s\n", qPrintable(failures));
  }
  return failures.isEmpty() ? 0 : 1;
}

} // namespace

class ScreenFitTest : public QObject
{
  Q_OBJECT

  std::unique_ptr<SampleModelFolder> model;
  std::unique_ptr<fixture::WorkingDirectory> inModel;
  std::unique_ptr<_CochlexUI> window;

private slots:
  void initTestCase()
  {
    model = std::make_unique<SampleModelFolder>();
    inModel = std::make_unique<fixture::WorkingDirectory>(model->path);
    window = std::make_unique<_CochlexUI>();
    window->setGeometry(50, 50, 1180, 924);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    static_cast<void>(captureOutput([this] { window->loadTB(); }));
    QVERIFY(window->hasSectionVolume());
    // As the program does at start: the keys go to the active window.
    QApplication::setActiveWindow(window.get());
  }

  void cleanupTestCase()
  {
    window.reset();
    inModel.reset();
  }

  void geometryWithinScreen_data()
  {
    QTest::addColumn<QRect>("wanted");
    QTest::addColumn<QSize>("minimum");
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QRect>("expected");
    const QRect screen1280(0, 0, 1280, 1024), screen1366(0, 0, 1366, 768);
    // A frame of 1 pixel and a 22 pixel title bar.
    QTest::newRow("fits, unchanged") << QRect(50, 50, 1820, 980) << QSize(900, 600)
                                     << QRect(0, 0, 1920, 1080) << QRect(50, 50, 1820, 980);
    QTest::newRow("minimum wider than asked: moved in from the right")
      << QRect(50, 50, 1180, 924) << QSize(1250, 700) << screen1280 << QRect(29, 50, 1250, 924);
    QTest::newRow("minimum taller than asked: moved up")
      << QRect(50, 50, 1266, 668) << QSize(1000, 743) << screen1366 << QRect(50, 24, 1266, 743);
    QTest::newRow("larger than the screen: shrunk to it")
      << QRect(50, 50, 971, 864) << QSize(200, 100) << screen1366 << QRect(50, 23, 971, 744);
    QTest::newRow("panel at the top") << QRect(50, 50, 971, 864) << QSize(200, 100)
                                      << QRect(0, 30, 1366, 738) << QRect(50, 53, 971, 714);
    QTest::newRow("minimum too large: title bar stays on screen")
      << QRect(50, 50, 1180, 924) << QSize(1400, 900) << QRect(0, 0, 1280, 768)
      << QRect(1, 23, 1400, 900);
  }

  void geometryWithinScreen()
  {
    QFETCH(QRect, wanted);
    QFETCH(QSize, minimum);
    QFETCH(QRect, available);
    QFETCH(QRect, expected);
    QCOMPARE(::geometryWithinScreen(wanted, minimum, available, QMargins(1, 23, 1, 1)), expected);
  }

  // The program started on each screen, in a process of its own on a display of that size.
  void startsInsideEachScreen_data()
  {
    QTest::addColumn<QString>("screen");
    QTest::newRow("1280x1024") << "1280x1024";
    QTest::newRow("1366x768") << "1366x768";
    QTest::newRow("1920x1080") << "1920x1080";
  }

  void startsInsideEachScreen()
  {
    QFETCH(QString, screen);
    if (QStandardPaths::findExecutable("xvfb-run").isEmpty()) {
      QSKIP("xvfb-run is not installed: no display of another size can be started");
    }
#if defined(__SANITIZE_ADDRESS__)
    QSKIP("The sanitizer runtime preloaded for the tests would run inside xvfb-run and its X "
          "server too; the three screens are checked in the normal build.");
#endif
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("COCHLEX_SCREEN_CHECK", screen);
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(
      "xvfb-run",
      { "-a", "-s", "-screen 0 " + screen + "x24", QCoreApplication::applicationFilePath() });
    QVERIFY(child.waitForFinished(180000));
    const QByteArray output = child.readAll();
    QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
             output.constData());
  }

  // Without the Windows fonts the layout names, the controls are set in a face of Arial's widths
  // where one is installed, not in the much wider default face.
  void missingWindowsFontsHaveNarrowStandIns()
  {
    // Families come with their foundry where two foundries have one: "Nimbus Sans [UKWN]".
    QStringList installed;
    for (const QString& family : QFontDatabase().families()) {
      installed << family.section(" [", 0, 0);
    }
    const QStringList standIns{ "Tahoma",      "Liberation Sans", "Arimo",    "Arial",
                                "Nimbus Sans", "Nimbus Sans L",   "Helvetica" };
    if (installed.contains("MS Shell Dlg 2") ||
        std::none_of(standIns.begin(), standIns.end(), [&](const QString& family) {
          return installed.contains(family);
        })) {
      QSKIP("the Windows font itself, or none of its stand-ins, is installed");
    }
    for (QWidget* widget : std::initializer_list<QWidget*>{
           window->controlPanel, window->show_1, window->menuBar(), window->resetButton }) {
      const QString family = QFontInfo(widget->font()).family().section(" [", 0, 0);
      QVERIFY2(standIns.contains(family), qPrintable(widget->objectName() + ": " + family));
    }
  }

  // The edit field holds "0.5" and the arrows keep a height of their own, in every row.
  void spinBoxesShowTheirValue()
  {
    for (QDoubleSpinBox* spinBox : window->structureSpinBoxes) {
      if (!spinBox->isVisible()) {
        continue;
      }
      QStyleOptionSpinBox option;
      option.initFrom(spinBox);
      option.rect = spinBox->rect();
      option.subControls = QStyle::SC_All;
      option.frame = spinBox->hasFrame();
      option.buttonSymbols = spinBox->buttonSymbols();
      option.stepEnabled = QAbstractSpinBox::StepUpEnabled | QAbstractSpinBox::StepDownEnabled;
      QStyle* style = spinBox->style();
      const QRect field =
        style->subControlRect(QStyle::CC_SpinBox, &option, QStyle::SC_SpinBoxEditField, spinBox);
      const QRect up =
        style->subControlRect(QStyle::CC_SpinBox, &option, QStyle::SC_SpinBoxUp, spinBox);
      const QRect down =
        style->subControlRect(QStyle::CC_SpinBox, &option, QStyle::SC_SpinBoxDown, spinBox);
      const QFontMetrics metrics(spinBox->font());
      const QString size = QString("%1 field %2x%3, arrows %4 and %5 high")
                             .arg(spinBox->objectName())
                             .arg(field.width())
                             .arg(field.height())
                             .arg(up.height())
                             .arg(down.height());
      QVERIFY2(field.width() >= metrics.horizontalAdvance("0.5") &&
                 field.height() >= metrics.height(),
               qPrintable(size));
      QVERIFY2(up.height() >= 5 && down.height() >= 5 && !up.intersects(down), qPrintable(size));
    }
    auto* area = window->toolBox->findChild<QScrollArea*>();
    // Every row's controls fit the list's width, so nothing lies beyond a scroll.
    for (QGroupBox* row : window->page->findChildren<QGroupBox*>()) {
      QVERIFY2(row->minimumSizeHint().width() <= area->viewport()->width() &&
                 row->geometry().right() < area->viewport()->width(),
               qPrintable(row->objectName()));
    }
    QVERIFY(!area->horizontalScrollBar()->isVisible());
  }

  // Escape and F11 bring the Model view back from full screen, which covers the screen.
  void fullScreenCoversTheScreen()
  {
    QDockWidget* dock = window->viewerDock;
    const QRect screen = window->screen()->geometry();
    for (Qt::Key leave : { Qt::Key_Escape, Qt::Key_F11 }) {
      QTest::keyClick(window.get(), Qt::Key_F11);
      QVERIFY(dock->isFloating());
      QTRY_COMPARE(dock->frameGeometry(), screen);
      QVERIFY(QTest::qWaitForWindowActive(dock));
      QTest::keyClick(window->qvtkWidget, leave);
      QVERIFY(!dock->isFloating() && dock->isVisible());
      QVERIFY(QTest::qWaitForWindowActive(window.get()));
      QCOMPARE(window->dockWidgetArea(dock), Qt::RightDockWidgetArea);
    }
  }

  // A cut on any tab is named in the status bar with the tab's plane name, and only while on.
  void cutsAreNamedInTheStatusBar()
  {
    auto* note = window->statusbar->findChild<QLabel*>("cutStatusLabel");
    QVERIFY(note && note->isVisible() && note->text().isEmpty());
    window->clipY->setValue(1);
    QVERIFY2(note->text().startsWith("Cut at Z Plane, "), qPrintable(note->text()));
    window->clipZ->setValue(-1);
    QVERIFY2(note->text().contains("X Plane") && note->text().contains("Z Plane"),
             qPrintable(note->text()));
    const QString bothSides = note->text();
    window->clipZ->setValue(1);
    QVERIFY(note->text() != bothSides); // the other side is named
    window->clipY->setValue(0);
    window->clipZ->setValue(0);
    QVERIFY(note->text().isEmpty());
    QCOMPARE(window->clipX->tickPosition(), QSlider::TicksBelow);
  }

  // The plane of the x key shows where its section image lies; Center Models and Frontal View
  // still frame the structures with it on.
  void keyPlaneStaysWithTheModel()
  {
    vtkRenderWindowInteractor* interactor = window->mainRenderWindow()->GetInteractor();
    const auto pressX = [interactor] {
      interactor->SetKeyCode('x');
      interactor->InvokeEvent(vtkCommand::KeyPressEvent);
    };
    pressX();
    QVERIFY(window->planeWidgetX->GetEnabled());
    double structures[6] = { 1e300, -1e300, 1e300, -1e300, 1e300, -1e300 };
    for (vtkActor* actor : window->frontActors) {
      const double* bounds = actor->GetBounds();
      for (int i = 0; i < 6; i += 2) {
        structures[i] = std::min(structures[i], bounds[i]);
        structures[i + 1] = std::max(structures[i + 1], bounds[i + 1]);
      }
    }
    for (QAction* action : { window->actionCenter, window->actionReset }) {
      action->trigger();
      const double* focal = window->mainCamera()->GetFocalPoint();
      for (std::size_t i = 0; i < 3; ++i) {
        QVERIFY2(focal[i] >= structures[2 * i] && focal[i] <= structures[2 * i + 1],
                 qPrintable(action->objectName()));
      }
    }
    // On screen, the plane's centre falls where the section image's centre would.
    vtkRenderer* planeRenderer = window->planeWidgetX->GetCurrentRenderer();
    QVERIFY(planeRenderer != nullptr);
    double planeCentre[3], planeOnScreen[3], imageOnScreen[3];
    window->planeWidgetX->GetCenter(planeCentre);
    vtkInteractorObserver::ComputeWorldToDisplay(
      planeRenderer, planeCentre[0], planeCentre[1], planeCentre[2], planeOnScreen);
    const double* image = window->sectionActorX->GetBounds();
    vtkInteractorObserver::ComputeWorldToDisplay(window->mainRenderer(),
                                                 (image[0] + image[1]) / 2,
                                                 (image[2] + image[3]) / 2,
                                                 (image[4] + image[5]) / 2,
                                                 imageOnScreen);
    QVERIFY2(std::hypot(planeOnScreen[0] - imageOnScreen[0], planeOnScreen[1] - imageOnScreen[1]) <
               5,
             qPrintable(QString("plane at %1,%2, image at %3,%4")
                          .arg(planeOnScreen[0])
                          .arg(planeOnScreen[1])
                          .arg(imageOnScreen[0])
                          .arg(imageOnScreen[1])));
    pressX();
    QVERIFY(!window->planeWidgetX->GetEnabled());
  }

  void shortcutsTriggerTheirActions_data()
  {
    QTest::addColumn<QString>("action");
    QTest::addColumn<QKeySequence>("keys");
    QTest::newRow("Help") << "actionCochlex_Help" << QKeySequence(Qt::Key_F1);
    QTest::newRow("Full Screen") << "actionFull_Screen" << QKeySequence(Qt::Key_F11);
    QTest::newRow("Frontal View") << "actionReset" << QKeySequence(Qt::Key_Home);
    QTest::newRow("Show All") << "actionView_All" << QKeySequence(QStringLiteral("Ctrl+A"));
    QTest::newRow("Hide All") << "actionHide_All" << QKeySequence(QStringLiteral("Ctrl+Shift+A"));
    QTest::newRow("Stereo") << "actionStereo_View" << QKeySequence(QStringLiteral("Ctrl+3"));
    QTest::newRow("View Model") << "actionViewer_Dock" << QKeySequence(QStringLiteral("Ctrl+M"));
    QTest::newRow("View Head") << "actionHead" << QKeySequence(QStringLiteral("Ctrl+H"));
    QTest::newRow("Quit") << "actionQuit" << QKeySequence(QStringLiteral("Ctrl+Q"));
  }

  void shortcutsTriggerTheirActions()
  {
    QFETCH(QString, action);
    QFETCH(QKeySequence, keys);
    auto* entry = window->findChild<QAction*>(action);
    if (entry == nullptr) {
      QSKIP("this build has no such action");
    }
    QCOMPARE(entry->shortcut(), keys);
    // Only the keys are under test: the entry's slots stay out of it (this runs last).
    QObject::disconnect(entry, &QAction::triggered, nullptr, nullptr);
    QSignalSpy triggered(entry, &QAction::triggered);
    QApplication::setActiveWindow(window.get());
    QTest::keySequence(window.get(), keys);
    QCOMPARE(triggered.count(), 1);
  }
};

int
main(int argc, char** argv)
{
  if (qEnvironmentVariableIsSet("COCHLEX_SCREEN_CHECK")) {
    return checkOnThisScreen();
  }
  ScreenFitTest test;
  return runViewerTest(&test, argc, argv);
}

#include "test_screen_fit.moc"
