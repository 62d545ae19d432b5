// The program started on common screens, each in a process of its own on a display of that size
// (under openbox where it is installed), with the installed fonts and with DejaVu alone, as on a
// fresh machine before set-up or a desktop without the layout's stand-in fonts: the window and its
// Help dialog fit the screen, and full screen is full screen. Loads the sample model.

#include "GuiTest.h"

namespace {

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

    // The sample model the build generates.
    fixture::WorkingDirectory inModel(qEnvironmentVariable("COCHLEX_BINARY_DIR") + "/sample/model");
    StartupSplash splash;
    _CochlexUI window;
    static_cast<void>(captureOutput([&] { startViewer(window, splash); }));
    expect(QTest::qWaitForWindowExposed(&window), "window never shown");
    QCoreApplication::processEvents();
    const QRect screen = window.screen()->geometry();
    const auto where = [](const QRect& rect) {
      return QString::asprintf("%d,%d %dx%d", rect.x(), rect.y(), rect.width(), rect.height());
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
           QString::asprintf("%d structure rows in view, list %d high in a window %d high",
                             rows,
                             window.toolBox->findChild<QScrollArea*>()->viewport()->height(),
                             window.height()));

    // The edit field holds "0.5" and the arrows keep a height of their own, in every row, in
    // whatever fonts are installed; every row fits the list's width.
    auto* area = window.toolBox->findChild<QScrollArea*>();
    for (QDoubleSpinBox* spinBox : window.structureSpinBoxes) {
      if (!spinBox->isVisible()) {
        continue;
      }
      QStyleOptionSpinBox option;
      option.initFrom(spinBox);
      option.subControls = QStyle::SC_All;
      option.frame = spinBox->hasFrame();
      option.buttonSymbols = spinBox->buttonSymbols();
      option.stepEnabled = QAbstractSpinBox::StepUpEnabled | QAbstractSpinBox::StepDownEnabled;
      const auto part = [&](QStyle::SubControl control) {
        return spinBox->style()->subControlRect(QStyle::CC_SpinBox, &option, control, spinBox);
      };
      const QRect field = part(QStyle::SC_SpinBoxEditField), up = part(QStyle::SC_SpinBoxUp),
                  down = part(QStyle::SC_SpinBoxDown);
      expect(field.width() >= spinBox->fontMetrics().horizontalAdvance("0.5") &&
               field.height() >= spinBox->fontMetrics().height() && up.height() >= 5 &&
               down.height() >= 5 && !up.intersects(down),
             spinBox->objectName() + QString::asprintf(" field %dx%d, arrows %d and %d high",
                                                       field.width(),
                                                       field.height(),
                                                       up.height(),
                                                       down.height()));
    }
    for (QGroupBox* row : window.page->findChildren<QGroupBox*>()) {
      expect(row->minimumSizeHint().width() <= area->viewport()->width() &&
               row->geometry().right() < area->viewport()->width(),
             row->objectName() + " wider than the structure list");
    }
    // Without the Windows fonts the layout names, the controls are set in a face of Arial's
    // widths where one is installed, not in the much wider default face.
    const QStringList standIns{ "Tahoma",      "Liberation Sans", "Arimo",    "Arial",
                                "Nimbus Sans", "Nimbus Sans L",   "Helvetica" };
    QStringList installed; // "Nimbus Sans [UKWN]" where two foundries have one family
    for (const QString& family : QFontDatabase().families()) {
      installed << family.section(" [", 0, 0);
    }
    if (std::any_of(standIns.begin(), standIns.end(), [&](const QString& family) {
          return installed.contains(family);
        })) {
      for (QWidget* widget : std::initializer_list<QWidget*>{
             window.controlPanel, window.show_1, window.menuBar(), window.resetButton }) {
        const QString family = QFontInfo(widget->font()).family().section(" [", 0, 0);
        expect(standIns.contains(family), widget->objectName() + " set in " + family);
      }
    }

    // A double-click on a structure shows it alone, also when its first click opens the
    // Structure dock: the structure lowest in the view, which a shorter view would move furthest.
    auto* structureDock = window.findChild<QDockWidget*>("structureInfoDock");
    expect(structureDock != nullptr && !structureDock->isVisible(), "Structure dock open at start");
    int lowest = -1;
    QPoint lowestPoint;
    for (std::size_t index = 0; index < window.frontActors.size(); ++index) {
      double bounds[6];
      window.frontActors[index]->GetBounds(bounds);
      const QPoint centre = viewPointOf(
        window,
        { (bounds[0] + bounds[1]) / 2, (bounds[2] + bounds[3]) / 2, (bounds[4] + bounds[5]) / 2 });
      if (window.structurePicker->structureAtViewPoint(centre) == int(index) &&
          (lowest < 0 || centre.y() > lowestPoint.y())) {
        lowest = int(index);
        lowestPoint = centre;
      }
    }
    expect(lowest >= 0, "no structure under its own centre");
    if (lowest >= 0 && structureDock != nullptr) {
      QTest::mouseClick(window.qvtkWidget, Qt::LeftButton, {}, lowestPoint);
      // The second click a moment later, well within the double-click interval.
      QTest::qWait(QApplication::doubleClickInterval() / 3);
      // The window system's second press comes as a double-click, then its release.
      QTest::mouseDClick(window.qvtkWidget, Qt::LeftButton, {}, lowestPoint);
      QTest::mouseRelease(window.qvtkWidget, Qt::LeftButton, {}, lowestPoint);
      const std::vector<int> shown = window.structureTable->visibleStructures();
      expect(shown == std::vector<int>{ lowest },
             QString::asprintf(
               "double-click on structure %d showed %d structures", lowest, int(shown.size())));
      expect(QTest::qWaitFor([&] { return structureDock->isVisible(); }),
             "the Structure dock never opened");
      window.actionView_All->trigger();
    }

    // Every dock open: the model view keeps at least half the window's width and a third of its
    // height (the docks under it share one place).
    for (const char* name : { "actionStructure_Info", "actionViews_Dock" }) {
      auto* toggle = window.findChild<QAction*>(name);
      if (toggle != nullptr && !toggle->isChecked()) {
        toggle->trigger();
      }
    }
    QTest::qWait(300);
    expect(2 * window.qvtkWidget->width() >= window.width() &&
             3 * window.qvtkWidget->height() >= window.height(),
           QString::asprintf("model view %d x %d with every dock open in a window %d wide",
                             window.qvtkWidget->width(),
                             window.qvtkWidget->height(),
                             window.width()) +
             QString::asprintf(" and %d high", window.height()));

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

class ScreensTest : public QObject
{
  Q_OBJECT

  QTemporaryDir fonts;

private slots:
  void startsInsideEachScreen_data()
  {
    QTest::addColumn<QString>("screen");
    QTest::addColumn<bool>("dejaVuOnly");
    QTest::newRow("1280x1024") << "1280x1024" << false;
    QTest::newRow("1366x768") << "1366x768" << false;
    QTest::newRow("1366x768, DejaVu only") << "1366x768" << true;
    QTest::newRow("1920x1080") << "1920x1080" << false;
  }

  void startsInsideEachScreen()
  {
    QFETCH(QString, screen);
    QFETCH(bool, dejaVuOnly);
    QVERIFY2(!QStandardPaths::findExecutable("xvfb-run").isEmpty(),
             "xvfb-run is not installed (scripts/setup installs it)");
#if defined(__SANITIZE_ADDRESS__)
    QSKIP("The sanitizer runtime preloaded for the tests would run inside xvfb-run and its X "
          "server too; the screens are checked in the normal build.");
#endif
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("COCHLEX_SCREEN_CHECK", screen);
    if (dejaVuOnly) {
      const QString configuration = fonts.filePath("dejavu-only.conf");
      fixture::writeFile(configuration,
                         "<?xml version=\"1.0\"?>\n<fontconfig>\n"
                         "  <dir>/usr/share/fonts/truetype/dejavu</dir>\n  <cachedir>" +
                           QFile::encodeName(fonts.path()) + "/cache</cachedir>\n</fontconfig>\n");
      environment.insert("FONTCONFIG_FILE", configuration);
    }
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start("xvfb-run",
                { "-a",
                  "-s",
                  "-screen 0 " + screen + "x24",
                  QCoreApplication::applicationFilePath(),
                  "ScreensTest" });
    QVERIFY(child.waitForFinished(180000));
    const QByteArray output = child.readAll();
    QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
             output.constData());
  }
};

// In the child process, the check on its screen runs instead of the test class.
COCHLEX_TEST_CLASS_WITH_SETUP(ScreensTest, [] {
  return qEnvironmentVariableIsSet("COCHLEX_SCREEN_CHECK") ? checkOnThisScreen() : -1;
})
#include "test_screens.moc"
