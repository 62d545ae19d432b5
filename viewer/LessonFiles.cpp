// Saving and opening lessons: the File menu's entries and the start-up's --lesson.

#include "loading/Console.h"
#include "viewer/CochlexUI.h"
#include "viewer/Lessons.h"
#include "viewer/ViewCapture.h"
#include "viewer/teaching/LessonFile.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QStatusBar>
#include <QTimer>

namespace {

QString
lessonFilter()
{
  return QStringLiteral("Cochlex lessons (*.%1)").arg(QLatin1String(lessonformat::fileSuffix));
}

QString
listed(const QStringList& names)
{
  return names.isEmpty() ? QStringLiteral("none") : names.join(QStringLiteral(", "));
}

} // namespace

QString
Lessons::saveLessonTo(const QString& path)
{
  const QString cannot =
    QStringLiteral("Cannot save the lesson to %1: %2").arg(QDir::toNativeSeparators(path));
  Lesson lesson;
  lesson.structureNames = loadedStructureNames(window);
  lesson.views = views();
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    return cannot.arg(file.errorString());
  }
  const QByteArray json = lessonJson(lesson);
  if (file.write(json) != json.size()) {
    file.cancelWriting();
    return cannot.arg(file.errorString());
  }
  if (!file.commit()) {
    return cannot.arg(file.errorString());
  }
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
  QFileDialog dialog(&window, QStringLiteral("Save Lesson"), QString(), lessonFilter());
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(QLatin1String(lessonformat::fileSuffix));
  dialog.selectFile(suggested);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
    return;
  }
  const QString path = dialog.selectedFiles().constFirst();
  const QString problem = saveLessonTo(path);
  if (!problem.isEmpty()) {
    printLine(problem.toStdString());
    showProblem(QStringLiteral("lessonSaveProblemBox"), QStringLiteral("Save Lesson"), problem);
    return;
  }
  lastLessonPath = path;
  window.statusbar->showMessage(
    QStringLiteral("Lesson saved to %1").arg(QDir::toNativeSeparators(path)), 5000);
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
  const LessonRead read = readLessonFile(path);
  if (!read.problem.isEmpty()) {
    const QString problem =
      QStringLiteral("Cannot open the lesson %1: %2").arg(shownPath, read.problem);
    printLine(problem.toStdString());
    showProblem(QStringLiteral("lessonOpenProblemBox"), QStringLiteral("Open Lesson"), problem);
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
      .arg(listed(difference.missingFromModel), listed(difference.missingFromLesson)));
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
