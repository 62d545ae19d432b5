#include "viewer/StructureRows.h"

#include "viewer/CochlexUI.h"
#include "viewer/ModelProblems.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QPainter>
#include <QPixmap>
#include <QSignalBlocker>
#include <QSlider>

#include <algorithm>
#include <cmath>

namespace {

double
colorComponent(double value)
{
  return std::isfinite(value) ? std::clamp(value, 0.0, 1.0) : 0.0;
}

QIcon
swatchIcon(const std::array<double, 3>& color)
{
  QPixmap pixmap(14, 14);
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
  if (auto* row = qobject_cast<QGroupBox*>(box->parentWidget())) {
    if (!record.rowTitle.isEmpty()) {
      row->setTitle(record.rowTitle);
    }
    row->setVisible(record.rowShown);
  }
  box->setChecked(record.shown);
  box->setIconSize(QSize(14, 14));
  box->setIcon(swatchIcon(record.color));
  showTransparency(index);
  if (!record.loaded) {
    markStructureUnavailable(window, std::size_t(index), record.file, record.problem);
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
