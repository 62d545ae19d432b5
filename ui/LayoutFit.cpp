#include "ui/LayoutFit.h"

#include <QDoubleSpinBox>
#include <QFont>
#include <QGroupBox>
#include <QLayout>
#include <QStringList>
#include <QTabWidget>
#include <QToolBox>

#include <algorithm>

void
substituteWindowsFonts()
{
  const QStringList arialWidths{ QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                                 QStringLiteral("Arial"),           QStringLiteral("Nimbus Sans"),
                                 QStringLiteral("Nimbus Sans L"),   QStringLiteral("Helvetica") };
  QFont::insertSubstitutions(QStringLiteral("Tahoma"), arialWidths);
  // Windows itself shows this family in Tahoma.
  QFont::insertSubstitutions(QStringLiteral("MS Shell Dlg 2"),
                             QStringList{ QStringLiteral("Tahoma") } + arialWidths);
}

namespace {

// The height a row needs for its controls in its layout: computed by hand, since before the
// window is first shown the toolkit counts its children as hidden and leaves them out of the
// layout's own sums.
int
neededRowHeight(const QGroupBox* row, const QLayout* layout)
{
  int controls = 0;
  for (int index = 0; index < layout->count(); ++index) {
    if (const QWidget* widget = layout->itemAt(index)->widget()) {
      controls =
        std::max(controls, std::max(widget->minimumSizeHint().height(), widget->minimumHeight()));
    }
  }
  const QMargins frame = row->contentsMargins();
  const QMargins margins = layout->contentsMargins();
  return frame.top() + margins.top() + controls + margins.bottom() + frame.bottom();
}

} // namespace

void
fitStructureRows(QWidget* page)
{
  constexpr int rowHeight = 45;
  constexpr int spinBoxWidth = 45;
  // The toolkit's spacing and margins around the rows would cost a row's height on a screen 768
  // pixels high, and the width that brought up a horizontal scroll bar.
  if (QLayout* list = page->layout()) {
    list->setSpacing(2);
    list->setContentsMargins(2, 2, 2, 2);
  }
  for (QGroupBox* row : page->findChildren<QGroupBox*>(QString(), Qt::FindDirectChildrenOnly)) {
    auto* spinBox = row->findChild<QDoubleSpinBox*>();
    QLayout* layout = row->layout();
    if (spinBox == nullptr || layout == nullptr) {
      continue;
    }
    spinBox->setMaximumWidth(std::max(spinBoxWidth, spinBox->minimumSizeHint().width()));
    // The margins above and below the controls give way first, before the row grows.
    const QMargins margins = layout->contentsMargins();
    for (int vertical = margins.top(); vertical > 0; --vertical) {
      if (neededRowHeight(row, layout) <= rowHeight) {
        break;
      }
      layout->setContentsMargins(margins.left(), vertical - 1, margins.right(), vertical - 1);
    }
    const int height = std::max(rowHeight, neededRowHeight(row, layout));
    row->setMinimumHeight(height);
    row->setMaximumHeight(height);
  }
}

void
keepStructureRowsInView(QToolBox* toolBox, QWidget* page, int rows)
{
  const QList<QGroupBox*> boxes =
    page->findChildren<QGroupBox*>(QString(), Qt::FindDirectChildrenOnly);
  QLayout* list = page->layout();
  if (boxes.isEmpty() || list == nullptr) {
    return;
  }
  const int rowHeight = boxes.first()->minimumHeight();
  const QMargins margins = list->contentsMargins();
  const int listHeight =
    margins.top() + rows * rowHeight + (rows - 1) * list->spacing() + margins.bottom();
  // The item's title button stands above the page.
  int titleHeight = 0;
  for (const QWidget* child : toolBox->findChildren<QWidget*>()) {
    if (child->inherits("QAbstractButton")) {
      titleHeight = std::max(titleHeight, child->sizeHint().height());
    }
  }
  toolBox->setMinimumHeight(2 * toolBox->frameWidth() + titleHeight + listHeight);
}

void
tightenSectionTabs(QTabWidget* tabs)
{
  for (int index = 0; index < tabs->count(); ++index) {
    if (QLayout* layout = tabs->widget(index)->layout()) {
      layout->setSpacing(3);
      layout->setContentsMargins(6, 4, 6, 4);
    }
  }
}
