// Lessons as a teacher makes and gives them: three pictures kept as views, saved, opened in a
// fresh window and stepped through exactly as saved; bad files that leave the views alone; a
// lesson for another model; captions under the picture; unsaved views that are never lost
// without a question; and the presentation.

#include "GuiTest.h"
#include "app/CommandLine.h"
#include "viewer/InteractiveDetail.h"
#include "viewer/Lessons.h"
#include "viewer/ViewCapture.h"
#include "viewer/teaching/LessonFile.h"

#include <QSignalSpy>

#include <vtkBoundingBox.h>
#include <vtkCommand.h>

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
    auto* captionEdit = window->findChild<QPlainTextEdit*>("viewCaptionEdit");
    // The teacher types the new view's caption at once: the field has the keyboard, not the
    // model view, where Space would go on to the next view.
    [&] { QCOMPARE(window->focusWidget(), captionEdit); }();
    captionEdit->setPlainText(caption);
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
    {
      Lessons& lessons = openLoaded();
      window->show_2->click();
      window->doubleSpinBox_1->setValue(0.3);
      window->rotYScrollBar->setValue(40);
      pictures.push_back(addPicture("The incus, translucent"));

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
      QCOMPARE(lessons.shownCaption(), picture.caption);
    }
  }

  // A new view is named after those in the list and never repeats one, also after a deletion.
  void newViewNamesNeverRepeat()
  {
    Lessons& lessons = openLoaded();
    lessons.addView();
    lessons.addView();
    lessons.goToView(0);
    lessons.finishTransition();
    window->findChild<QAction*>("actionDelete_View")->trigger();
    lessons.addView();
    QStringList names;
    for (const ViewState& view : lessons.views()) {
      names << view.name;
    }
    QCOMPARE(names, QStringList({ "View 2", "View 3" }));
  }

  // Each kind of bad file is told apart in the lesson file's own tests; here a FIFO, which
  // nobody writes to, must neither hang the window nor touch its views; and a save into a folder
  // that is not there says so, and keeps the views unsaved.
  void badFilesLeaveTheViewsAlone()
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

    QString unreachable = folder.filePath("gone/class.cochlex-lesson");
    setLessonFileChooser([&](QWidget*, const QString&) { return unreachable; });
    window->statusbar->clearMessage();
    window->findChild<QAction*>("actionSave_Lesson")->trigger();
    setLessonFileChooser({});
    auto* saveBox = window->findChild<QMessageBox*>("lessonSaveProblemBox");
    QVERIFY(saveBox != nullptr && saveBox->isVisible());
    QVERIFY2(saveBox->text().contains(unreachable), qPrintable(saveBox->text()));
    saveBox->close();
    QVERIFY(!window->statusbar->currentMessage().startsWith("Lesson saved"));
    QVERIFY(lessons.hasUnsavedChanges());
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
    // The view takes what the screen gives it, as in the program.
    window->qvtkWidget->setMinimumSize(0, 0);
    window->qvtkWidget->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
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
    auto* band = window->findChild<QWidget*>("captionBand");
    auto* count = window->findChild<QLabel*>("presentationCount");
    QVERIFY(band != nullptr && count != nullptr);
    // What the teacher works with around the picture, none of which a class should see.
    const QList<QWidget*> controls{ window->rotXScrollBar, window->rotYScrollBar,
                                    window->shiftXSlider,  window->zoomScrollBar,
                                    window->autoRotY,      window->resetButton,
                                    window->hideAllButton, window->label_6 };
    for (QWidget* control : controls) {
      QVERIFY(control->isVisible());
    }

    window->findChild<QAction*>("actionPresent_Lesson")->trigger();
    QVERIFY(lessons.presenting() && modelView->isFloating() && modelView->isFullScreen());
    QCOMPARE(lessons.currentViewRow(), 0);
    QCOMPARE(lessons.shownCaption(), QString("First"));
    QCOMPARE(count->text(), QString("1 / 2"));
    QVERIFY(labels->isChecked() && labelsTriggered.count() == 1);
    // The picture alone from the screen's top, its band under it to the bottom: no title, no
    // bars; the floating dock's own frame is a pixel wide.
    QTRY_VERIFY(modelView->frameGeometry() == modelView->screen()->geometry());
    const auto within = [](int actual, int expected) { return std::abs(actual - expected) <= 1; };
    QTRY_VERIFY(within(window->qvtkWidget->mapTo(modelView, QPoint(0, 0)).y(), 0));
    QVERIFY(within(window->qvtkWidget->mapTo(modelView, QPoint(0, 0)).x(), 0));
    QVERIFY(window->qvtkWidget->width() >= modelView->width() - 2);
    QVERIFY(within(band->mapTo(modelView, QPoint(0, band->height())).y(), modelView->height()));
    QVERIFY(band->isVisible() && count->isVisible());
    // The count at the band's right end, the caption in the middle.
    QVERIFY(count->mapTo(band, QPoint(count->width(), 0)).x() > band->width() * 9 / 10);
    for (QWidget* control : controls) {
      QVERIFY2(!control->isVisible(), qPrintable(control->objectName()));
    }
    window->findChild<QAction*>("actionNext_View")->trigger();
    QCOMPARE(lessons.currentViewRow(), 1);
    QCOMPARE(count->text(), QString("2 / 2"));
    QCOMPARE(lessons.shownCaption(), QString("Second"));
    window->findChild<QAction*>("actionPrevious_View")->trigger();
    QCOMPARE(lessons.currentViewRow(), 0);
    QCOMPARE(count->text(), QString("1 / 2"));
    // Escape belongs to the presentation alone while it runs.
    auto* fullScreenKey = modelView->findChild<QShortcut*>("leaveFullScreenShortcut");
    auto* endKey = modelView->findChild<QShortcut*>("endPresentationShortcut");
    QVERIFY(endKey->isEnabled() && !fullScreenKey->isEnabled());
    emit endKey->activated();
    QVERIFY(!lessons.presenting() && !modelView->isFloating() && !endKey->isEnabled());
    // The window as it was: the bars back, the dock's title above the picture again.
    for (QWidget* control : controls) {
      QVERIFY2(control->isVisible(), qPrintable(control->objectName()));
    }
    QCOMPARE(count->text(), QString());
    QTRY_VERIFY(window->qvtkWidget->mapTo(modelView, QPoint(0, 0)).y() > 0);
  }

  // The caption is a band of its own under the picture and stays while the camera shows its
  // view; moving the camera away in any way takes it away, changing a structure does not.
  void captionUnderThePictureUntilTheViewIsLeft_data()
  {
    QTest::addColumn<QString>("step");
    QTest::addColumn<bool>("stays");
    QTest::newRow("a structure hidden") << "hide" << true;
    QTest::newRow("Anterior view") << "anterior" << false;
    QTest::newRow("rotation bar") << "rotate" << false;
    QTest::newRow("zoom bar") << "zoom" << false;
    QTest::newRow("Reset") << "reset" << false;
    QTest::newRow("dragged with the mouse") << "drag" << false;
  }

  void captionUnderThePictureUntilTheViewIsLeft()
  {
    QFETCH(QString, step);
    QFETCH(bool, stays);
    Lessons& lessons = openLoaded();
    window->rotYScrollBar->setValue(30);
    addPicture("The incus and the stapes");
    window->rotYScrollBar->setValue(-50);
    QTRY_COMPARE(lessons.shownCaption(), QString());
    lessons.goToView(0);
    arriveAt(lessons);
    QCOMPARE(lessons.shownCaption(), QString("The incus and the stapes"));
    auto* band = window->findChild<QWidget*>("captionBand");
    QTRY_VERIFY(band->isVisible());
    // Under the picture, beside nothing of it.
    const QRect view(window->qvtkWidget->mapToGlobal(QPoint(0, 0)), window->qvtkWidget->size());
    const QRect under(band->mapToGlobal(QPoint(0, 0)), band->size());
    QVERIFY(!view.intersects(under));
    QVERIFY(under.top() >= view.bottom());
    QCOMPARE(under.left(), view.left());

    if (step == "hide") {
      window->show_2->click();
    } else if (step == "anterior") {
      lessons.goToStandardView(StandardView::Anterior);
      lessons.finishTransition();
    } else if (step == "rotate") {
      window->rotYScrollBar->setValue(60);
    } else if (step == "zoom") {
      window->zoomScrollBar->setValue(140);
    } else if (step == "reset") {
      window->resetButton->click();
    } else if (step == "drag") {
      // As the view hands a left drag to the interactor.
      vtkRenderWindowInteractor* interactor = window->mainRenderWindow()->GetInteractor();
      QPoint at = window->qvtkWidget->rect().center();
      interactor->SetEventInformation(at.x(), at.y());
      interactor->InvokeEvent(vtkCommand::LeftButtonPressEvent);
      for (int move = 1; move <= 8; ++move) {
        at += QPoint(7, -4);
        interactor->SetEventInformation(at.x(), at.y());
        interactor->InvokeEvent(vtkCommand::MouseMoveEvent);
      }
      interactor->InvokeEvent(vtkCommand::LeftButtonReleaseEvent);
    }
    window->mainRenderWindow()->Render();
    if (stays) {
      QCoreApplication::processEvents();
      QCOMPARE(lessons.shownCaption(), QString("The incus and the stapes"));
      QVERIFY(band->isVisible());
    } else {
      QTRY_COMPARE(lessons.shownCaption(), QString());
      QVERIFY(!band->isVisible());
    }
  }

  // Nothing the teacher made is lost without a question: Quit, closing the window, opening
  // another lesson or another model ask Save / Discard / Cancel when views are unsaved.
  void unsavedViewsAreNeverLostUnasked_data()
  {
    // leaving: "quit", "close", "lesson" (open another), "model" (open another).
    // before: "saved" (no change since), "unsaved" (a view added after saving to its file),
    // "no file" (never saved), "file gone" (its folder removed since).
    // answer: the button clicked, empty when no question may come; name: the file Save's
    // dialog names, empty for a cancelled dialog.
    QTest::addColumn<QString>("leaving");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("left");
    // Views in the lesson's file afterwards.
    QTest::addColumn<int>("savedViews");
    QTest::newRow("Quit, nothing unsaved") << "quit"
                                           << "saved"
                                           << ""
                                           << "" << true << 2;
    QTest::newRow("Quit, Cancel") << "quit"
                                  << "unsaved"
                                  << "Cancel"
                                  << "" << false << 2;
    QTest::newRow("Quit, Discard") << "quit"
                                   << "unsaved"
                                   << "Discard"
                                   << "" << true << 2;
    QTest::newRow("Quit, Save") << "quit"
                                << "unsaved"
                                << "Save"
                                << "" << true << 3;
    QTest::newRow("Quit, Save fails") << "quit"
                                      << "file gone"
                                      << "Save"
                                      << "" << false << 0;
    QTest::newRow("Quit, Save names a file") << "quit"
                                             << "no file"
                                             << "Save"
                                             << "new" << true << 3;
    QTest::newRow("Quit, Save's dialog cancelled") << "quit"
                                                   << "no file"
                                                   << "Save"
                                                   << "" << false << 0;
    QTest::newRow("window closed, Discard") << "close"
                                            << "unsaved"
                                            << "Discard"
                                            << "" << true << 2;
    QTest::newRow("window closed, Cancel") << "close"
                                           << "unsaved"
                                           << "Cancel"
                                           << "" << false << 2;
    QTest::newRow("another lesson, nothing unsaved") << "lesson"
                                                     << "saved"
                                                     << ""
                                                     << "" << true << 2;
    QTest::newRow("another lesson, Cancel") << "lesson"
                                            << "unsaved"
                                            << "Cancel"
                                            << "" << false << 2;
    QTest::newRow("another lesson, Save") << "lesson"
                                          << "unsaved"
                                          << "Save"
                                          << "" << true << 3;
    QTest::newRow("another model, Cancel") << "model"
                                           << "unsaved"
                                           << "Cancel"
                                           << "" << false << 2;
    QTest::newRow("another model, Discard") << "model"
                                            << "unsaved"
                                            << "Discard"
                                            << "" << true << 2;
  }

  void unsavedViewsAreNeverLostUnasked()
  {
    QFETCH(QString, leaving);
    QFETCH(QString, before);
    QFETCH(QString, answer);
    QFETCH(QString, name);
    QFETCH(bool, left);
    QFETCH(int, savedViews);
    Lessons& lessons = openLoaded();
    QTemporaryDir folder;
    QVERIFY(QDir(folder.path()).mkdir("class"));
    const QString path =
      folder.filePath(before == "no file" ? "new.cochlex-lesson" : "class/class.cochlex-lesson");
    // Another lesson for this model, of one view.
    Lesson other;
    other.structureNames = loadedStructureNames(*window);
    other.views = { captureView(*window) };
    const QString otherPath = folder.filePath("other.cochlex-lesson");
    fixture::writeFile(otherPath, lessonJson(other));

    addPicture("First");
    window->rotYScrollBar->setValue(50);
    addPicture("Second");
    if (before != "no file") {
      QCOMPARE(lessons.saveLessonTo(path), QString());
    }
    if (before != "saved") {
      window->rotYScrollBar->setValue(-50);
      addPicture("Third");
    }
    if (before == "file gone") {
      QVERIFY(QDir(folder.filePath("class")).removeRecursively());
    }
    QCOMPARE(lessons.hasUnsavedChanges(), before != "saved");

    QStringList namesAsked;
    setLessonFileChooser([&](QWidget*, const QString& suggested) {
      namesAsked << suggested;
      return name.isEmpty() ? QString() : path;
    });
    QStringList startedViewers;
    window->modelOpening.chooseFolder = [this](QWidget*) { return session->folder(); };
    window->modelOpening.startViewer = [&startedViewers](const QString& started) {
      startedViewers << started;
      return true;
    };
    if (leaving == "quit") {
      window->actionQuit->trigger();
    } else if (leaving == "close") {
      window->close();
    } else if (leaving == "lesson") {
      lessons.openLessonFile(otherPath);
    } else {
      window->actionOpen_Teaching_Model->trigger();
    }

    auto* box = window->findChild<QMessageBox*>("unsavedLessonBox");
    if (answer.isEmpty()) {
      QVERIFY(box == nullptr);
    } else {
      QVERIFY(box != nullptr);
      QTRY_VERIFY(box->isVisible());
      // While it asks, nothing has happened yet.
      QVERIFY(window->isVisible() && startedViewers.isEmpty());
      QCOMPARE(lessons.views().size(), std::size_t(3));
      QList<QMessageBox::StandardButton> buttons;
      for (QAbstractButton* button : box->buttons()) {
        buttons << box->standardButton(button);
      }
      std::sort(buttons.begin(), buttons.end());
      QList<QMessageBox::StandardButton> expected{ QMessageBox::Save,
                                                   QMessageBox::Discard,
                                                   QMessageBox::Cancel };
      std::sort(expected.begin(), expected.end());
      QCOMPARE(buttons, expected);
      box
        ->button(answer == "Save"      ? QMessageBox::Save
                 : answer == "Discard" ? QMessageBox::Discard
                                       : QMessageBox::Cancel)
        ->click();
      QTRY_VERIFY(window->findChild<QMessageBox*>("unsavedLessonBox") == nullptr);
    }
    const auto hasLeft = [&] {
      if (leaving == "lesson") {
        return lessons.views().size() == 1;
      }
      const bool closed = !window->isVisible();
      return leaving == "model" ? closed && startedViewers.size() == 1 : closed;
    };
    if (left) {
      QTRY_VERIFY(hasLeft());
    } else {
      // The answer acts once its box has gone.
      QTest::qWait(100);
      QVERIFY(!hasLeft());
      QVERIFY(window->isVisible());
      QCOMPARE(lessons.views().size(), std::size_t(3));
      QVERIFY(lessons.hasUnsavedChanges());
    }
    QCOMPARE(namesAsked.size(), int(before == "no file" && answer == "Save"));
    if (before == "file gone") {
      auto* problem = window->findChild<QMessageBox*>("lessonSaveProblemBox");
      QVERIFY(problem != nullptr && problem->text().contains("class.cochlex-lesson"));
    }
    const LessonRead saved = readLessonFile(path);
    QCOMPARE(saved.problem.isEmpty() ? int(saved.lesson.views.size()) : 0, savedViews);
    setLessonFileChooser({});
  }
};

COCHLEX_VIEWER_TEST_MAIN(TestLessons)
#include "test_lessons.moc"
