// The File menu: open another teaching model, quit.

#include "viewer/ModelOpening.h"

#include "loading/Console.h"
#include "viewer/CochlexUI.h"
#include "viewer/Lessons.h"
#include "viewer/LoadReport.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QProcess>

namespace {

QString
chooseFolderWithDialog(QWidget* parent)
{
  // The dialog's own settings file is kept from being written by prepareApplication().
  return QFileDialog::getExistingDirectory(
    parent, QCoreApplication::translate("MainWindow", "Open Teaching Model"), QDir::currentPath());
}

// One load per run: another model is read by a new viewer, which makes the folder its working
// directory like any other start.
bool
startViewerProcess(const QString& folder)
{
  return QProcess::startDetached(QCoreApplication::applicationFilePath(), { folder });
}

} // namespace

ModelOpening::ModelOpening()
  : chooseFolder(chooseFolderWithDialog)
  , startViewer(startViewerProcess)
{
}

void
_CochlexUI::openTeachingModel()
{
  const QString chosen = modelOpening.chooseFolder(this);
  if (chosen.isEmpty()) {
    return;
  }
  const QString folder = QDir(chosen).absolutePath();
  const QString title = QCoreApplication::translate("MainWindow", "Open Teaching Model");
  if (!QFileInfo(QDir(folder).filePath(QStringLiteral("Joint_transformed.txt"))).isFile()) {
    printLine("No teaching model in " + folder.toStdString() +
              ": it holds no Joint_transformed.txt");
    showWarning(this,
                title,
                QStringLiteral("No teaching model in %1: it holds no structure list "
                               "Joint_transformed.txt.")
                  .arg(folder),
                QStringLiteral("Choose the folder that holds Joint_transformed.txt."));
    return;
  }
  // The new viewer starts only once the lesson's views are saved or let go.
  lessons->leaveLesson(QStringLiteral("opening another model"),
                       [this, folder, title] { handOverToViewer(folder, title); });
}

void
_CochlexUI::handOverToViewer(const QString& folder, const QString& title)
{
  if (!modelOpening.startViewer(folder)) {
    // This window stays, and so does the lesson the teacher may have let go for it.
    lessons->stayInLesson();
    printLine("Cannot start a viewer for " + folder.toStdString());
    showWarning(
      this,
      title,
      QStringLiteral("A new viewer for %1 could not be started.").arg(folder),
      QStringLiteral("The program %1 did not start.").arg(QCoreApplication::applicationFilePath()));
    return;
  }
  quitViewer();
}

void
_CochlexUI::quitViewer()
{
  close();
}

void
_CochlexUI::closeEvent(QCloseEvent* event)
{
  if (lessons != nullptr && !lessons->mayCloseWindow()) {
    event->ignore();
    return;
  }
  // The dialogs are windows of their own and would keep the program running.
  helpDialog.close();
  aboutDialog.close();
  Ui_MainWindow::closeEvent(event);
}
