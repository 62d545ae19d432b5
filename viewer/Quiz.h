#pragma once

#include "viewer/QuizRound.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <vtkNew.h>

#include <memory>
#include <vector>

class QLabel;
class _CochlexUI;
class vtkTextActor;

// The window side of the quiz "find the named structure", switched by the checkable View menu
// entry actionQuiz: asks for the structures shown in the main view one by one, over the view and
// in the status bar, and takes a click on a structure as the answer. While it runs, clicks answer
// instead of selecting, and the pointer names nothing and the structure rows show neither names
// nor colours (that would give the answer away). The scene is the user's throughout: only the
// prompt is added to the view, and removed at the end.
class Quiz : public QObject
{
  Q_OBJECT

public:
  explicit Quiz(_CochlexUI& window);
  ~Quiz() override;

  // Set to a whole number, the order of every round is drawn from it instead of at random.
  static constexpr const char* seedVariable = "COCHLEX_QUIZ_SEED";

  bool running() const { return round != nullptr; }
  // The running round, or nullptr.
  const QuizRound* currentRound() const { return round.get(); }

  // The prompt and the outcome of the last click, over the main view and in the status bar.
  vtkTextActor* promptActor() const { return promptOverlay; }
  vtkTextActor* feedbackActor() const { return feedbackOverlay; }
  QLabel* promptLabel() const { return promptStatus; }
  // "3 of 9" beside the prompt in the status bar; over the view it follows the prompt's text.
  QLabel* progressLabel() const { return progressStatus; }
  QLabel* feedbackLabel() const { return feedbackStatus; }

  // The structures a round started now would ask for: those loaded whose actors are in the main
  // view and can be seen there.
  std::vector<QuizStructure> shownStructures() const;

signals:
  // A click on another structure than the one asked for, given as the one asked for.
  void wrongAnswer(int askedIndex);

private slots:
  void setRunning(bool on);
  void answer(int clickedIndex);
  // A structure hidden, made invisible or cut away during a round leaves it.
  void followShownStructures();

private:
  void start();
  void stop();
  void finish();
  void showFeedback(const QString& text, bool correct);
  void showPrompt();
  void showMessage(const QString& objectName, const QString& text, const QString& details);
  void watchControls();

  _CochlexUI& window;
  std::unique_ptr<QuizRound> round;
  bool pointerNamesWereEnabled = true;
  vtkNew<vtkTextActor> promptOverlay;
  vtkNew<vtkTextActor> feedbackOverlay;
  QLabel* feedbackStatus;
  QLabel* promptStatus;
  QLabel* progressStatus;
  // Several controls may change in one step (Hide All): the round is checked once after them.
  QTimer shownCheck;
};
