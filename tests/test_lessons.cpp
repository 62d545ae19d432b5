// Lessons as a teacher makes and gives them: three pictures kept as views, saved, opened in a
// fresh window and stepped through exactly as saved; bad files that leave the views alone; a
// lesson for another model; and the presentation.

#include "GuiTest.h"
#include "app/CommandLine.h"
#include "viewer/InteractiveDetail.h"
#include "viewer/Lessons.h"
#include "viewer/ViewCapture.h"
#include "viewer/teaching/LessonFile.h"

#include <QSignalSpy>

#include <vtkBoundingBox.h>
#include <vtkTextActor.h>
#include <vtkTextProperty.h>

#include <sys/stat.h>

namespace {

// What the controls' slots made of the scene, as numbers in a fixed order: each control's own
// value after a file's round trip is checked field by field in test_lesson_views.
std::vector<double>
controlValues(_CochlexUI& window)
{
  // A click's flash is no part of the picture.
  window.structureSelection->finishHighlight();
  std::vector<double> values;
  for (vtkActor* actor : window.frontActors) {
    values.push_back(window.mainRenderer()->HasViewProp(actor));
    values.push_back(actor->GetProperty()->GetOpacity());
  }
  for (vtkProp* section : std::array<vtkProp*, 3>{
         { window.sectionActorX, window.sectionActorY, window.sectionActorZ } }) {
    values.push_back(window.mainRenderer()->HasViewProp(section));
  }
  values.push_back(window.frontActors[0]->GetMapper()->GetNumberOfClippingPlanes());
  for (QScrollBar* bar : { window.sectionNumberX, window.sectionNumberY, window.sectionNumberZ }) {
    values.push_back(bar->value());
  }
  values.push_back(window.structureSelection->selectedStructure());
  return values;
}

double
modelSize(_CochlexUI& window)
{
  vtkBoundingBox box;
  for (vtkActor* actor : window.frontActors) {
    box.AddBounds(actor->GetBounds());
  }
  return box.GetDiagonalLength();
}

double
distance(const std::array<double, 3>& a, const std::array<double, 3>& b)
{
  return std::sqrt(vtkMath::Distance2BetweenPoints(a.data(), b.data()));
}

struct Picture
{
  CameraPose camera;
  std::vector<double> controls;
  QString caption;
};

} // namespace

class TestLessons : public QObject
{
  Q_OBJECT

  std::unique_ptr<ViewerSession> session;
  _CochlexUI* window = nullptr;

  // The shared fixture: the main view at a fixed size, so that its aspect, and so the framing,
  // never depends on the screen.
  Lessons& openLoaded()
  {
    // The old session goes first: it gives back the working directory it entered.
    session.reset();
    session = std::make_unique<ViewerSession>();
    window = &session->openModel();
    return *window->lessons;
  }

  Picture addPicture(const QString& caption)
  {
    window->lessons->addView();
    window->findChild<QPlainTextEdit*>("viewCaptionEdit")->setPlainText(caption);
    return { mainCameraPose(*window), controlValues(*window), caption };
  }

  void arriveAt(Lessons& lessons)
  {
    QVERIFY(lessons.transitionRunning());
    QTRY_VERIFY_WITH_TIMEOUT(!lessons.transitionRunning(), 10000);
  }

private slots:
  void cleanup() { session.reset(); }

  void threeViewsComeBackAsSaved()
  {
    QTemporaryDir lessonFolder;
    const QString path = lessonFolder.filePath("class.cochlex-lesson");
    std::vector<Picture> pictures;
    int captionFontSize = 0;
    {
      Lessons& lessons = openLoaded();
      window->show_2->click();
      window->doubleSpinBox_1->setValue(0.3);
      window->rotYScrollBar->setValue(40);
      pictures.push_back(addPicture("The incus, translucent"));
      captionFontSize = lessons.captionActor()->GetTextProperty()->GetFontSize();

      window->spinBox_x->setValue(300);
      window->showXPlane->click();
      window->clipX->setValue(1);
      window->rotXScrollBar->setValue(-30);
      window->zoomScrollBar->setValue(150);
      pictures.push_back(addPicture("Cut at section 300"));

      window->structureSelection->selectStructure(4);
      window->show_2->click();
      window->horizontalSlider_5->setValue(6);
      window->spinBox_z->setValue(20);
      window->showZPlane->click();
      window->clipZ->setValue(-1);
      window->clipX->setValue(0);
      window->shiftXSlider->setValue(30);
      pictures.push_back(addPicture("The stapes from below"));

      QCOMPARE(lessons.saveLessonTo(path), QString());
    }

    Lessons& lessons = openLoaded();
    // As on a renderer too slow for full detail: the camera moves with coarse copies at a reduced
    // resolution, and each view still arrives with its caption laid out at the full one.
    InteractiveDetail& detail = *window->interactiveDetail;
    detail.setFullDetailFrameOverride(1000);
    detail.setMovingFrameOverride(1000);
    detail.buildIfNeeded();
    QTRY_VERIFY_WITH_TIMEOUT(detail.coarseCopiesReady(), 60000);
    const std::vector<double> before = controlValues(*window);
    lessons.openLessonFile(path);
    QCOMPARE(lessons.views().size(), std::size_t(3));
    QCOMPARE(controlValues(*window), before);
    const double tolerance = modelSize(*window) / 1000;
    for (const Picture& picture : pictures) {
      const CameraPose start = mainCameraPose(*window);
      lessons.nextView();
      // The controls are set at once; the camera starts where it was and moves on its own.
      QCOMPARE(controlValues(*window), picture.controls);
      QCOMPARE(mainCameraPose(*window).position, start.position);
      arriveAt(lessons);
      const CameraPose camera = mainCameraPose(*window);
      QVERIFY(distance(camera.position, picture.camera.position) < tolerance);
      QVERIFY(distance(camera.focalPoint, picture.camera.focalPoint) < tolerance);
      QVERIFY(distance(camera.viewUp, picture.camera.viewUp) < 1e-3);
      QCOMPARE(controlValues(*window), picture.controls);
      QVERIFY(window->mainRenderer()->HasViewProp(lessons.captionActor()));
      QCOMPARE(QString::fromUtf8(lessons.captionActor()->GetInput()), picture.caption);
      QCOMPARE(lessons.captionActor()->GetTextProperty()->GetFontSize(), captionFontSize);
    }
  }

  // Each kind of bad file is told apart in the lesson file's own tests; here a FIFO, which
  // nobody writes to, must neither hang the window nor touch its views.
  void badFileLeavesTheViewsAlone()
  {
    Lessons& lessons = openLoaded();
    lessons.addView();
    window->rotYScrollBar->setValue(90);
    lessons.addView();
    const std::vector<ViewState> views = lessons.views();
    const std::vector<double> controls = controlValues(*window);

    QTemporaryDir folder;
    const QString path = folder.filePath("bad.cochlex-lesson");
    QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    lessons.openLessonFile(path);
    auto* box = window->findChild<QMessageBox*>("lessonOpenProblemBox");
    QVERIFY(box != nullptr);
    QVERIFY(box->text().contains(path) && box->text().contains("not a regular file"));
    box->close();
    QCOMPARE(lessons.views().size(), views.size());
    for (std::size_t index = 0; index < views.size(); ++index) {
      QCOMPARE(lessons.views()[index].name, views[index].name);
      QCOMPARE(lessons.views()[index].camera.position, views[index].camera.position);
    }
    QCOMPARE(controlValues(*window), controls);
  }

  void lessonForAnotherModelOpensAfterConsent()
  {
    Lessons& lessons = openLoaded();
    ViewState view = captureView(*window);
    Lesson lesson;
    lesson.structureNames = loadedStructureNames(*window);
    const QString incus = lesson.structureNames[0];
    const QString stapes = lesson.structureNames[4];
    lesson.structureNames[0] = "Malleus";
    view.structures = { { "Malleus", false, 0.5 }, { stapes, false, 0.2 } };
    lesson.views = { view };
    QTemporaryDir folder;
    const QString path = folder.filePath("other.cochlex-lesson");
    fixture::writeFile(path, lessonJson(lesson));

    for (const auto button : { QMessageBox::Cancel, QMessageBox::Open }) {
      lessons.openLessonFile(path);
      auto* box = window->findChild<QMessageBox*>("lessonModelBox");
      QVERIFY(box != nullptr);
      QVERIFY(box->informativeText().contains("Malleus") && box->informativeText().contains(incus));
      QVERIFY(lessons.views().empty());
      box->button(button)->click();
      QTRY_VERIFY(window->findChild<QMessageBox*>("lessonModelBox") == nullptr);
    }
    QCOMPARE(lessons.views().size(), std::size_t(1));
    lessons.goToView(0);
    lessons.finishTransition();
    // The structure the model lacks is skipped; the others follow the view.
    QVERIFY(window->show_1->isChecked());
    QCOMPARE(window->doubleSpinBox_1->value(), 0.0);
    QVERIFY(!window->show_5->isChecked());
    QCOMPARE(window->horizontalSlider_5->value(), 2);
  }

  // A lesson of 64 structures for another model: the box lists the first names and how many
  // more, and fits a 1024-pixel screen.
  void lessonWithManyStructuresGivesABoxThatFits()
  {
    Lessons& lessons = openLoaded();
    Lesson lesson;
    for (int index = 1; index <= 64; ++index) {
      lesson.structureNames.append(
        QStringLiteral("Structure %1 of a lesson made on a model of the inner ear").arg(index));
    }
    ViewState view = captureView(*window);
    view.structures.clear();
    lesson.views = { view };
    QTemporaryDir folder;
    const QString path = folder.filePath("many.cochlex-lesson");
    fixture::writeFile(path, lessonJson(lesson));
    lessons.openLessonFile(path);
    auto* box = window->findChild<QMessageBox*>("lessonModelBox");
    QVERIFY(box != nullptr);
    QTRY_VERIFY(box->isVisible());
    QVERIFY2(box->informativeText().contains("and 58 more"), qPrintable(box->informativeText()));
    QVERIFY2(box->frameGeometry().width() <= 1024 && box->frameGeometry().height() <= 1024,
             qPrintable(QStringLiteral("%1 x %2")
                          .arg(box->frameGeometry().width())
                          .arg(box->frameGeometry().height())));
    box->button(QMessageBox::Cancel)->click();
    QTRY_VERIFY(window->findChild<QMessageBox*>("lessonModelBox") == nullptr);
    QVERIFY(lessons.views().empty());
  }

  // The lesson is named from where the program starts, not from the model folder it enters.
  void lessonOnTheCommandLine()
  {
    QTemporaryDir folder;
    const fixture::WorkingDirectory inFolder(folder.path());
    QVERIFY(QDir().mkdir("model"));
    const CommandLineOutcome outcome =
      parseCommandLine({ "cochlex", "--lesson", "class.cochlex-lesson", "model" });
    QVERIFY(outcome.runViewer);
    QCOMPARE(outcome.modelFolder, QString("model"));
    QCOMPARE(outcome.lessonFile, QDir(folder.path()).filePath("class.cochlex-lesson"));
  }

  void presentationStepsAndEndsWhereItStarted()
  {
    Lessons& lessons = openLoaded();
    // The labels' switch is kept in a view and set through its action.
    auto* labels = window->findChild<QAction*>("actionShow_Labels");
    labels->setChecked(true);
    QSignalSpy labelsTriggered(labels, &QAction::triggered);
    addPicture("First");
    labels->setChecked(false);
    window->rotYScrollBar->setValue(60);
    addPicture("Second");
    QCOMPARE(lessons.views()[0].labels, std::optional<bool>(true));
    QDockWidget* modelView = window->viewerDock;
    window->findChild<QAction*>("actionPresent_Lesson")->trigger();
    QVERIFY(lessons.presenting() && modelView->isFloating() && modelView->isFullScreen());
    QCOMPARE(lessons.currentViewRow(), 0);
    QCOMPARE(QString::fromUtf8(lessons.captionActor()->GetInput()), QString("First"));
    QVERIFY(labels->isChecked() && labelsTriggered.count() == 1);
    window->findChild<QAction*>("actionNext_View")->trigger();
    QCOMPARE(lessons.currentViewRow(), 1);
    window->findChild<QAction*>("actionPrevious_View")->trigger();
    QCOMPARE(lessons.currentViewRow(), 0);
    // Escape belongs to the presentation alone while it runs.
    auto* fullScreenKey = modelView->findChild<QShortcut*>("leaveFullScreenShortcut");
    auto* endKey = modelView->findChild<QShortcut*>("endPresentationShortcut");
    QVERIFY(endKey->isEnabled() && !fullScreenKey->isEnabled());
    emit endKey->activated();
    QVERIFY(!lessons.presenting() && !modelView->isFloating() && !endKey->isEnabled());
  }
};

COCHLEX_VIEWER_TEST_MAIN(TestLessons)
#include "test_lessons.moc"
