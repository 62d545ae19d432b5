#include "viewer/Quiz.h"

#include "loading/Console.h"
#include "viewer/CochlexUI.h"
#include "viewer/CutStatus.h"
#include "viewer/StructurePicking.h"
#include "viewer/StructureRows.h"
#include "viewer/StructureSelection.h"

#include "ui/RenderView.h"
#include <QAction>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>

#include <vtkActor.h>
#include <vtkCoordinate.h>
#include <vtkDataSet.h>
#include <vtkMapper.h>
#include <vtkPlane.h>
#include <vtkPlaneCollection.h>
#include <vtkProperty.h>
#include <vtkRenderWindow.h>
#include <vtkRenderer.h>
#include <vtkTextActor.h>
#include <vtkTextProperty.h>

#include <algorithm>
#include <random>

namespace {

// Large enough to read from the back of a lecture room; in logical pixels.
constexpr int promptFontSize = 30;
constexpr int feedbackFontSize = 20;
// Long enough to read the last answer beside the score.
constexpr int lastAnswerMilliseconds = 8000;

std::uint64_t
roundSeed()
{
  const QByteArray text = qgetenv(Quiz::seedVariable);
  if (!text.isEmpty()) {
    bool whole = false;
    const qulonglong seed = text.trimmed().toULongLong(&whole);
    if (whole) {
      return seed;
    }
    printLine(std::string(Quiz::seedVariable) + " is not a whole number: \"" + text.toStdString() +
              "\"; the quiz order is random");
  }
  std::random_device device;
  return (std::uint64_t(device()) << 32U) ^ device();
}

void
styleOverlay(vtkTextActor* overlay, int fontSize)
{
  vtkTextProperty* text = overlay->GetTextProperty();
  text->SetFontSize(fontSize);
  text->BoldOn();
  // A shadow keeps white text readable over pale tissue as well as over the dark background.
  text->ShadowOn();
  text->SetJustificationToCentered();
  text->SetVerticalJustificationToTop();
  text->SetColor(1, 1, 1);
  // The prompt is no structure: a click on it falls through to what lies beneath.
  overlay->PickableOff();
}

} // namespace

Quiz::Quiz(_CochlexUI& window)
  : QObject(&window)
  , window(window)
  , feedbackStatus(new QLabel(window.statusbar))
  , promptStatus(new QLabel(window.statusbar))
  , progressStatus(new QLabel(window.statusbar))
{
  styleOverlay(promptOverlay, promptFontSize);
  styleOverlay(feedbackOverlay, feedbackFontSize);
  promptOverlay->GetPositionCoordinate()->SetCoordinateSystemToNormalizedViewport();
  promptOverlay->GetPositionCoordinate()->SetValue(0.5, 0.97);
  // The feedback hangs just under the prompt, however tall the view.
  feedbackOverlay->GetPositionCoordinate()->SetCoordinateSystemToViewport();
  feedbackOverlay->GetPositionCoordinate()->SetReferenceCoordinate(
    promptOverlay->GetPositionCoordinate());

  feedbackStatus->setObjectName(QStringLiteral("quizFeedbackLabel"));
  promptStatus->setObjectName(QStringLiteral("quizPromptLabel"));
  progressStatus->setObjectName(QStringLiteral("quizProgressLabel"));
  QFont promptFont = promptStatus->font();
  promptFont.setBold(true);
  promptStatus->setFont(promptFont);
  window.statusbar->addWidget(feedbackStatus);
  window.statusbar->addWidget(promptStatus);
  window.statusbar->addWidget(progressStatus);
  feedbackStatus->hide();
  promptStatus->hide();
  progressStatus->hide();

  connect(window.actionQuiz, &QAction::toggled, this, &Quiz::setRunning);
  connect(window.structurePicker, &StructurePicker::structureClicked, this, &Quiz::answer);
  shownCheck.setSingleShot(true);
  shownCheck.setInterval(0);
  connect(&shownCheck, &QTimer::timeout, this, &Quiz::followShownStructures);
  watchControls();
}

void
Quiz::watchControls()
{
  const auto check = [this] {
    if (running()) {
      shownCheck.start();
    }
  };
  // Whatever takes a structure out of sight: its record in the structure table (its Show box,
  // its transparency, Hide All, a lesson view), and the section cuts.
  connect(window.structureTable, &StructureTable::structureChanged, this, check);
  QWidget* panel = window.controlPanel;
  for (QSpinBox* box : panel->findChildren<QSpinBox*>()) {
    connect(box, qOverload<int>(&QSpinBox::valueChanged), this, check);
  }
  for (QAbstractSlider* slider : panel->findChildren<QAbstractSlider*>()) {
    // The structure list's own scroll bar, unnamed, moves nothing in the view.
    if (!slider->objectName().isEmpty()) {
      connect(slider, &QAbstractSlider::valueChanged, this, check);
    }
  }
}

Quiz::~Quiz() = default;

std::vector<QuizStructure>
Quiz::shownStructures() const
{
  std::vector<QuizStructure> shown;
  const StructureTable& table = *window.structureTable;
  const std::size_t count = std::min(window.frontActors.size(), std::size_t(table.count()));
  for (std::size_t index = 0; index < count; ++index) {
    vtkActor* front = window.frontActors[index];
    // A fully transparent or wholly cut structure cannot be seen, nor clicked; an empty surface
    // has nothing to find.
    vtkDataSet* surface =
      front->GetMapper() != nullptr ? front->GetMapper()->GetInputAsDataSet() : nullptr;
    const bool hasPoints = surface != nullptr && surface->GetNumberOfPoints() > 0;
    if (hasPoints && table.at(int(index)).visible() && !whollyCutAway(front)) {
      shown.push_back({ int(index), table.at(int(index)).name });
    }
  }
  return shown;
}

void
Quiz::setRunning(bool on)
{
  if (on && !running()) {
    start();
  } else if (!on && running()) {
    stop();
  }
}

void
Quiz::start()
{
  std::vector<QuizStructure> structures = shownStructures();
  if (structures.size() < QuizRound::minimumStructures) {
    // Unchecking runs setRunning(false), which finds nothing running.
    window.actionQuiz->setChecked(false);
    showMessage(QStringLiteral("quizRefusalBox"),
                QStringLiteral("The quiz needs at least two structures shown in the model view."),
                QStringLiteral("Tick Show for more structures, or press Show All, and start "
                               "the quiz again."));
    return;
  }
  round = std::make_unique<QuizRound>(std::move(structures), roundSeed());

  // Clicks answer now; a flash still running would colour a structure that is not the answer.
  window.structureSelection->setRespondingToClicks(false);
  pointerNamesWereEnabled = window.structurePicker->pointerNamesEnabled();
  window.structurePicker->setPointerNamesEnabled(false);
  window.structureRows->setNamesHidden(true);

  // Sizes are device pixels in the render window.
  const double ratio = window.qvtkWidget->devicePixelRatioF();
  promptOverlay->GetTextProperty()->SetFontSize(window.qvtkWidget->textSize(promptFontSize));
  feedbackOverlay->GetTextProperty()->SetFontSize(window.qvtkWidget->textSize(feedbackFontSize));
  feedbackOverlay->GetPositionCoordinate()->SetValue(0, -1.6 * promptFontSize * ratio);
  feedbackOverlay->SetInput("");
  window.mainRenderer()->AddActor2D(promptOverlay);
  window.mainRenderer()->AddActor2D(feedbackOverlay);
  // The last answer of an earlier round is no news now.
  window.statusbar->clearMessage();
  feedbackStatus->clear();
  feedbackStatus->show();
  promptStatus->show();
  progressStatus->show();
  showPrompt();
}

void
Quiz::stop()
{
  round.reset();
  window.mainRenderer()->RemoveActor2D(promptOverlay);
  window.mainRenderer()->RemoveActor2D(feedbackOverlay);
  feedbackStatus->hide();
  promptStatus->hide();
  progressStatus->hide();
  window.structureRows->setNamesHidden(false);
  window.structurePicker->setPointerNamesEnabled(pointerNamesWereEnabled);
  window.structureSelection->setRespondingToClicks(true);
  window.mainRenderWindow()->Render();
}

void
Quiz::answer(int clickedIndex)
{
  if (!running()) {
    return;
  }
  const QString askedName = round->asked().name;
  const int askedIndex = round->asked().index;
  switch (round->answer(clickedIndex)) {
    case QuizRound::Outcome::Ignored:
      return;
    case QuizRound::Outcome::Correct:
      if (round->finished()) {
        finish();
        // Shown a while after the prompt has gone, where the user looks for it.
        window.statusbar->showMessage(QuizRound::correctText(askedName), lastAnswerMilliseconds);
        return;
      }
      showFeedback(QuizRound::correctText(askedName), true);
      break;
    case QuizRound::Outcome::Wrong:
      showFeedback(QuizRound::wrongText(window.structureSelection->structureName(clickedIndex)),
                   false);
      emit wrongAnswer(askedIndex);
      break;
  }
  showPrompt();
}

void
Quiz::followShownStructures()
{
  if (!running()) {
    return;
  }
  std::vector<int> shown;
  for (const QuizStructure& structure : shownStructures()) {
    shown.push_back(structure.index);
  }
  if (!round->keepOnly(shown)) {
    return;
  }
  if (round->finished()) {
    finish();
    return;
  }
  showPrompt();
}

void
Quiz::finish()
{
  const QString score = round->scoreText();
  QString details = round->missedNames().isEmpty()
                      ? QString()
                      : QStringLiteral("Missed:\n") + round->missedNames().join('\n');
  if (round->cutShort()) {
    details =
      QStringLiteral("The round ended early: fewer than two structures are shown.\n\n") + details;
  }
  // Unchecking runs setRunning(false), which ends the round.
  window.actionQuiz->setChecked(false);
  showMessage(QStringLiteral("quizScoreBox"), score, details.trimmed());
}

void
Quiz::showFeedback(const QString& text, bool correct)
{
  const QColor color = correct ? QColor(60, 220, 60) : QColor(255, 110, 80);
  feedbackOverlay->SetInput(text.toUtf8().constData());
  feedbackOverlay->GetTextProperty()->SetColor(color.redF(), color.greenF(), color.blueF());
  feedbackStatus->setText(text);
  // A darker shade reads better on the pale status bar.
  feedbackStatus->setStyleSheet(QStringLiteral("color: %1").arg(color.darker(160).name()));
}

void
Quiz::showPrompt()
{
  const QString prompt = QuizRound::promptText(round->asked().name);
  const QString progress = round->progressText();
  // Set apart from the name, which may have spaces of its own.
  promptOverlay->SetInput((prompt + QStringLiteral("     ") + progress).toUtf8().constData());
  promptStatus->setText(prompt);
  progressStatus->setText(progress);
  window.mainRenderWindow()->Render();
}

void
Quiz::showMessage(const QString& objectName, const QString& text, const QString& details)
{
  // Opened, not executed: the window keeps running its own loop, and nothing waits on the box.
  auto* box = new QMessageBox(
    QMessageBox::Information, window.actionQuiz->text(), text, QMessageBox::Ok, &window);
  box->setObjectName(objectName);
  box->setInformativeText(details);
  box->setAttribute(Qt::WA_DeleteOnClose);
  // A box sizes itself to its text alone, and a short score left the title cut to "Quiz:
  // Find... Structure" under openbox. Room for the title and the title bar's three buttons
  // (about 150 pixels at the usual sizes).
  constexpr int titleBarButtons = 150;
  const int titleWidth = box->fontMetrics().horizontalAdvance(box->windowTitle()) + titleBarButtons;
  if (auto* grid = qobject_cast<QGridLayout*>(box->layout())) {
    grid->addItem(new QSpacerItem(titleWidth, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                  grid->rowCount(),
                  0,
                  1,
                  grid->columnCount());
  }
  box->open();
}
