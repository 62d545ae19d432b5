// The Views dock of a lesson: the list of views, renamed in place and reordered by dragging or
// with its buttons, and the caption of the chosen view beside it.

#include "viewer/CochlexUI.h"
#include "viewer/Lessons.h"
#include "viewer/ViewCapture.h"

#include <QAction>
#include <QDockWidget>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QToolButton*
buttonFor(QAction* action, const char* objectName, QWidget* parent)
{
  auto* button = new QToolButton(parent);
  button->setObjectName(QLatin1String(objectName));
  button->setDefaultAction(action);
  button->setToolButtonStyle(Qt::ToolButtonTextOnly);
  return button;
}

} // namespace

void
Lessons::createDock()
{
  dock = new QDockWidget(QStringLiteral("Views"), &window);
  dock->setObjectName(QStringLiteral("viewsDock"));
  dock->setAllowedAreas(Qt::RightDockWidgetArea | Qt::BottomDockWidgetArea);
  auto* content = new QWidget(dock);
  auto* columns = new QHBoxLayout(content);
  columns->setContentsMargins(4, 2, 4, 4);

  auto* listColumn = new QVBoxLayout();
  list = new QListWidget(content);
  list->setObjectName(QStringLiteral("viewsList"));
  list->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                        QAbstractItemView::SelectedClicked);
  list->setDragDropMode(QAbstractItemView::InternalMove);
  list->setDefaultDropAction(Qt::MoveAction);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  listColumn->addWidget(list);
  auto* buttons = new QHBoxLayout();
  buttons->addWidget(buttonFor(addAction, "addViewButton", content));
  buttons->addWidget(buttonFor(replaceAction, "replaceViewButton", content));
  buttons->addWidget(buttonFor(deleteAction, "deleteViewButton", content));
  buttons->addWidget(buttonFor(moveUpAction, "moveViewUpButton", content));
  buttons->addWidget(buttonFor(moveDownAction, "moveViewDownButton", content));
  buttons->addStretch();
  listColumn->addLayout(buttons);
  columns->addLayout(listColumn, 1);

  auto* captionColumn = new QVBoxLayout();
  auto* captionLabel = new QLabel(QStringLiteral("Caption"), content);
  captionEdit = new QPlainTextEdit(content);
  captionEdit->setObjectName(QStringLiteral("viewCaptionEdit"));
  captionEdit->setPlaceholderText(QStringLiteral("The sentence shown under this view"));
  captionEdit->setTabChangesFocus(true);
  captionLabel->setBuddy(captionEdit);
  captionColumn->addWidget(captionLabel);
  captionColumn->addWidget(captionEdit);
  columns->addLayout(captionColumn, 1);
  dock->setWidget(content);
  // Low, under the model view: the picture keeps most of the height.
  content->setMaximumHeight(170);

  // In one place with the Structure dock, a tab each: two docks one above the other under the
  // model view left it a strip of the window's height at 1366 x 768.
  auto* structureDock = window.findChild<QDockWidget*>(QStringLiteral("structureInfoDock"));
  if (structureDock != nullptr) {
    window.tabifyDockWidget(structureDock, dock);
  } else {
    window.addDockWidget(Qt::RightDockWidgetArea, dock, Qt::Vertical);
    window.splitDockWidget(window.viewerDock, dock, Qt::Vertical);
  }
  // Shown once there is a view to list, or from the View menu.
  dock->hide();
}

void
Lessons::connectDock()
{
  connect(list, &QListWidget::currentRowChanged, this, [this](int row) {
    if (!settingList) {
      goToView(row);
    }
    captionEdit->setEnabled(row >= 0);
    const QSignalBlocker quiet(captionEdit);
    captionEdit->setPlainText(row >= 0 ? viewAt(row).caption : QString());
    updateActionStates();
  });
  // A click on the current view goes there again: back to it after the model was moved.
  connect(list, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
    if (!transitionRunning()) {
      goToView(list->row(item));
    }
  });
  connect(list->model(), &QAbstractItemModel::rowsMoved, this, [this] {
    if (!settingList) {
      changed();
    }
    updateActionStates();
  });
  // Renamed in place.
  connect(list, &QListWidget::itemChanged, this, [this] {
    if (!settingList) {
      changed();
    }
  });
  connect(captionEdit, &QPlainTextEdit::textChanged, this, &Lessons::captionEdited);
  captionEdit->setEnabled(false);
}

QListWidgetItem*
Lessons::itemForView(const ViewState& view)
{
  const int id = nextViewId++;
  viewsById[id] = view;
  auto* item = new QListWidgetItem(view.name);
  item->setData(Qt::UserRole, id);
  item->setFlags(item->flags() | Qt::ItemIsEditable | Qt::ItemIsDragEnabled);
  item->setFlags(item->flags() & ~Qt::ItemIsDropEnabled);
  return item;
}

ViewState
Lessons::viewAt(int row) const
{
  QListWidgetItem* item = list->item(row);
  if (item == nullptr) {
    return {};
  }
  const auto found = viewsById.find(item->data(Qt::UserRole).toInt());
  ViewState view = found != viewsById.end() ? found->second : ViewState();
  view.name = item->text();
  return view;
}

std::vector<ViewState>
Lessons::views() const
{
  std::vector<ViewState> result;
  result.reserve(std::size_t(list->count()));
  for (int row = 0; row < list->count(); ++row) {
    result.push_back(viewAt(row));
  }
  return result;
}

int
Lessons::currentViewRow() const
{
  return list->currentRow();
}

QString
Lessons::unusedViewName() const
{
  QStringList names;
  for (int row = 0; row < list->count(); ++row) {
    names.append(list->item(row)->text());
  }
  int number = list->count() + 1;
  while (names.contains(QStringLiteral("View %1").arg(number))) {
    ++number;
  }
  return QStringLiteral("View %1").arg(number);
}

void
Lessons::addView()
{
  finishTransition();
  ViewState view = captureView(window);
  view.name = unusedViewName();
  QListWidgetItem* item = itemForView(view);
  settingList = true;
  list->addItem(item);
  list->setCurrentItem(item);
  settingList = false;
  // The picture is the new view's, and so is the caption it is about to be given.
  captionViewId = viewsById.rbegin()->first;
  setCaptionText(QString());
  arrivedPose = view.camera;
  arrived = true;
  changed();
  dock->show();
  // In front of the Structure dock that shares its place: the caption is written there next,
  // so the field takes the keyboard (in the model view Space would go on to the next view).
  dock->raise();
  captionEdit->setFocus(Qt::OtherFocusReason);
  updateActionStates();
  window.statusbar->showMessage(
    QStringLiteral("%1 added: give it a caption beside the list.").arg(view.name), 5000);
}

void
Lessons::changed()
{
  changes.changed();
}

void
Lessons::replaceCurrentView()
{
  QListWidgetItem* item = list->currentItem();
  if (item == nullptr) {
    return;
  }
  finishTransition();
  ViewState& stored = viewsById[item->data(Qt::UserRole).toInt()];
  ViewState view = captureView(window);
  view.caption = stored.caption;
  stored = view;
  // The picture is this view's now: its caption shows.
  captionViewId = item->data(Qt::UserRole).toInt();
  setCaptionText(view.caption);
  arrivedPose = view.camera;
  arrived = true;
  changed();
}

void
Lessons::deleteCurrentView()
{
  QListWidgetItem* item = list->currentItem();
  if (item == nullptr) {
    return;
  }
  const int id = item->data(Qt::UserRole).toInt();
  if (id == captionViewId) {
    leaveCaptionedView();
  }
  viewsById.erase(id);
  settingList = true;
  delete item;
  settingList = false;
  changed();
  updateActionStates();
}

void
Lessons::moveCurrentView(int step)
{
  const int row = list->currentRow();
  const int target = row + step;
  if (row < 0 || target < 0 || target >= list->count()) {
    return;
  }
  settingList = true;
  QListWidgetItem* item = list->takeItem(row);
  list->insertItem(target, item);
  list->setCurrentItem(item);
  settingList = false;
  changed();
  updateActionStates();
}

void
Lessons::captionEdited()
{
  QListWidgetItem* item = list->currentItem();
  if (item == nullptr) {
    return;
  }
  const int id = item->data(Qt::UserRole).toInt();
  viewsById[id].caption = captionEdit->toPlainText();
  changed();
  if (id == captionViewId) {
    setCaptionText(viewsById[id].caption);
  }
}

void
Lessons::replaceViews(const Lesson& lesson)
{
  finishTransition();
  settingList = true;
  list->clear();
  settingList = false;
  viewsById.clear();
  leaveCaptionedView();
  settingList = true;
  for (const ViewState& view : lesson.views) {
    list->addItem(itemForView(view));
  }
  settingList = false;
  changes.matchFile();
  dock->show();
  updateActionStates();
}
