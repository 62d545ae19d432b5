#include "viewer/StructureRows.h"

#include "viewer/CochlexUI.h"
#include "viewer/ModelProblems.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QSignalBlocker>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

double
colorComponent(double value)
{
  return std::isfinite(value) ? std::clamp(value, 0.0, 1.0) : 0.0;
}

constexpr int swatchSide = 14;

QIcon
swatchIcon(const std::array<double, 3>& color)
{
  QPixmap pixmap(swatchSide, swatchSide);
  pixmap.fill(
    QColor::fromRgbF(colorComponent(color[0]), colorComponent(color[1]), colorComponent(color[2])));
  // A thin frame keeps a pale swatch visible on the pale panel.
  QPainter painter(&pixmap);
  painter.setPen(QColor(70, 70, 70));
  painter.drawRect(0, 0, pixmap.width() - 1, pixmap.height() - 1);
  return QIcon(pixmap);
}

} // namespace

StructureRows::StructureRows(_CochlexUI& window, StructureTable& table)
  : QObject(&window)
  , window(window)
  , table(table)
{
  connect(&table, &StructureTable::structureAdded, this, &StructureRows::structureAdded);
  connect(&table, &StructureTable::structureChanged, this, &StructureRows::structureChanged);
  connect(&table, &StructureTable::structureChanged, this, &StructureRows::refreshGroupBoxes);
  connect(&table, &StructureTable::cleared, this, [this] {
    for (QCheckBox* box : this->window.structureCheckBoxes) {
      box->setIcon(QIcon());
    }
  });
}

void
StructureRows::makeRowsUpTo(int index)
{
  while (window.structureCheckBoxes.size() <= std::size_t(index)) {
    const int number = int(window.structureCheckBoxes.size()) + 1;
    const Ui_MainWindow::StructureRowControls row = window.addStructureRow(number);
    row.slider->setRange(0, 10);
    row.spinBox->setRange(0.0, 1.0);
    window.structureCheckBoxes.push_back(row.show);
    window.structureSliders.push_back(row.slider);
    window.structureSpinBoxes.push_back(row.spinBox);
    // The same handlers as the nine rows' numbered slots.
    connect(
      row.show, &QCheckBox::clicked, &window, [this, number] { window.showStructure(number); });
    connect(row.slider, &QSlider::valueChanged, &window, [this, number] {
      window.structureSlider(number);
    });
    connect(row.spinBox, qOverload<double>(&QDoubleSpinBox::valueChanged), &window, [this, number] {
      window.structureSpinBox(number);
    });
  }
}

void
StructureRows::structureAdded(int index)
{
  makeRowsUpTo(index);
  showRecord(index);
}

void
StructureRows::structureChanged(int index, StructureTable::Fields fields)
{
  if (std::size_t(index) >= window.structureCheckBoxes.size()) {
    return;
  }
  if (fields & StructureTable::Loaded) {
    showRecord(index);
    return;
  }
  if (fields & StructureTable::Shown) {
    // Setting a box from code emits no clicked(): the window's handler does not run again.
    window.structureCheckBoxes[std::size_t(index)]->setChecked(table.at(index).shown);
  }
  if (fields & StructureTable::Transparency) {
    showTransparency(index);
  }
}

void
StructureRows::showRecord(int index)
{
  const StructureRecord& record = table.at(index);
  QCheckBox* box = window.structureCheckBoxes[std::size_t(index)];
  if (QWidget* row = box->parentWidget()) {
    row->setVisible(record.rowShown);
  }
  showName(index);
  box->setChecked(record.shown);
  showTransparency(index);
  if (!record.loaded) {
    markStructureUnavailable(window, std::size_t(index), record.file, record.problem);
  }
}

void
StructureRows::showName(int index)
{
  const StructureRecord& record = table.at(index);
  QCheckBox* box = window.structureCheckBoxes[std::size_t(index)];
  box->setIconSize(QSize(swatchSide, swatchSide));
  if (hidingNames) {
    // An empty icon of the swatch's size keeps the Show box where it was.
    QPixmap blank(swatchSide, swatchSide);
    blank.fill(Qt::transparent);
    box->setIcon(QIcon(blank));
  } else {
    box->setIcon(swatchIcon(record.color));
  }
  auto* row = qobject_cast<QGroupBox*>(box->parentWidget());
  if (row == nullptr) {
    return;
  }
  if (hidingNames) {
    row->setTitle(QString());
  } else if (!record.rowTitle.isEmpty()) {
    row->setTitle(record.rowTitle);
  } else if (std::size_t(index) < titlesBeforeHiding.size()) {
    // The layout's own title, where the model names no other.
    row->setTitle(titlesBeforeHiding[std::size_t(index)]);
  }
}

void
StructureRows::setNamesHidden(bool hidden)
{
  if (hidden == hidingNames) {
    return;
  }
  const int rows = std::min(table.count(), int(window.structureCheckBoxes.size()));
  if (hidden) {
    titlesBeforeHiding.clear();
    for (int index = 0; index < rows; ++index) {
      auto* row =
        qobject_cast<QGroupBox*>(window.structureCheckBoxes[std::size_t(index)]->parentWidget());
      titlesBeforeHiding.push_back(row != nullptr ? row->title() : QString());
    }
  }
  hidingNames = hidden;
  for (int index = 0; index < rows; ++index) {
    showName(index);
  }
  // Only a model's own arrangement has the filter field.
  if (filterField != nullptr) {
    filterField->setEnabled(!hidden);
    filterRows(filterText);
  }
}

void
StructureRows::showTransparency(int index)
{
  const double transparency = table.at(index).transparency;
  QSlider* slider = window.structureSliders[std::size_t(index)];
  QDoubleSpinBox* spinBox = window.structureSpinBoxes[std::size_t(index)];
  const QSignalBlocker sliderBlocker(slider);
  const QSignalBlocker spinBoxBlocker(spinBox);
  slider->setValue(transparencySliderTenths(transparency));
  spinBox->setValue(transparencySpinBoxValue(transparency));
}

QWidget*
StructureRows::groupHeading(const QString& group)
{
  auto* heading = new QWidget(window.page);
  heading->setObjectName(QStringLiteral("structureGroup_") + QString::number(groups.size() + 1));
  auto* layout = new QHBoxLayout(heading);
  layout->setContentsMargins(2, 4, 2, 0);
  auto* fold = new QToolButton(heading);
  fold->setArrowType(Qt::DownArrow);
  fold->setAutoRaise(true);
  fold->setToolTip(QStringLiteral("Fold or unfold ") + group);
  fold->setAccessibleName(QStringLiteral("Fold ") + group);
  auto* showBox = new QCheckBox(group, heading);
  QFont bold = showBox->font();
  bold.setBold(true);
  showBox->setFont(bold);
  showBox->setToolTip(QStringLiteral("Show or hide every structure of ") + group);
  layout->addWidget(fold);
  layout->addWidget(showBox, 1);
  const std::size_t groupIndex = groups.size();
  groups.push_back({ group, heading, showBox, false });
  connect(fold, &QToolButton::clicked, this, [this, fold, groupIndex] {
    GroupHeading& entry = groups[groupIndex];
    entry.folded = !entry.folded;
    fold->setArrowType(entry.folded ? Qt::RightArrow : Qt::DownArrow);
    filterRows(filterText);
  });
  connect(showBox, &QCheckBox::clicked, this, [this, groupIndex](bool on) {
    const QString& name = groups[groupIndex].name;
    window.renderOnceAfter([&] {
      const StructureBatch batch(table);
      for (int index = 0; index < table.count(); ++index) {
        if (table.at(index).group == name) {
          table.setShown(index, on && table.at(index).loaded);
        }
      }
    });
  });
  return heading;
}

void
StructureRows::arrangeByModel()
{
  QVBoxLayout* list = window.vboxLayout5;
  auto* filter = new QLineEdit(window.page);
  filterField = filter;
  filter->setObjectName(QStringLiteral("structureFilter"));
  filter->setPlaceholderText(QStringLiteral("Find a structure"));
  filter->setClearButtonEnabled(true);
  filter->setAccessibleName(QStringLiteral("Find a structure by part of its name"));
  connect(filter, &QLineEdit::textChanged, this, &StructureRows::filterRows);
  // Everything out of the list, then back in structure order under the headings.
  for (QCheckBox* box : window.structureCheckBoxes) {
    list->removeWidget(box->parentWidget());
  }
  list->removeItem(window.spacerItem6);
  list->addWidget(filter);
  // One heading per group, where its first structure stands, with every structure of the group
  // under it: a group whose members are apart in the model's order is still one group to fold.
  QStringList groupOrder;
  for (int index = 0; index < table.count(); ++index) {
    if (!groupOrder.contains(table.at(index).group)) {
      groupOrder.append(table.at(index).group);
    }
  }
  for (const QString& group : groupOrder) {
    if (!group.isEmpty()) {
      list->addWidget(groupHeading(group));
    }
    for (int index = 0; index < table.count(); ++index) {
      if (table.at(index).group == group) {
        list->addWidget(window.structureCheckBoxes[std::size_t(index)]->parentWidget());
      }
    }
  }
  for (std::size_t row = std::size_t(table.count()); row < window.structureCheckBoxes.size();
       ++row) {
    QWidget* rowWidget = window.structureCheckBoxes[row]->parentWidget();
    list->addWidget(rowWidget);
    rowWidget->hide();
  }
  list->addItem(window.spacerItem6);
  refreshGroupBoxes();
}

void
StructureRows::filterRows(const QString& text)
{
  filterText = text;
  // A row found by a hidden name would give the name away.
  const QString wanted = hidingNames ? QString() : text.trimmed();
  std::vector<bool> groupHasMatch(groups.size(), false);
  for (int index = 0; index < table.count(); ++index) {
    const StructureRecord& record = table.at(index);
    const auto group = std::find_if(groups.begin(), groups.end(), [&](const GroupHeading& heading) {
      return heading.name == record.group;
    });
    const bool matches = record.name.contains(wanted, Qt::CaseInsensitive);
    // A search looks inside folded groups too.
    const bool folded = wanted.isEmpty() && group != groups.end() && group->folded;
    window.structureCheckBoxes[std::size_t(index)]->parentWidget()->setVisible(record.rowShown &&
                                                                               matches && !folded);
    if (group != groups.end() && matches) {
      groupHasMatch[std::size_t(group - groups.begin())] = true;
    }
  }
  for (std::size_t index = 0; index < groups.size(); ++index) {
    groups[index].heading->setVisible(wanted.isEmpty() || groupHasMatch[index]);
  }
}

void
StructureRows::refreshGroupBoxes()
{
  for (GroupHeading& group : groups) {
    int members = 0;
    int shown = 0;
    for (int index = 0; index < table.count(); ++index) {
      if (table.at(index).group == group.name && table.at(index).loaded) {
        ++members;
        shown += table.at(index).shown ? 1 : 0;
      }
    }
    const QSignalBlocker blocker(group.showBox);
    group.showBox->setTristate(shown > 0 && shown < members);
    group.showBox->setCheckState(shown == 0         ? Qt::Unchecked
                                 : shown == members ? Qt::Checked
                                                    : Qt::PartiallyChecked);
  }
}
