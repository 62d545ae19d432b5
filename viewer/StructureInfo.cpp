#include "viewer/StructureInfo.h"

#include "loading/TeachingModel.h"
#include "ui/PageDialog.h"
#include "viewer/CochlexUI.h"
#include "viewer/PageResources.h"
#include "viewer/Quiz.h"
#include "viewer/StructureSelection.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDockWidget>
#include <QFont>
#include <QGroupBox>
#include <QMenu>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QTextBrowser>

StructureInfo::StructureInfo(_CochlexUI& window)
  : QObject(&window)
  , window(window)
  , infoDock(new QDockWidget(tr("Structure"), &window))
  , infoBrowser(new PageBrowser(infoDock))
{
  setObjectName(QStringLiteral("structureInformation"));
  // After the rows' own binding, which makes a row for a structure beyond the layout's nine.
  connect(
    window.structureTable, &StructureTable::structureAdded, this, &StructureInfo::structureAdded);
  connect(window.structureTable, &StructureTable::cleared, this, &StructureInfo::clearStructures);
  infoDock->setObjectName(QStringLiteral("structureInfoDock"));
  infoBrowser->setObjectName(QStringLiteral("structureInfo"));
  // As on the Help page: a link neither replaces the page nor starts another program; links to
  // the page's own anchors scroll to them.
  infoBrowser->setOpenLinks(false);
  // A description's images come from the model folder only, under the Help page's rules.
  static_cast<PageBrowser*>(infoBrowser)
    ->setResourceLoader([folder = currentModelFolder().path](int type, const QUrl& name) {
      return loadPageResource(folder, type, name);
    });
  infoBrowser->setOpenExternalLinks(false);
  QTextBrowser* browser = infoBrowser;
  connect(browser, &QTextBrowser::anchorClicked, browser, [browser](const QUrl& link) {
    if (link.scheme().isEmpty() && link.authority().isEmpty() && link.path().isEmpty() &&
        !link.hasQuery() && !link.fragment().isEmpty()) {
      browser->scrollToAnchor(link.fragment(QUrl::FullyDecoded));
    }
  });
  // The docks' titles are bold, and the browser would inherit that.
  QFont text = infoBrowser->font();
  text.setBold(false);
  infoBrowser->setFont(text);
  infoDock->setWidget(infoBrowser);
  // Under the model view, in its column: a dock beside the controls would widen the window past
  // a 1366-pixel screen, as the model view keeps all but the controls' width.
  infoDock->setAllowedAreas(Qt::RightDockWidgetArea | Qt::BottomDockWidgetArea);
  window.splitDockWidget(window.viewerDock, infoDock, Qt::Vertical);
  infoDock->hide();
  // Beside View Model and View Head, the entries of the other docks.
  QAction* toggle = infoDock->toggleViewAction();
  toggle->setObjectName(QStringLiteral("actionStructure_Info"));
  const QList<QAction*> entries = window.menuView->actions();
  const int head = entries.indexOf(window.actionHead);
  window.menuView->insertAction(
    head >= 0 && head + 1 < entries.size() ? entries[head + 1] : nullptr, toggle);

  connect(window.structureSelection,
          &StructureSelection::structureSelected,
          this,
          &StructureInfo::showStructure);
  connect(window.quiz, &Quiz::wrongAnswer, this, &StructureInfo::showStructure);
  openTimer.setSingleShot(true);
  // The second click of a double-click comes within the interval; a little more for the
  // second release.
  openTimer.setInterval(QApplication::doubleClickInterval() + 100);
  connect(&openTimer, &QTimer::timeout, this, &StructureInfo::openDock);
}

void
StructureInfo::clearStructures()
{
  shown = -1;
  infoBrowser->clear();
}

void
StructureInfo::structureAdded(int index)
{
  // A click on the row's title selects the structure too.
  if (std::size_t(index) < window.structureCheckBoxes.size()) {
    if (auto* row = qobject_cast<QGroupBox*>(window.structureCheckBoxes[index]->parentWidget())) {
      row->installEventFilter(this);
    }
  }
}

void
StructureInfo::showStructure(int index)
{
  if (!window.structureTable->contains(index)) {
    return;
  }
  shown = index;
  const QString name = window.structureTable->at(index).name.toHtmlEscaped();
  const QString& description = window.structureTable->at(index).description;
  infoBrowser->setHtml(description.isEmpty()
                         ? QStringLiteral("<h3>%1</h3><p>%2</p>").arg(name, noDescriptionText())
                         : QStringLiteral("<h3>%1</h3>").arg(name) + description);
  if (infoDock->isHidden()) {
    // The dock takes its height from the model view, and the picture moves with the view's
    // centre: opened at the first click of a double-click, it would move the structure from
    // under the pointer before the second, and "show only this" would miss.
    openTimer.start();
    return;
  }
  infoDock->raise();
}

void
StructureInfo::openDock()
{
  if (infoDock->isHidden()) {
    infoDock->show();
    // A few lines of text; the model view keeps the rest.
    window.resizeDocks({ infoDock }, { openHeight }, Qt::Vertical);
  }
  infoDock->raise();
}

bool
StructureInfo::eventFilter(QObject* watched, QEvent* event)
{
  auto* row = qobject_cast<QGroupBox*>(watched);
  if (row == nullptr || event->type() != QEvent::MouseButtonRelease ||
      static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton) {
    return false;
  }
  QStyleOptionGroupBox option;
  option.initFrom(row);
  option.text = row->title();
  option.subControls = QStyle::SC_GroupBoxLabel;
  const QRect title =
    row->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, row);
  // During the quiz the flash of the selection would show where the asked structure is.
  if (!title.contains(static_cast<QMouseEvent*>(event)->pos()) || window.actionQuiz->isChecked()) {
    return false;
  }
  for (std::size_t index = 0; index < window.structureCheckBoxes.size(); ++index) {
    if (window.structureCheckBoxes[index]->parentWidget() == row) {
      window.structureSelection->selectStructure(int(index));
      return true;
    }
  }
  return false;
}
