#include "ui/LayoutFit.h"

#include <QDoubleSpinBox>
#include <QFont>
#include <QGroupBox>
#include <QLayout>
#include <QScrollArea>
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
    list->setContentsMargins(2, 1, 2, 1);
  }
  for (QGroupBox* row : page->findChildren<QGroupBox*>(QString(), Qt::FindDirectChildrenOnly)) {
    auto* spinBox = row->findChild<QDoubleSpinBox*>();
    QLayout* layout = row->layout();
    if (spinBox == nullptr || layout == nullptr) {
      continue;
    }
    spinBox->setMaximumWidth(std::max(spinBoxWidth, spinBox->minimumSizeHint().width()));
    // The margins above and below the controls give way first, before the row grows.
    // Narrow enough for the list's width once its vertical scroll bar shows.
    QMargins margins = layout->contentsMargins();
    margins.setLeft(std::min(margins.left(), 3));
    margins.setRight(std::min(margins.right(), 3));
    layout->setContentsMargins(margins);
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
  auto* area = qobject_cast<QScrollArea*>(page->parentWidget()->parentWidget());
  if (area == nullptr) {
    return;
  }
  // The scroll area has no frame: its height is the list's.
  area->setMinimumHeight(listHeight);
  // The rows are fitted to the list's width, vertical scroll bar included; a horizontal scroll
  // bar would only scroll by nothing (the toolkit left one up once a passing layout had needed it).
  area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void
tightenSectionTabs(QTabWidget* tabs)
{
  for (int index = 0; index < tabs->count(); ++index) {
    if (QLayout* layout = tabs->widget(index)->layout()) {
      layout->setSpacing(2);
      layout->setContentsMargins(6, 2, 6, 2);
    }
  }
}
