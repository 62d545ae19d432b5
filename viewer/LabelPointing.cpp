// Where the labels are for the pointer: their boxes in the view's own coordinates, and a click
// on a label, which selects its structure.

#include "viewer/CochlexUI.h"
#include "viewer/Labels.h"
#include "viewer/StructureSelection.h"

#include "ui/RenderView.h"
#include <QMouseEvent>

std::vector<Labels::ShownLabel>
Labels::shownLabels() const
{
  return shown;
}

int
Labels::labelAtViewPoint(const QPoint& point) const
{
  for (const ShownLabel& label : shownLabels()) {
    // A pixel more all round: the text's box is tight.
    if (label.box.adjusted(-1, -1, 1, 1).contains(point)) {
      return label.structure;
    }
  }
  return -1;
}

bool
Labels::eventFilter(QObject* watched, QEvent* event)
{
  if (watched != window.qvtkWidget) {
    return false;
  }
  const auto type = event->type();
  if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick &&
      type != QEvent::MouseButtonRelease) {
    return false;
  }
  const auto* mouse = static_cast<const QMouseEvent*>(event);
  if (mouse->button() != Qt::LeftButton) {
    return false;
  }
  // A press on a label is the label's: the structure picker never sees it, so it neither
  // selects what lies under the label nor takes the release for a click.
  if (type == QEvent::MouseButtonRelease) {
    const int pressed = pressedLabel;
    pressedLabel = -1;
    if (pressed < 0) {
      return false;
    }
    if (labelAtViewPoint(mouse->pos()) == pressed) {
      window.structureSelection->selectStructure(pressed);
    }
    return true;
  }
  pressedLabel = active() ? labelAtViewPoint(mouse->pos()) : -1;
  return pressedLabel >= 0;
}
