#pragma once

#include "viewer/teaching/CameraPath.h"
#include "viewer/teaching/LessonChanges.h"
#include "viewer/teaching/ViewState.h"

#include <QMargins>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QSizePolicy>
#include <QString>
#include <QVariantAnimation>

#include <vtkSmartPointer.h>

#include <functional>
#include <map>
#include <vector>

class QAction;
class QDockWidget;
class QLabel;
class QLayout;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QMessageBox;
class QPlainTextEdit;
class QShortcut;
class QSpacerItem;
class QWidget;
class _CochlexUI;
class vtkRenderWindow;

// Where the lesson goes when a question of the window needs a file name: the Save Lesson
// dialog, or a stand-in of a test. Returns the path, empty when cancelled.
using LessonFileChooser = std::function<QString(QWidget* parent, const QString& suggested)>;
// An empty chooser brings the dialog back.
void
setLessonFileChooser(LessonFileChooser chooser);

// A lesson: named views of the whole picture that a teacher adds, captions, orders, saves and
// presents, and the six standard views along the anatomical axes. Its actions go into the File
// and View menus; its list is the Views dock. Going to a view sets the controls as the user
// would and moves the camera there smoothly; the view's caption shows in a band of its own under
// the model view, never over the model, until the camera leaves the view.
class Lessons : public QObject
{
  Q_OBJECT

public:
  explicit Lessons(_CochlexUI& window);
  ~Lessons() override;

  // Long enough to follow the turn, short enough not to keep a class waiting.
  static constexpr int transitionMilliseconds = 700;

  // The views in the order of the list, each with the name the list shows.
  std::vector<ViewState> views() const;
  int currentViewRow() const;

  void addView();
  void goToView(int row);
  void goToStandardView(StandardView view);
  bool transitionRunning() const;
  // Ends a running transition at its target at once.
  void finishTransition();

  bool presenting() const { return presentationRunning; }
  // The caption under the model view, empty when none shows.
  QString shownCaption() const;

  // Whether the lesson holds views that no file has.
  bool hasUnsavedChanges() const;
  // Leaving the lesson (what names it: "quitting", "opening another lesson" ...) goes ahead
  // through proceed at once when nothing would be lost; otherwise after the teacher's answer to
  // Save / Discard / Cancel, asked in a box that does not block the window. Cancel, or a save
  // that fails or is cancelled, keeps everything as it was.
  void leaveLesson(const QString& leaving, const std::function<void()>& proceed);
  // Whether the window may close now without losing a view: false asks first (see
  // leaveLesson()) and closes the window once the teacher agrees.
  bool mayCloseWindow();
  // The leaving that was agreed to did not happen after all.
  void stayInLesson();

  // Writes the lesson to path through a temporary file renamed once complete; the lesson then
  // belongs to that file. Returns the problem for the user, empty on success.
  QString saveLessonTo(const QString& path);
  // Reads path and replaces the views with its own, after the user's consent when the lesson was
  // made for another model. A bad file leaves the views as they were and says why.
  void openLessonFile(const QString& path);
  // Reads path and shows its first view at once, without asking: the screenshot command's
  // --lesson. A bad file or a lesson for another model changes nothing. Returns the problem,
  // empty on success.
  QString showLessonFile(const QString& path);
  // Writes the model and the views of the list (or, without any, the picture as it stands) as one
  // web page to path. Returns the problem for the user, empty on success.
  QString exportWebPageTo(const QString& path);
  // Opens path once the model has loaded: the start-up's --lesson.
  void openLessonAtStart(const QString& path);

public slots:
  void nextView();
  void previousView();
  void startPresentation();
  void endPresentation();

private:
  // How long a note of the lessons stays in the status bar.
  static constexpr int statusMilliseconds = 5000;
  void createActions();
  void createDock();
  void addToMenus();
  void connectDock();

  QListWidgetItem* itemForView(const ViewState& view);
  ViewState viewAt(int row) const;
  void replaceCurrentView();
  void deleteCurrentView();
  void moveCurrentView(int step);
  void captionEdited();
  void createCaptionBand();
  void setCaptionText(const QString& text);
  // Takes the caption away once the camera no longer shows the view it belongs to.
  void onRenderStart();
  void leaveCaptionedView();
  void updateActionStates();
  void changed();
  QString unusedViewName() const;

  void moveCameraTo(const CameraPose& target);
  void transitionStep(double progress);
  void transitionEnded();

  void saveLesson();
  // Saves to the lesson's own file, or asks for one; whether the lesson reached it.
  bool saveBeforeLeaving();
  void openLesson();
  void hideControlsForPresentation();
  void restoreControlsAfterPresentation();
  void updatePresentationCount();
  void exportWebPage();
  void replaceViews(const Lesson& lesson);
  void showProblem(const QString& objectName, const QString& title, const QString& text);

  _CochlexUI& window;
  QDockWidget* dock = nullptr;
  QListWidget* list = nullptr;
  QPlainTextEdit* captionEdit = nullptr;
  QWidget* captionBand = nullptr;
  QLabel* captionText = nullptr;
  QLabel* presentationCount = nullptr;
  QAction* addAction = nullptr;
  QAction* replaceAction = nullptr;
  QAction* deleteAction = nullptr;
  QAction* moveUpAction = nullptr;
  QAction* moveDownAction = nullptr;
  QAction* presentAction = nullptr;
  QAction* nextAction = nullptr;
  QAction* previousAction = nullptr;
  QAction* saveAction = nullptr;
  QAction* openAction = nullptr;
  QAction* exportWebAction = nullptr;
  QMenu* standardViewsMenu = nullptr;
  QShortcut* endPresentationKey = nullptr;

  // The views' data by an id the list item keeps: the list reorders and renames its items, and
  // drag and drop carries only plain data with them.
  std::map<int, ViewState> viewsById;
  int nextViewId = 1;
  bool settingList = false;
  // The view whose caption the model view shows, or 0.
  int captionViewId = 0;
  bool coarseDuringTransition = false;
  // Where the camera stood when it arrived at the captioned view.
  CameraPose arrivedPose;
  bool arrived = false;
  vtkSmartPointer<vtkRenderWindow> observedWindow;
  unsigned long renderObserver = 0;

  QVariantAnimation transition;
  CameraPose transitionFrom;
  CameraPose transitionTo;

  bool presentationRunning = false;
  bool presentationStartedFullScreen = false;
  bool presentationStartedFloating = false;
  QRect floatingGeometry;
  QMargins viewMargins;
  // What the presentation hid, to be shown again after it.
  std::vector<QPointer<QWidget>> hiddenForPresentation;
  QWidget* emptyTitleBar = nullptr;
  struct CollapsedLayout
  {
    QLayout* layout;
    int spacing;
  };
  struct CollapsedSpacer
  {
    QSpacerItem* spacer;
    QSize size;
    QSizePolicy policy;
  };
  std::vector<CollapsedLayout> collapsedLayouts;
  std::vector<CollapsedSpacer> collapsedSpacers;
  QString lastLessonPath;

  LessonChanges changes;
  QPointer<QMessageBox> leaveQuestion;
  std::vector<std::function<void()>> waitingToLeave;
  QString lastWebPagePath;
};
