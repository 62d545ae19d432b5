#include "viewer/LoadReport.h"

#include "loading/ModelFile.h"
#include "viewer/CochlexUI.h"

#include <QAction>
#include <QLabel>
#include <QMessageBox>
#include <QMetaObject>
#include <QStatusBar>

namespace {

const QString messageTitle = QStringLiteral("Cochlex");

QString
problemList(const std::vector<std::string>& problems)
{
  QStringList lines;
  for (const std::string& problem : problems) {
    // Each line bounded, however it was made: the box lays out every character.
    lines << QString::fromStdString(shortenedInMiddle(problem, longestShownLine));
  }
  return lines.join(QStringLiteral("\n\n"));
}

// A label rather than a status message: hovering a menu entry would wipe a message.
void
showSummary(_CochlexUI& window, const QString& text)
{
  auto* label = window.statusbar->findChild<QLabel*>(QStringLiteral("loadSummary"));
  if (label == nullptr) {
    label = new QLabel(window.statusbar);
    label->setObjectName(QStringLiteral("loadSummary"));
    window.statusbar->addWidget(label);
  }
  label->setText(text);
  label->show();
}

} // namespace

QMessageBox*
showWarning(QWidget* window, const QString& title, const QString& text, const QString& details)
{
  auto* box = new QMessageBox(QMessageBox::Warning, title, text, QMessageBox::Ok, window);
  box->setInformativeText(details);
  box->setAttribute(Qt::WA_DeleteOnClose);
  // Window-modal and shown without a nested event loop: the caller goes on at once.
  box->open();
  return box;
}

void
reportMissingModel(_CochlexUI& window, const std::string& folder)
{
  const QString folderName = QString::fromStdString(folder);
  showSummary(window, QStringLiteral("No teaching model in %1").arg(folderName));
  // Queued: the message comes up once the event loop runs, never holding up the load.
  QMetaObject::invokeMethod(
    &window,
    [&window, folderName] {
      showWarning(&window,
                  messageTitle,
                  QStringLiteral("No teaching model was found in %1.").arg(folderName),
                  QStringLiteral("A teaching model is a folder holding the structure list "
                                 "Joint_transformed.txt, the surface files it names, each with its "
                                 ".color file, the head model Joint/Head_bone_transformed.vtp and "
                                 "the section volume Joint/Joint.raw.\n\n"
                                 "File > Open Teaching Model... opens one."));
    },
    Qt::QueuedConnection);
}

void
reportLoadProblems(_CochlexUI& window, const std::vector<std::string>& problems)
{
  window.loadReport.problems = problems;
  window.actionLoad_Report->setEnabled(!problems.empty());
  if (problems.empty()) {
    return;
  }
  showSummary(window, loadProblemSummary(problems.size()));
  QMetaObject::invokeMethod(
    &window, [&window] { window.showLoadReport(); }, Qt::QueuedConnection);
}

void
appendLoadProblem(_CochlexUI& window, const std::string& problem)
{
  window.loadReport.problems.push_back(problem);
  window.actionLoad_Report->setEnabled(true);
  showSummary(window, loadProblemSummary(window.loadReport.problems.size()));
  if (window.loadReport.box != nullptr && window.loadReport.box->isVisible()) {
    window.showLoadReport();
  }
}

QString
loadProblemSummary(std::size_t count)
{
  return QStringLiteral("%1 %2 while loading: see Help > Load Report")
    .arg(count)
    .arg(count == 1 ? QStringLiteral("problem") : QStringLiteral("problems"));
}

void
_CochlexUI::showLoadReport()
{
  if (loadReport.problems.empty()) {
    return;
  }
  // One box for the window's lifetime, hidden by OK and shown again from the Help menu.
  if (loadReport.box == nullptr) {
    loadReport.box =
      new QMessageBox(QMessageBox::Warning, messageTitle, QString(), QMessageBox::Ok, this);
    loadReport.box->setObjectName(QStringLiteral("loadReport"));
    // The student can go on with what did load while the list stays open.
    loadReport.box->setWindowModality(Qt::NonModal);
  }
  const std::size_t count = loadReport.problems.size();
  loadReport.box->setText(
    QStringLiteral("The teaching model loaded with %1 %2:")
      .arg(count)
      .arg(count == 1 ? QStringLiteral("problem") : QStringLiteral("problems")));
  loadReport.box->setInformativeText(problemList(loadReport.problems));
  loadReport.box->show();
  loadReport.box->raise();
  loadReport.box->activateWindow();
}
