#pragma once

#include <QPointer>
#include <QString>

#include <string>
#include <vector>

class QMessageBox;
class QWidget;
class _CochlexUI;

// The problems of the window's load, kept so that Help > Load Report can list them again.
struct LoadReport
{
  std::vector<std::string> problems;
  // Help and About pages that could not be read, known before the model loads.
  std::vector<std::string> pageProblems;
  QPointer<QMessageBox> box;
};

// A warning in a message box over the window that does not wait for its answer; text names
// what went wrong, details say what to do about it. The box is deleted when closed.
QMessageBox*
showWarning(QWidget* window, const QString& title, const QString& text, const QString& details);

// No structure list in folder: a message, once the event loop runs, naming the folder, the files
// of a teaching model and the way to open one. The load itself never waits for it.
void
reportMissingModel(_CochlexUI& window, const std::string& folder);

// Everything else that went wrong in a load, one line per problem naming its file: a summary in
// the status bar, the list in one message that stays open beside the window, and again from
// Help > Load Report. An empty list reports nothing.
void
reportLoadProblems(_CochlexUI& window, const std::vector<std::string>& problems);

// A problem met after the load, with a file of the model (an image a page names): added to
// Help > Load Report and its summary, without a message of its own.
void
appendLoadProblem(_CochlexUI& window, const std::string& problem);

// The status bar's summary, such as "2 problems while loading: see Help > Load Report".
QString
loadProblemSummary(std::size_t count);
