#pragma once

#include "viewer/teaching/CameraPath.h"
#include "viewer/teaching/ViewState.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <QVariantAnimation>

#include <vtkNew.h>

#include <map>
#include <vector>

class QAction;
class QDockWidget;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QPlainTextEdit;
class QShortcut;
class _CochlexUI;
class vtkTextActor;

// A lesson: named views of the whole picture that a teacher adds, captions, orders, saves and
// presents, and the six standard views along the anatomical axes. Its actions go into the File
// and View menus; its list is the Views dock. Going to a view sets the controls as the user
// would and moves the camera there smoothly; the view's caption shows at the bottom of the
// model view, so screenshots and the full screen carry it.
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
  vtkTextActor* captionActor() const { return caption; }

  // Writes the lesson to path through a temporary file renamed once complete. Returns the
  // problem for the user, empty on success.
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
  void showCaptionOfCurrent();
  void setCaptionText(const QString& text);
  void wrapCaption();
  void typeCaption(const QString& text);
  void updateActionStates();
  QString unusedViewName() const;

  void moveCameraTo(const CameraPose& target);
  void transitionStep(double progress);
  void transitionEnded();

  void saveLesson();
  void openLesson();
  void exportWebPage();
  void replaceViews(const Lesson& lesson);
  void showProblem(const QString& objectName, const QString& title, const QString& text);

  _CochlexUI& window;
  QDockWidget* dock = nullptr;
  QListWidget* list = nullptr;
  QPlainTextEdit* captionEdit = nullptr;
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

  vtkNew<vtkTextActor> caption;
  QString captionSource;
  int captionWrapWidth = 0;
  QTimer captionRenderTimer;
  QVariantAnimation transition;
  CameraPose transitionFrom;
  CameraPose transitionTo;

  bool presentationRunning = false;
  bool presentationStartedFullScreen = false;
  QString lastLessonPath;
  QString lastWebPagePath;
};
