// The traps a new user met, each re-done as the user met it: the quiz asking for what cannot be
// found, typed and wheeled numbers, the floating Model view, pointing through a translucent
// capsule, broken models, screenshots without a display, and the Save Screenshot dialog.

#include "ViewerSession.h"
#include "app/ScreenshotCommand.h"
#include "viewer/CochlexUI.h"
#include "viewer/ModelProblems.h"
#include "viewer/Quiz.h"
#include "viewer/StructurePicking.h"

#include "ui/RenderView.h"
#include <QCheckBox>
#include <QDockWidget>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>
#include <QTimer>
#include <QToolBox>

#include <vtkActor.h>
#include <vtkActor2DCollection.h>
#include <vtkCamera.h>
#include <vtkNew.h>
#include <vtkPolyDataWriter.h>
#include <vtkProperty.h>
#include <vtkRenderer.h>
#include <vtkSphereSource.h>
#include <vtkTextActor.h>

namespace {

void
wheel(QWidget* widget, int steps)
{
  const QPoint at(widget->width() / 2, widget->height() / 2);
  QWheelEvent event(at,
                    widget->mapToGlobal(at),
                    QPoint(),
                    QPoint(0, -120 * steps),
                    Qt::NoButton,
                    Qt::NoModifier,
                    Qt::NoScrollPhase,
                    false);
  QApplication::sendEvent(widget, &event);
}

// The program run on a model folder; its exit status and standard error.
std::pair<int, QString>
runScreenshot(const QString& folder,
              const QString& file,
              const QStringList& unset,
              const char* platform)
{
  QProcess program;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const QString& name : unset) {
    environment.remove(name);
  }
  if (platform != nullptr) {
    environment.insert("QT_QPA_PLATFORM", platform);
  }
  program.setProcessEnvironment(environment);
  program.start(COCHLEX_EXECUTABLE, { "--screenshot", file, "--size", "320x240", folder });
  if (!program.waitForFinished(120000) || program.exitStatus() != QProcess::NormalExit) {
    return { -1, "crashed or hung" };
  }
  return { program.exitCode(), QString::fromLocal8Bit(program.readAllStandardError()) };
}

} // namespace

class TrapsTest : public QObject
{
  Q_OBJECT

  std::unique_ptr<ViewerSession> session;
  _CochlexUI* window = nullptr;

  void openModel(const std::vector<fixture::Structure>& structures,
                 const std::function<void(const QString&)>& breakIt = {})
  {
    session = std::make_unique<ViewerSession>();
    fixture::writeModel(session->folder(), structures, true);
    if (breakIt) {
      breakIt(session->folder());
    }
    window = &session->open(1000, 700);
    session->load();
    window->mainRenderWindow()->Render();
    QCoreApplication::processEvents();
  }
  int asked() const { return window->quiz->currentRound()->asked().index; }

private slots:
  void initTestCase() { qputenv(Quiz::seedVariable, "23"); }
  void cleanup() { session.reset(); }

  // The quiz asks only what is loaded and shown: a failed Stapes never, a structure hidden
  // mid-round leaves it, and with one structure left the round ends with its score.
  void quizAsksOnlyWhatCanBeFound()
  {
    const std::vector<fixture::Structure> structures = fixture::standardStructures();
    openModel(structures,
              [&](const QString& folder) { QFile::remove(folder + structures[4].relativePath); });
    window->actionQuiz->trigger();
    QCOMPARE(window->quiz->currentRound()->structureCount(), std::size_t(8));
    for (const QuizStructure& structure : window->quiz->currentRound()->askingOrder()) {
      QVERIFY(structure.index != 4);
    }
    const int hidden = asked();
    window->structureCheckBoxes[std::size_t(hidden)]->click();
    QTRY_VERIFY(asked() != hidden);
    QCOMPARE(window->quiz->currentRound()->structureCount(), std::size_t(7));
    QVERIFY(
      window->quiz->promptLabel()->text().endsWith(window->quiz->currentRound()->asked().name));

    window->hideAllButton->click();
    window->structureCheckBoxes[std::size_t(hidden)]->click();
    QTRY_VERIFY(!window->quiz->running());
    auto* score = window->findChild<QMessageBox*>("quizScoreBox");
    QVERIFY(score != nullptr && score->isVisible());
    QCOMPARE(score->text(), QString("0 of 0 found at the first try"));
    // The title is read whole, not "Quiz: Find... Structure".
    QVERIFY(score->width() > score->fontMetrics().horizontalAdvance(score->windowTitle()));
  }

  // Typed digits wait for the whole number; arrows and Enter act at once.
  void typedNumbersTakeEffectWhenComplete()
  {
    openModel(fixture::standardStructures());
    QDoubleSpinBox* box = window->doubleSpinBox_1;
    vtkProperty* look = window->frontActors[0]->GetProperty();
    box->setValue(0.5);
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    box->setFocus();
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_0);
    QCOMPARE(look->GetOpacity(), 0.5);
    QTest::keyClicks(box, ".8");
    QCOMPARE(box->value(), 0.8);
    QCOMPARE(window->horizontalSlider_1->value(), 8);
    QVERIFY(qFuzzyCompare(look->GetOpacity(), 0.2));
    QTest::keyClick(box, Qt::Key_Down);
    QVERIFY(qFuzzyCompare(look->GetOpacity(), 0.3));

    QSpinBox* section = window->spinBox_x;
    section->setFocus();
    QTest::keyClick(section, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(section, "12");
    QCOMPARE(window->sectionNumberX->value(), 374);
    QTest::keyClick(section, Qt::Key_Return);
    QCOMPARE(window->sectionNumberX->value(), 12);
  }

  // Over the structure list the wheel scrolls; it changes only the control with the focus.
  void wheelScrollsTheListNotTheControlUnderIt()
  {
    openModel(fixture::standardStructures());
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    QScrollBar* list = window->toolBox->findChild<QScrollArea*>()->verticalScrollBar();
    QVERIFY(list->maximum() > 0);
    for (QWidget* control : { static_cast<QWidget*>(window->horizontalSlider_2),
                              static_cast<QWidget*>(window->doubleSpinBox_2) }) {
      // Upwards: the transparency at 0.0 could only grow.
      list->setValue(list->maximum());
      window->hideAllButton->setFocus();
      wheel(control, -1);
      QCOMPARE(window->horizontalSlider_2->value(), 0);
      QVERIFY(list->value() < list->maximum());
      control->setFocus();
      wheel(control, -1);
      QVERIFY(window->horizontalSlider_2->value() != 0);
      window->horizontalSlider_2->setValue(0);
    }
  }

  // Floated, the Model view stands beside the control panel inside the screen, comes back in
  // when dragged out, docks from the menu, and closing it in full screen docks it.
  void floatingModelViewStaysUsable()
  {
    openModel(fixture::standardStructures());
    QDockWidget* dock = window->viewerDock;
    const QRect screen = window->screen()->availableGeometry();
    dock->setFloating(true);
    const int panelRight =
      window->controlPanel->mapToGlobal(QPoint(0, 0)).x() + window->controlPanel->width();
    QTRY_VERIFY(screen.contains(dock->frameGeometry()) && dock->x() >= panelRight);
    dock->move(screen.right() - 100, screen.top() + 50);
    QTRY_VERIFY(screen.contains(dock->frameGeometry()));
    window->actionViewer_Dock->trigger();
    QVERIFY(!dock->isFloating() && dock->isVisible());

    window->fullScreen();
    QTRY_VERIFY(dock->isFullScreen());
    dock->close();
    QTRY_VERIFY(!dock->isFloating() && dock->isVisible());
  }

  // Through the capsule at transparency 0.5 the structure inside is named, clicked and found in
  // the quiz; where nothing lies behind, the capsule itself.
  void pointingNamesWhatIsSeenThroughTheCapsule()
  {
    std::vector<fixture::Structure> structures = fixture::standardStructures();
    structures.resize(3);
    structures[1].center = structures[0].center;
    structures[1].opacity = 0.5;
    openModel(structures, [&](const QString& folder) {
      vtkNew<vtkSphereSource> shell;
      shell->SetCenter(structures[1].center.data());
      shell->SetRadius(2.5);
      vtkNew<vtkPolyDataWriter> writer;
      writer->SetInputConnection(shell->GetOutputPort());
      writer->WriteToOutputStringOn();
      writer->Write();
      fixture::writeFile(folder + structures[1].relativePath,
                         QByteArray::fromStdString(writer->GetOutputStdString()));
    });
    std::array<double, 3> rim = structures[0].center;
    const double* up = window->mainCamera()->GetViewUp();
    for (int axis = 0; axis < 3; ++axis) {
      rim[std::size_t(axis)] += 1.8 * up[axis];
    }
    const QPoint points[] = { viewPointOf(*window, structures[0].center),
                              viewPointOf(*window, rim),
                              viewPointOf(*window, structures[2].center) };
    StructurePicker* picker = window->structurePicker;
    QCOMPARE(picker->structureAtViewPoint(points[0]), 0);
    QCOMPARE(picker->structureAtViewPoint(points[1]), 1);

    window->actionQuiz->trigger();
    for (int answers = 0; window->quiz->running() && answers < 3; ++answers) {
      QTest::mouseClick(window->qvtkWidget, Qt::LeftButton, {}, points[asked()]);
    }
    QTRY_VERIFY(!window->quiz->running());
    QCOMPARE(window->findChild<QMessageBox*>("quizScoreBox")->text(),
             QString("3 of 3 found at the first try"));

    // Less see-through, the capsule is what the student sees.
    window->doubleSpinBox_2->setValue(0.4);
    QCOMPARE(picker->structureAtViewPoint(points[0]), 1);
  }

  // A failed structure, page and head model are shown as such; all hidden says how back.
  void brokenModelShowsWhatIsMissing()
  {
    const std::vector<fixture::Structure> structures = fixture::standardStructures();
    openModel(structures, [&](const QString& folder) {
      QFile::remove(folder + structures[4].relativePath);
      QFile::remove(folder + "/help2.html");
      fixture::writeFile(folder + "/Joint/Head_bone_transformed.vtp", "not a surface");
    });
    QCheckBox* stapes = window->show_5;
    QVERIFY(!stapes->isChecked() && !stapes->isEnabled() &&
            !window->horizontalSlider_5->isEnabled());
    QVERIFY(stapes->toolTip().contains("Stapes"));
    QVERIFY(stapes->icon().isNull());
    const std::vector<std::string>& problems = window->loadReport.problems;
    const auto reported = [&problems](const char* part) {
      return std::any_of(problems.begin(), problems.end(), [part](const std::string& problem) {
        return problem.find(part) != std::string::npos;
      });
    };
    QVERIFY(reported("Stapes") && reported("help2.html") && reported("Head_bone"));
    QCOMPARE(window->headRenderer()->GetActors2D()->GetNumberOfItems(), 1);

    auto* hint = window->statusbar->findChild<QLabel*>("allHiddenHint");
    QVERIFY(!hint->isVisible());
    window->hideAllButton->click();
    QVERIFY(hint->isVisible() && hint->text().contains("Ctrl+A"));
    window->showAllButton->click();
    QVERIFY(!hint->isVisible() && !stapes->isChecked());
  }

  // Without a display one line and exit 1; a model with a missing surface: written, exit 3.
  void screenshotFromTheCommandLine()
  {
    const std::vector<fixture::Structure> structures = fixture::standardStructures();
    QTemporaryDir folder;
    fixture::writeModel(folder.path(), structures, false);
    const QString picture = folder.filePath("view.png");
    for (const char* platform : { static_cast<const char*>(nullptr), "offscreen" }) {
      const auto [status, errors] =
        runScreenshot(folder.path(), picture, { "DISPLAY", "WAYLAND_DISPLAY" }, platform);
      QCOMPARE(status, 1);
      QVERIFY2(errors.count('\n') == 1 && errors.contains("xvfb-run"), qPrintable(errors));
      QVERIFY(!QFile::exists(picture));
    }
    QFile::remove(folder.path() + structures[4].relativePath);
    const auto [status, errors] = runScreenshot(folder.path(), picture, {}, nullptr);
    QCOMPARE(status, screenshotIncompleteModel);
    QVERIFY2(errors.contains("Stapes") && errors.contains("Joint.raw"), qPrintable(errors));
    QVERIFY(QFile::exists(picture));
  }

  // The dialog offers the size chosen last time.
  void saveDialogKeepsTheSizeChoice()
  {
    openModel(fixture::standardStructures());
    QTemporaryDir pictures;
    QStringList offered;
    for (int round = 0; round < 2; ++round) {
      QTimer::singleShot(0, [&, round] {
        auto* dialog = window->findChild<QFileDialog*>();
        offered << dialog->selectedNameFilter();
        dialog->selectNameFilter(dialog->nameFilters()[1]);
        dialog->selectFile(pictures.filePath(QString("handout%1.png").arg(round)));
        // Its own accept(), which takes the name typed, behind QDialog's public one.
        static_cast<QDialog*>(dialog)->accept();
      });
      window->saveScreenshot();
    }
    QVERIFY(offered.size() == 2 && offered[1].contains("double size"));
    QVERIFY(QFile::exists(pictures.filePath("handout1.png")));
  }
};

COCHLEX_VIEWER_TEST_MAIN(TrapsTest)
#include "test_traps.moc"
