// The File menu: open another teaching model, quit.

#include "viewer/ModelOpening.h"

#include "loading/Console.h"
#include "viewer/CochlexUI.h"
#include "viewer/LoadReport.h"

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
  if (!modelOpening.startViewer(folder)) {
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
  // The dialogs are windows of their own and would keep the program running.
  helpDialog.close();
  aboutDialog.close();
  close();
}
