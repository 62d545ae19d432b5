// The traps a new user met, re-done as the user met them: the quiz asking for what cannot be
// found, typed and wheeled numbers, the floating Model view, pointing through a translucent
// capsule, broken models, screenshots without a display, and the Save Screenshot dialog.

#include "GuiTest.h"
#include "app/ScreenshotCommand.h"
#include "viewer/Quiz.h"

#include <vtkActor2DCollection.h>
#include <vtkNew.h>
#include <vtkPolyDataWriter.h>
#include <vtkSphereSource.h>

class TrapsTest : public QObject
{
  Q_OBJECT

  std::unique_ptr<ViewerSession> session;
  _CochlexUI* window = nullptr;

  void openModel(const std::vector<fixture::Structure>& structures = fixture::standardStructures(),
                 const std::function<void(const QString&)>& breakIt = {})
  {
    session = std::make_unique<ViewerSession>();
    window = &session->openModel(structures, true, breakIt);
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
  }
  int asked() const { return window->quiz->currentRound()->asked().index; }

private slots:
  void initTestCase() { qputenv(Quiz::seedVariable, "23"); }
  void cleanup() { session.reset(); }

  // Typed digits wait for the whole number; the arrows act at once.
  void typedNumbersTakeEffectWhenComplete()
  {
    openModel();
    QDoubleSpinBox* box = window->doubleSpinBox_1;
    vtkProperty* look = window->frontActors[0]->GetProperty();
    box->setValue(0.5);
    box->setFocus();
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_0);
    QCOMPARE(look->GetOpacity(), 0.5);
    QTest::keyClicks(box, ".8");
    QCOMPARE(window->horizontalSlider_1->value(), 8);
    QVERIFY(qFuzzyCompare(look->GetOpacity(), 0.2));
    QTest::keyClick(box, Qt::Key_Down);
    QVERIFY(qFuzzyCompare(look->GetOpacity(), 0.3));
  }

  // Over the structure list the wheel scrolls; it changes only the control with the focus.
  void wheelScrollsTheListNotTheControlUnderIt()
  {
    openModel();
    QScrollBar* list = window->toolBox->findChild<QScrollArea*>()->verticalScrollBar();
    for (QWidget* control : { static_cast<QWidget*>(window->horizontalSlider_2),
                              static_cast<QWidget*>(window->doubleSpinBox_2) }) {
      const auto wheelUp = [control] {
        const QPoint at(control->width() / 2, control->height() / 2);
        QWheelEvent up(
          at, control->mapToGlobal(at), {}, { 0, 120 }, {}, {}, Qt::NoScrollPhase, false);
        QApplication::sendEvent(control, &up);
      };
      // Upwards: the transparency at 0.0 could only grow.
      list->setValue(list->maximum());
      window->hideAllButton->setFocus();
      wheelUp();
      QCOMPARE(window->horizontalSlider_2->value(), 0);
      QVERIFY(list->value() < list->maximum());
      control->setFocus();
      wheelUp();
      QVERIFY(window->horizontalSlider_2->value() > 0);
      window->horizontalSlider_2->setValue(0);
    }
  }

  // Through the capsule at transparency 0.5 the structure inside is named and found in the
  // quiz; where nothing lies behind, the capsule itself.
  void pointingNamesWhatIsSeenThroughTheCapsule()
  {
    std::vector<fixture::Structure> structures = fixture::standardStructures();
    structures.resize(3);
    structures[1].center = structures[0].center;
    structures[1].opacity = 0.5;
    openModel(structures, [&structures](const QString& folder) {
      vtkNew<vtkSphereSource> capsule;
      capsule->SetRadius(2.5);
      vtkNew<vtkPolyDataWriter> writer;
      writer->SetInputConnection(capsule->GetOutputPort());
      writer->WriteToOutputStringOn();
      writer->Write();
      fixture::writeFile(folder + structures[1].relativePath,
                         QByteArray::fromStdString(writer->GetOutputStdString()));
    });
    std::array<double, 3> rim{};
    for (std::size_t axis = 0; axis < 3; ++axis) {
      rim[axis] = 1.8 * window->mainCamera()->GetViewUp()[axis];
    }
    const QPoint points[] = { viewPointOf(*window, structures[0].center),
                              viewPointOf(*window, rim),
                              viewPointOf(*window, structures[2].center) };
    QCOMPARE(window->structurePicker->structureAtViewPoint(points[1]), 1);

    window->actionQuiz->trigger();
    for (int answers = 0; window->quiz->running() && answers < 3; ++answers) {
      QTest::mouseClick(window->qvtkWidget, Qt::LeftButton, {}, points[asked()]);
    }
    QCOMPARE(window->findChild<QMessageBox*>("quizScoreBox")->text(),
             QString("3 of 3 found at the first try"));
    // Less see-through, the capsule is what the student sees.
    window->doubleSpinBox_2->setValue(0.4);
    QCOMPARE(window->structurePicker->structureAtViewPoint(points[0]), 1);
  }

  // A failed structure, page and head model are shown as such; all hidden says how back.
  void brokenModelShowsWhatIsMissing()
  {
    openModel(fixture::standardStructures(), [](const QString& folder) {
      QFile::remove(folder + fixture::standardStructures()[4].relativePath);
      QFile::remove(folder + "/help2.html");
      fixture::writeFile(folder + "/Joint/Head_bone_transformed.vtp", "not a surface");
    });
    QCheckBox* stapes = window->show_5;
    QVERIFY(!stapes->isChecked() && !stapes->isEnabled() &&
            !window->horizontalSlider_5->isEnabled());
    QVERIFY(stapes->toolTip().contains("Stapes") && stapes->icon().isNull());
    QString problems;
    for (const std::string& problem : window->loadReport.problems) {
      problems += QString::fromStdString(problem);
    }
    QVERIFY(problems.contains("Stapes") && problems.contains("help2") && problems.contains("Head"));
    QCOMPARE(window->headRenderer()->GetActors2D()->GetNumberOfItems(), 1);

    auto* hint = window->statusbar->findChild<QLabel*>("allHiddenHint");
    QVERIFY(!hint->isVisible());
    window->hideAllButton->click();
    QVERIFY(hint->isVisible() && hint->text().contains("Ctrl+A"));
    window->showAllButton->click();
    QVERIFY(!hint->isVisible() && !stapes->isChecked());
  }

  // A missing surface: the picture is written, its problem told, exit 3.
  void screenshotOfAnIncompleteModel()
  {
    session = std::make_unique<ViewerSession>();
    fixture::writeModel(session->folder(), fixture::standardStructures(), false);
    QFile::remove(session->folder() + fixture::standardStructures()[4].relativePath);
    const QString picture = session->folder() + "/view.png";
    QProcess program;
    program.start(COCHLEX_EXECUTABLE, { "--screenshot", picture, "--size", "320x240" });
    QVERIFY(program.waitForFinished(120000));
    QCOMPARE(program.exitCode(), screenshotIncompleteModel);
    const QString errors = QString::fromLocal8Bit(program.readAllStandardError());
    QVERIFY2(errors.contains("Stapes") && errors.contains("Joint.raw"), qPrintable(errors));
    QVERIFY(QFile::exists(picture));
  }

  // The dialog offers the size chosen last time.
  void saveDialogKeepsTheSizeChoice()
  {
    openModel();
    QStringList offered;
    for (int round = 0; round < 2; ++round) {
      QTimer::singleShot(0, [&, round] {
        auto* dialog = window->findChild<QFileDialog*>();
        offered << dialog->selectedNameFilter();
        dialog->selectNameFilter(dialog->nameFilters()[1]);
        dialog->selectFile(session->folder() + QString("/handout%1.png").arg(round));
        // Its own accept(), which takes the name typed, behind QDialog's public one.
        static_cast<QDialog*>(dialog)->accept();
      });
      window->saveScreenshot();
    }
    QVERIFY(offered[1].contains("double size"));
    QVERIFY(QFile::exists(session->folder() + "/handout1.png"));
  }
};

COCHLEX_VIEWER_TEST_MAIN(TrapsTest)
#include "test_traps.moc"
