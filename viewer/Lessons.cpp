#include "viewer/Lessons.h"

#include "viewer/CochlexUI.h"
#include "viewer/InteractiveDetail.h"
#include "viewer/Labels.h"
#include "viewer/Shortcuts.h"
#include "viewer/ViewCapture.h"

#include "ui/RenderView.h"
#include <QAction>
#include <QDockWidget>
#include <QKeySequence>
#include <QListWidget>
#include <QMenu>
#include <QShortcut>
#include <QStatusBar>

#include <vtkCamera.h>
#include <vtkCommand.h>
#include <vtkRenderWindow.h>
#include <vtkRenderer.h>

#include <algorithm>

namespace {

QAction*
newAction(QObject* parent, const char* objectName, const QString& text, const QKeySequence& keys)
{
  auto* action = new QAction(text, parent);
  action->setObjectName(QLatin1String(objectName));
  action->setShortcut(keys);
  return action;
}

} // namespace

Lessons::Lessons(_CochlexUI& window)
  : QObject(&window)
  , window(window)
{
  setObjectName(QStringLiteral("lessons"));
  transition.setStartValue(0.0);
  transition.setEndValue(1.0);
  transition.setDuration(transitionMilliseconds);
  // Starts and stops gently: a sudden start reads as a jump.
  transition.setEasingCurve(QEasingCurve::InOutCubic);
  connect(&transition, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
    transitionStep(value.toDouble());
  });
  connect(&transition, &QVariantAnimation::finished, this, &Lessons::transitionEnded);
  observedWindow = window.mainRenderWindow();
  renderObserver =
    observedWindow->AddObserver(vtkCommand::StartEvent, this, &Lessons::onRenderStart);

  createCaptionBand();
  createActions();
  createDock();
  addToMenus();
  connectDock();
  updateActionStates();
}

Lessons::~Lessons()
{
  transition.stop();
  observedWindow->RemoveObserver(renderObserver);
}

void
Lessons::createActions()
{
  addAction = newAction(
    this, "actionAdd_View", QStringLiteral("Add View"), QKeySequence(QStringLiteral("Ctrl+D")));
  replaceAction =
    newAction(this, "actionReplace_View", QStringLiteral("Replace by Current Picture"), {});
  deleteAction = newAction(this, "actionDelete_View", QStringLiteral("Delete View"), {});
  moveUpAction = newAction(this, "actionMove_View_Up", QStringLiteral("Move Up"), {});
  moveDownAction = newAction(this, "actionMove_View_Down", QStringLiteral("Move Down"), {});
  presentAction = newAction(
    this, "actionPresent_Lesson", QStringLiteral("Present Lesson"), QKeySequence(Qt::Key_F5));
  nextAction =
    newAction(this, "actionNext_View", QStringLiteral("Next View"), QKeySequence(Qt::Key_PageDown));
  nextAction->setShortcuts({ QKeySequence(Qt::Key_PageDown), QKeySequence(Qt::Key_Space) });
  previousAction = newAction(
    this, "actionPrevious_View", QStringLiteral("Previous View"), QKeySequence(Qt::Key_PageUp));
  saveAction = newAction(this,
                         "actionSave_Lesson",
                         QStringLiteral("Save Lesson..."),
                         QKeySequence(QStringLiteral("Ctrl+Shift+S")));
  openAction = newAction(this,
                         "actionOpen_Lesson",
                         QStringLiteral("Open Lesson..."),
                         QKeySequence(QStringLiteral("Ctrl+Shift+O")));
  exportWebAction =
    newAction(this, "actionExport_Web_Page", QStringLiteral("Export Lesson as Web Page..."), {});

  // Page keys and Space belong to the model view, which has the keys in a presentation: the
  // spin boxes and lists of the control panel keep their own use of them.
  for (QAction* action : { nextAction, previousAction }) {
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    window.viewerDock->addAction(action);
  }

  standardViewsMenu = new QMenu(QStringLiteral("Standard Views"), &window);
  standardViewsMenu->setObjectName(QStringLiteral("menuStandard_Views"));
  standardViewsMenu->menuAction()->setObjectName(QStringLiteral("actionStandard_Views"));
  // Ctrl+1 to Ctrl+6 would take Ctrl+3, the stereo key.
  int number = 1;
  for (StandardView view : standardViews) {
    const QString name = QLatin1String(standardViewName(view));
    QAction* action = standardViewsMenu->addAction(name);
    action->setObjectName(QStringLiteral("actionStandard_View_") + name);
    action->setShortcut(QKeySequence(QStringLiteral("Alt+%1").arg(number++)));
    connect(action, &QAction::triggered, this, [this, view] { goToStandardView(view); });
  }

  connect(addAction, &QAction::triggered, this, &Lessons::addView);
  connect(replaceAction, &QAction::triggered, this, &Lessons::replaceCurrentView);
  connect(deleteAction, &QAction::triggered, this, &Lessons::deleteCurrentView);
  connect(moveUpAction, &QAction::triggered, this, [this] { moveCurrentView(-1); });
  connect(moveDownAction, &QAction::triggered, this, [this] { moveCurrentView(1); });
  connect(presentAction, &QAction::triggered, this, &Lessons::startPresentation);
  connect(nextAction, &QAction::triggered, this, &Lessons::nextView);
  connect(previousAction, &QAction::triggered, this, &Lessons::previousView);
  connect(saveAction, &QAction::triggered, this, &Lessons::saveLesson);
  connect(openAction, &QAction::triggered, this, &Lessons::openLesson);
  connect(exportWebAction, &QAction::triggered, this, &Lessons::exportWebPage);

  endPresentationKey = new QShortcut(QKeySequence(Qt::Key_Escape), window.viewerDock);
  endPresentationKey->setObjectName(QStringLiteral("endPresentationShortcut"));
  endPresentationKey->setContext(Qt::ApplicationShortcut);
  endPresentationKey->setEnabled(false);
  connect(endPresentationKey, &QShortcut::activated, this, &Lessons::endPresentation);
  // F11 back from full screen ends a presentation as well.
  connect(window.viewerDock, &QDockWidget::topLevelChanged, this, [this](bool floating) {
    if (!floating && presentationRunning) {
      endPresentation();
    }
  });
}

void
Lessons::addToMenus()
{
  QList<QAction*> fileActions = window.menuFile->actions();
  const int quitIndex = fileActions.indexOf(window.actionQuit);
  QAction* before = quitIndex > 0 && fileActions[quitIndex - 1]->isSeparator()
                      ? fileActions[quitIndex - 1]
                      : window.actionQuit;
  window.menuFile->insertSeparator(before);
  window.menuFile->insertAction(before, openAction);
  window.menuFile->insertAction(before, saveAction);
  window.menuFile->insertAction(before, exportWebAction);

  QMenu* view = window.menuView;
  view->addSeparator();
  view->addMenu(standardViewsMenu);
  view->addSeparator();
  QAction* showDock = dock->toggleViewAction();
  showDock->setObjectName(QStringLiteral("actionViews_Dock"));
  view->addAction(showDock);
  view->addAction(addAction);
  view->addAction(presentAction);
  view->addAction(nextAction);
  view->addAction(previousAction);
}

void
Lessons::updateActionStates()
{
  const bool hasCurrent = currentViewRow() >= 0;
  replaceAction->setEnabled(hasCurrent);
  deleteAction->setEnabled(hasCurrent);
  moveUpAction->setEnabled(hasCurrent && currentViewRow() > 0);
  moveDownAction->setEnabled(hasCurrent && currentViewRow() + 1 < int(viewsById.size()));
  const bool hasViews = !viewsById.empty();
  presentAction->setEnabled(hasViews);
  nextAction->setEnabled(hasViews);
  previousAction->setEnabled(hasViews);
  saveAction->setEnabled(hasViews);
}

void
Lessons::goToView(int row)
{
  if (row < 0 || row >= int(viewsById.size())) {
    return;
  }
  settingList = true;
  list->setCurrentRow(row);
  settingList = false;
  const ViewState view = viewAt(row);
  // The view's labels appear once, where it lands, not on the way.
  window.labels->holdUntilPlaced();
  applyViewControls(window, view);
  captionViewId = list->item(row)->data(Qt::UserRole).toInt();
  setCaptionText(view.caption);
  moveCameraTo(view.camera);
  updateActionStates();
  updatePresentationCount();
}

void
Lessons::goToStandardView(StandardView view)
{
  leaveCaptionedView();
  moveCameraTo(
    standardViewPose(view, shownStructureBounds(window), window.mainCamera()->GetViewAngle()));
  window.statusbar->showMessage(
    QStringLiteral("%1 view").arg(QLatin1String(standardViewName(view))), statusMilliseconds);
}

void
Lessons::nextView()
{
  const int row = currentViewRow();
  if (row + 1 >= int(viewsById.size())) {
    window.statusbar->showMessage(QStringLiteral("This is the last view."), statusMilliseconds);
    return;
  }
  goToView(row + 1);
}

void
Lessons::previousView()
{
  const int row = currentViewRow();
  if (row <= 0) {
    window.statusbar->showMessage(QStringLiteral("This is the first view."), statusMilliseconds);
    if (row < 0) {
      goToView(0);
    }
    return;
  }
  goToView(row - 1);
}

void
Lessons::onRenderStart()
{
  // A turn, move or zoom after arriving at a view leaves it, and its caption goes with it.
  if (arrived && captionViewId != 0 && !transitionRunning() &&
      !showsPose(mainCameraPose(window), arrivedPose)) {
    // Not while the frame is being drawn: the band's change lays the window out again.
    QMetaObject::invokeMethod(this, &Lessons::leaveCaptionedView, Qt::QueuedConnection);
    arrived = false;
  }
}

void
Lessons::moveCameraTo(const CameraPose& target)
{
  // A new target takes over from where the camera is now, mid-way or not.
  transition.stop();
  arrived = false;
  transitionFrom = mainCameraPose(window);
  transitionTo = target;
  window.labels->holdUntilPlaced();
  if (!coarseDuringTransition && window.interactiveDetail) {
    window.interactiveDetail->beginInteraction();
    coarseDuringTransition = true;
  }
  transition.start();
}

void
Lessons::transitionStep(double progress)
{
  placeCameras(window, interpolateCamera(transitionFrom, transitionTo, progress));
  window.mainRenderWindow()->Render();
  window.headRenderWindow()->Render();
}

void
Lessons::transitionEnded()
{
  placeCameras(window, transitionTo);
  arrivedPose = mainCameraPose(window);
  arrived = true;
  if (coarseDuringTransition) {
    coarseDuringTransition = false;
    window.interactiveDetail->endInteraction(false);
  }
  // Draws the view, then its labels where that picture shows their structures.
  window.labels->placeNow();
  window.headRenderWindow()->Render();
}

bool
Lessons::transitionRunning() const
{
  return transition.state() == QAbstractAnimation::Running;
}

void
Lessons::finishTransition()
{
  if (transitionRunning()) {
    transition.stop();
    transitionEnded();
  }
}
