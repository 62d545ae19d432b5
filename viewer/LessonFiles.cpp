// Saving, opening and exporting lessons: the File menu's entries and the start-up's --lesson.

#include "loading/Console.h"
#include "loading/ModelFile.h"
#include "loading/SafeWrite.h"
#include "loading/TeachingModel.h"
#include "viewer/CochlexUI.h"
#include "viewer/Lessons.h"
#include "viewer/ViewCapture.h"
#include "viewer/teaching/LessonFile.h"
#include "web/WebExport.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>

namespace {

QString
lessonFilter()
{
  return QStringLiteral("Cochlex lessons (*.%1)").arg(QLatin1String(lessonformat::fileSuffix));
}

LessonFileChooser&
fileChooser()
{
  static LessonFileChooser chooser;
  return chooser;
}

QString
chooseWithDialog(QWidget* parent, const QString& suggested)
{
  QFileDialog dialog(parent, QStringLiteral("Save Lesson"), QString(), lessonFilter());
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(QLatin1String(lessonformat::fileSuffix));
  dialog.selectFile(suggested);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
    return {};
  }
  return dialog.selectedFiles().constFirst();
}

// The section numbers a lesson may name: those of the loaded volume's grid (the section record
// holds them), else the fixed grid's.
std::array<int, 3>
sectionCounts(const _CochlexUI& window)
{
  std::array<int, 3> counts = fixedSectionCounts();
  for (int axis = 0; axis < 3; ++axis) {
    const int count = window.sectionStates->at(axis).count;
    counts[std::size_t(axis)] = count > 0 ? count : counts[std::size_t(axis)];
  }
  return counts;
}

} // namespace

void
setLessonFileChooser(LessonFileChooser chooser)
{
  fileChooser() = std::move(chooser);
}

QString
Lessons::saveLessonTo(const QString& path)
{
  const QString cannot =
    QStringLiteral("Cannot save the lesson to %1: %2").arg(QDir::toNativeSeparators(path));
  Lesson lesson;
  lesson.structureNames = loadedStructureNames(window);
  lesson.views = views();
  // Written aside and renamed only when complete: a full disk leaves the old lesson as it was.
  const QString problem = writeWholeFile(path, lessonJson(lesson));
  if (!problem.isEmpty()) {
    return cannot.arg(problem);
  }
  lastLessonPath = path;
  changes.matchFile();
  return {};
}

void
Lessons::saveLesson()
{
  QString suggested = lastLessonPath;
  if (suggested.isEmpty()) {
    // Not the model folder: it may be read-only, and the lesson is the teacher's.
    suggested =
      QDir::home().filePath(QStringLiteral("lesson.") + QLatin1String(lessonformat::fileSuffix));
  }
  const LessonFileChooser& chooser = fileChooser();
  const QString path = chooser ? chooser(&window, suggested) : chooseWithDialog(&window, suggested);
  if (path.isEmpty()) {
    return;
  }
  const QString problem = saveLessonTo(path);
  if (!problem.isEmpty()) {
    printLine(problem.toStdString());
    showProblem(QStringLiteral("lessonSaveProblemBox"), QStringLiteral("Save Lesson"), problem);
    return;
  }
  window.statusbar->showMessage(
    QStringLiteral("Lesson saved to %1").arg(QDir::toNativeSeparators(path)), 5000);
}

bool
Lessons::saveBeforeLeaving()
{
  // The lesson's own file when it has one, as Save in any editor; otherwise the teacher names it.
  if (lastLessonPath.isEmpty()) {
    saveLesson();
  } else {
    const QString problem = saveLessonTo(lastLessonPath);
    if (!problem.isEmpty()) {
      printLine(problem.toStdString());
      showProblem(QStringLiteral("lessonSaveProblemBox"), QStringLiteral("Save Lesson"), problem);
    }
  }
  return !hasUnsavedChanges();
}

bool
Lessons::hasUnsavedChanges() const
{
  return changes.unsaved(viewsById.size());
}

void
Lessons::leaveLesson(const QString& leaving, const std::function<void()>& proceed)
{
  if (!changes.mustAsk(viewsById.size())) {
    proceed();
    return;
  }
  // One question at a time: a second Quit while it is open waits for the same answer.
  if (leaveQuestion != nullptr) {
    leaveQuestion->raise();
    leaveQuestion->activateWindow();
    return;
  }
  // The question belongs over the window, not behind a full-screen picture.
  endPresentation();
  // Opened, not executed: nothing waits in a loop of its own, and the window stays as it is
  // until the teacher answers.
  auto* box = new QMessageBox(QMessageBox::Warning,
                              QStringLiteral("Unsaved Lesson"),
                              QStringLiteral("The lesson has changes that are not saved."),
                              QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel,
                              &window);
  box->setObjectName(QStringLiteral("unsavedLessonBox"));
  box->setInformativeText(QStringLiteral("Save them before %1? Discarded, %2 lost.")
                            .arg(leaving,
                                 viewsById.size() == 1
                                   ? QStringLiteral("its view is")
                                   : QStringLiteral("its %1 views are").arg(viewsById.size())));
  box->setDefaultButton(QMessageBox::Save);
  box->setEscapeButton(QMessageBox::Cancel);
  box->setAttribute(Qt::WA_DeleteOnClose);
  leaveQuestion = box;
  connect(box, &QMessageBox::finished, this, [this, box, proceed](int) {
    const QMessageBox::StandardButton clicked = box->standardButton(box->clickedButton());
    const LessonChanges::Answer answer = clicked == QMessageBox::Save ? LessonChanges::Answer::Save
                                         : clicked == QMessageBox::Discard
                                           ? LessonChanges::Answer::Discard
                                           : LessonChanges::Answer::Cancel;
    // After the box has gone: the save may ask for a file name in a dialog of its own.
    QTimer::singleShot(0, this, [this, answer, proceed] {
      if (changes.answer(answer, [this] { return saveBeforeLeaving(); })) {
        proceed();
      }
    });
  });
  box->open();
}

bool
Lessons::mayCloseWindow()
{
  if (!changes.mustAsk(viewsById.size())) {
    return true;
  }
  leaveLesson(QStringLiteral("quitting"), [this] { window.close(); });
  return false;
}

void
Lessons::stayInLesson()
{
  changes.stayed();
}

QString
Lessons::exportWebPageTo(const QString& path)
{
  WebExportRequest request;
  request.target = path;
  request.modelFolder = currentModelFolder().path;
  Lesson lesson;
  lesson.structureNames = loadedStructureNames(window);
  lesson.views = views();
  if (lesson.views.empty()) {
    ViewState view = captureView(window);
    view.name = QStringLiteral("View");
    lesson.views.push_back(view);
  }
  request.lesson = lesson;
  // Reading and simplifying the model takes a few seconds.
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const WebExportResult result = ::exportWebPage(request);
  QApplication::restoreOverrideCursor();
  return result.problem;
}

void
Lessons::exportWebPage()
{
  QString suggested = lastWebPagePath;
  if (suggested.isEmpty()) {
    const QString base = lastLessonPath.isEmpty() ? QStringLiteral("lesson")
                                                  : QFileInfo(lastLessonPath).completeBaseName();
    suggested = QDir::home().filePath(base + QStringLiteral(".html"));
  }
  QFileDialog dialog(&window,
                     QStringLiteral("Export Lesson as Web Page"),
                     QString(),
                     QStringLiteral("Web pages (*.html *.htm)"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(QStringLiteral("html"));
  dialog.selectFile(suggested);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
    return;
  }
  const QString path = dialog.selectedFiles().constFirst();
  const QString problem = exportWebPageTo(path);
  if (!problem.isEmpty()) {
    printLine(problem.toStdString());
    showProblem(
      QStringLiteral("webExportProblemBox"), QStringLiteral("Export Lesson as Web Page"), problem);
    return;
  }
  lastWebPagePath = path;
  window.statusbar->showMessage(
    QStringLiteral("Web page written to %1").arg(QDir::toNativeSeparators(path)), 5000);
}

void
Lessons::openLesson()
{
  const QString folder =
    lastLessonPath.isEmpty() ? QDir::homePath() : QFileInfo(lastLessonPath).absolutePath();
  const QString path =
    QFileDialog::getOpenFileName(&window,
                                 QStringLiteral("Open Lesson"),
                                 folder,
                                 lessonFilter() + QStringLiteral(";;All files (*)"));
  if (!path.isEmpty()) {
    openLessonFile(path);
  }
}

void
Lessons::openLessonFile(const QString& path)
{
  const QString shownPath = QDir::toNativeSeparators(path);
  const LessonRead read = readLessonFile(path, sectionCounts(window));
  if (!read.problem.isEmpty()) {
    const QString problem =
      QStringLiteral("Cannot open the lesson %1: %2").arg(shownPath, read.problem);
    printLine(problem.toStdString());
    showProblem(QStringLiteral("lessonOpenProblemBox"), QStringLiteral("Open Lesson"), problem);
    return;
  }
  if (changes.mustAsk(viewsById.size())) {
    leaveLesson(QStringLiteral("opening another lesson"), [this, path] { openLessonFile(path); });
    return;
  }
  const StructureListDifference difference =
    compareStructureLists(read.lesson.structureNames, loadedStructureNames(window));
  if (difference.empty()) {
    lastLessonPath = path;
    replaceViews(read.lesson);
    window.statusbar->showMessage(
      QStringLiteral("Lesson %1 opened: %2 views").arg(shownPath).arg(read.lesson.views.size()),
      5000);
    return;
  }
  // Opened, not executed: the window keeps its own loop running and nothing waits on the box.
  auto* box =
    new QMessageBox(QMessageBox::Question,
                    QStringLiteral("Open Lesson"),
                    QStringLiteral("The lesson %1 was made for another model.").arg(shownPath),
                    QMessageBox::Open | QMessageBox::Cancel,
                    &window);
  box->setObjectName(QStringLiteral("lessonModelBox"));
  box->setInformativeText(
    QStringLiteral("Structures of the lesson that this model lacks: %1.\nStructures of this "
                   "model that the lesson does not name: %2.\nOpened anyway, its views skip "
                   "the structures this model lacks and leave the others as they are.")
      .arg(listedNames(difference.missingFromModel), listedNames(difference.missingFromLesson)));
  box->setDefaultButton(QMessageBox::Cancel);
  box->setAttribute(Qt::WA_DeleteOnClose);
  const Lesson lesson = read.lesson;
  connect(box, &QMessageBox::finished, this, [this, box, lesson, path](int) {
    if (box->clickedButton() == box->button(QMessageBox::Open)) {
      lastLessonPath = path;
      replaceViews(lesson);
    }
  });
  box->open();
}

QString
Lessons::showLessonFile(const QString& path)
{
  const QString shownPath = QDir::toNativeSeparators(path);
  const LessonRead read = readLessonFile(path, sectionCounts(window));
  if (!read.problem.isEmpty()) {
    return QStringLiteral("Cannot open the lesson %1: %2").arg(shownPath, read.problem);
  }
  const StructureListDifference difference =
    compareStructureLists(read.lesson.structureNames, loadedStructureNames(window));
  if (!difference.empty()) {
    return QStringLiteral("The lesson %1 was made for another model; structures this model "
                          "lacks: %2; structures the lesson does not name: %3.")
      .arg(shownPath,
           listedNames(difference.missingFromModel),
           listedNames(difference.missingFromLesson));
  }
  if (read.lesson.views.empty()) {
    return QStringLiteral("The lesson %1 holds no views.").arg(shownPath);
  }
  replaceViews(read.lesson);
  goToView(0);
  finishTransition();
  return {};
}

void
Lessons::openLessonAtStart(const QString& path)
{
  // After the start-up has shown and placed the window: the messages belong over it.
  QTimer::singleShot(0, this, [this, path] { openLessonFile(path); });
}

void
Lessons::showProblem(const QString& objectName, const QString& title, const QString& text)
{
  auto* box = new QMessageBox(QMessageBox::Warning, title, text, QMessageBox::Ok, &window);
  box->setObjectName(objectName);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->open();
}
