// The lesson's caption band under the model view, and presenting: the model view alone, full
// screen, with the caption and the view's place in the lesson ("3 / 4").

#include "viewer/Lessons.h"

#include "viewer/CochlexUI.h"
#include "viewer/Shortcuts.h"

#include "ui/RenderView.h"

#include <QBoxLayout>
#include <QDockWidget>
#include <QFont>
#include <QFontMetrics>
#include <QLabel>
#include <QLayout>
#include <QPalette>
#include <QPointer>
#include <QShortcut>
#include <QSizePolicy>
#include <QStatusBar>
#include <QWidget>

namespace {

// Readable from the back of a lecture room; logical pixels.
constexpr int captionFontSize = 22;

} // namespace

void
Lessons::createCaptionBand()
{
  // Under the picture, in the column of the model view alone: the camera bars keep their place
  // beside it, and the caption never covers the model.
  captionBand = new QWidget(window.dockWidgetContents);
  captionBand->setObjectName(QStringLiteral("captionBand"));
  captionBand->setAutoFillBackground(true);
  QPalette colours = captionBand->palette();
  colours.setColor(QPalette::Window, Qt::black);
  colours.setColor(QPalette::WindowText, Qt::white);
  captionBand->setPalette(colours);
  auto* row = new QHBoxLayout(captionBand);
  row->setContentsMargins(12, 6, 12, 6);
  captionText = new QLabel(captionBand);
  captionText->setObjectName(QStringLiteral("captionText"));
  captionText->setWordWrap(true);
  captionText->setAlignment(Qt::AlignCenter);
  captionText->setTextFormat(Qt::PlainText);
  QFont font = captionText->font();
  font.setPixelSize(captionFontSize);
  captionText->setFont(font);
  presentationCount = new QLabel(captionBand);
  presentationCount->setObjectName(QStringLiteral("presentationCount"));
  presentationCount->setFont(font);
  // Empty outside a presentation, and as wide as the space on the left: the caption stays in
  // the middle either way.
  auto* balance = new QWidget(captionBand);
  row->addWidget(balance);
  row->addWidget(captionText, 1);
  row->addWidget(presentationCount);
  const int countWidth = QFontMetrics(font).horizontalAdvance(QStringLiteral("888 / 888"));
  balance->setFixedWidth(countWidth);
  presentationCount->setFixedWidth(countWidth);
  presentationCount->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  captionBand->hide();

  // The view's own row holds the rotation bar's column, then the view: the view and its band
  // take the view's place.
  QBoxLayout* viewRow = window.hboxLayout19;
  const int at = viewRow->indexOf(window.qvtkWidget);
  viewRow->removeWidget(window.qvtkWidget);
  auto* column = new QVBoxLayout();
  column->setSpacing(0);
  column->addWidget(window.qvtkWidget, 1);
  column->addWidget(captionBand);
  viewRow->insertLayout(at, column, 1);
}

QString
Lessons::shownCaption() const
{
  return captionBand->isVisible() ? captionText->text() : QString();
}

void
Lessons::setCaptionText(const QString& text)
{
  captionText->setText(text.trimmed());
  const bool hasText = !captionText->text().isEmpty();
  captionText->setVisible(hasText);
  // A presentation keeps its band for the count, caption or not; the band's height changes the
  // view's, so it is not shown empty otherwise.
  captionBand->setVisible(hasText || presentationRunning);
}

void
Lessons::leaveCaptionedView()
{
  captionViewId = 0;
  arrived = false;
  setCaptionText(QString());
  updatePresentationCount();
}

void
Lessons::updatePresentationCount()
{
  const int row = currentViewRow();
  const bool counted = presentationRunning && row >= 0 && captionViewId != 0;
  presentationCount->setText(counted ? QStringLiteral("%1 / %2").arg(row + 1).arg(viewsById.size())
                                     : QString());
}

void
Lessons::hideControlsForPresentation()
{
  // The camera bars, buttons and audio guides around the view; whatever was hidden already
  // stays so afterwards.
  hiddenForPresentation.clear();
  for (QWidget* child :
       window.dockWidgetContents->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
    if (child != window.qvtkWidget && child != captionBand && !child->isHidden()) {
      hiddenForPresentation.emplace_back(child);
      child->hide();
    }
  }
  viewMargins = window.dockWidgetContents->layout()->contentsMargins();
  window.dockWidgetContents->layout()->setContentsMargins(0, 0, 0, 0);
  // The rows' spacers and gaps would keep a strip of the window's grey beside and under the
  // picture.
  collapsedLayouts.clear();
  collapsedSpacers.clear();
  const std::function<void(QLayout*)> collapse = [this, &collapse](QLayout* layout) {
    collapsedLayouts.push_back({ layout, layout->spacing() });
    layout->setSpacing(0);
    for (int index = 0; index < layout->count(); ++index) {
      QLayoutItem* item = layout->itemAt(index);
      if (QSpacerItem* spacer = item->spacerItem()) {
        collapsedSpacers.push_back({ spacer, spacer->sizeHint(), spacer->sizePolicy() });
        spacer->changeSize(0, 0, QSizePolicy::Fixed, QSizePolicy::Fixed);
      } else if (QLayout* inner = item->layout()) {
        collapse(inner);
      }
    }
    layout->invalidate();
  };
  collapse(window.dockWidgetContents->layout());
  // No title over the picture: the dock's own title bar gives way to an empty one.
  emptyTitleBar = new QWidget(window.viewerDock);
  emptyTitleBar->setObjectName(QStringLiteral("presentationTitleBar"));
  emptyTitleBar->setFixedHeight(0);
  window.viewerDock->setTitleBarWidget(emptyTitleBar);
}

void
Lessons::restoreControlsAfterPresentation()
{
  for (const QPointer<QWidget>& widget : hiddenForPresentation) {
    if (widget != nullptr) {
      widget->show();
    }
  }
  hiddenForPresentation.clear();
  for (const CollapsedSpacer& spacer : collapsedSpacers) {
    spacer.spacer->changeSize(spacer.size.width(),
                              spacer.size.height(),
                              spacer.policy.horizontalPolicy(),
                              spacer.policy.verticalPolicy());
  }
  for (const CollapsedLayout& layout : collapsedLayouts) {
    layout.layout->setSpacing(layout.spacing);
    layout.layout->invalidate();
  }
  collapsedSpacers.clear();
  collapsedLayouts.clear();
  window.dockWidgetContents->layout()->setContentsMargins(viewMargins);
  window.viewerDock->setTitleBarWidget(nullptr);
  delete emptyTitleBar;
  emptyTitleBar = nullptr;
}

void
Lessons::startPresentation()
{
  if (viewsById.empty()) {
    window.statusbar->showMessage(
      QStringLiteral("The lesson has no views yet: add them with View > Add View (Ctrl+D)."),
      statusMilliseconds);
    return;
  }
  if (presentationRunning) {
    goToView(0);
    return;
  }
  presentationRunning = true;
  presentationStartedFullScreen =
    window.viewerDock->isFloating() && window.viewerDock->isFullScreen();
  presentationStartedFloating = window.viewerDock->isFloating() && !presentationStartedFullScreen;
  floatingGeometry = window.viewerDock->geometry();
  // Before the dock floats: a new title bar changes a floating window's kind and hides it.
  hideControlsForPresentation();
  if (presentationStartedFullScreen) {
    window.viewerDock->showFullScreen();
  } else {
    window.fullScreen();
  }
  // Escape ends the presentation first; the full screen's own Escape waits until then.
  setLeaveFullScreenKey(window, false);
  endPresentationKey->setEnabled(true);
  window.qvtkWidget->setFocus();
  goToView(0);
}

void
Lessons::endPresentation()
{
  if (!presentationRunning) {
    return;
  }
  presentationRunning = false;
  endPresentationKey->setEnabled(false);
  if (presentationStartedFullScreen) {
    restoreControlsAfterPresentation();
    window.viewerDock->showFullScreen();
    setLeaveFullScreenKey(window, true);
  } else {
    if (window.viewerDock->isFloating()) {
      window.showViewerDock();
    }
    restoreControlsAfterPresentation();
    if (presentationStartedFloating) {
      window.viewerDock->setFloating(true);
      window.viewerDock->setGeometry(floatingGeometry);
      window.viewerDock->show();
    }
  }
  setCaptionText(captionText->text());
  updatePresentationCount();
}
