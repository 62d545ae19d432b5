#include "viewer/StructureSelection.h"

#include "viewer/CochlexUI.h"
#include "viewer/StructurePicking.h"

#include "ui/RenderView.h"
#include <QCheckBox>
#include <QCursor>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QScrollArea>
#include <QStatusBar>
#include <QToolBox>
#include <QToolTip>

#include <vtkActor.h>
#include <vtkProperty.h>
#include <vtkRenderWindow.h>

#include <algorithm>
#include <cmath>

namespace {

// A green that none of the tissues wears, drawn opaque so that even a faint tissue flashes.
constexpr std::array<double, 3> highlightColor{ 0.15, 1.0, 0.15 };
constexpr double highlightOpacity = 1.0;
// On, off, on, off: two flashes.
constexpr int pulsePhases = 4;

std::array<double, 3>
actorColor(vtkActor* actor)
{
  std::array<double, 3> color{};
  actor->GetProperty()->GetColor(color.data());
  return color;
}

QScrollArea*
enclosingScrollArea(QWidget* widget)
{
  for (QWidget* parent = widget->parentWidget(); parent != nullptr;
       parent = parent->parentWidget()) {
    if (auto* area = qobject_cast<QScrollArea*>(parent)) {
      return area;
    }
  }
  return nullptr;
}

} // namespace

StructureSelection::StructureSelection(_CochlexUI& window)
  : QObject(&window)
  , window(window)
  , nameLabel(new QLabel(window.statusbar))
{
  nameLabel->setObjectName(QStringLiteral("pointedStructureLabel"));
  window.statusbar->addPermanentWidget(nameLabel);

  pulseTimer.setInterval(pulseStepMilliseconds);
  connect(&pulseTimer, &QTimer::timeout, this, &StructureSelection::pulseStep);
  rowTimer.setSingleShot(true);
  rowTimer.setInterval(rowHighlightMilliseconds);
  connect(&rowTimer, &QTimer::timeout, this, &StructureSelection::restoreRow);

  StructurePicker* picker = window.structurePicker;
  connect(
    picker, &StructurePicker::pointedStructureChanged, this, &StructureSelection::showPointedName);
  connect(picker, &StructurePicker::structureClicked, this, [this](int index) {
    if (respondingToClicks) {
      selectStructure(index);
    }
  });
  connect(picker, &StructurePicker::structureDoubleClicked, this, [this](int index) {
    if (respondingToClicks) {
      showOnlyStructure(index);
    }
  });
}

void
StructureSelection::setRespondingToClicks(bool responding)
{
  respondingToClicks = responding;
  if (!responding) {
    finishHighlight();
  }
}

void
StructureSelection::clearStructures()
{
  finishHighlight();
  selected = -1;
  showPointedName(-1);
}

QString
StructureSelection::structureName(int index) const
{
  return window.structureTable->contains(index) ? window.structureTable->at(index).name : QString();
}

void
StructureSelection::showPointedName(int index)
{
  const QString name = structureName(index);
  nameLabel->setText(name);
  QWidget* view = window.qvtkWidget;
  view->setToolTip(name);
  // A tip already up shows the structure the pointer was on before; Qt only asks again after
  // the next move.
  if (QToolTip::isVisible() && view->rect().contains(view->mapFromGlobal(QCursor::pos()))) {
    if (name.isEmpty()) {
      QToolTip::hideText();
    } else {
      QToolTip::showText(QCursor::pos(), name, view);
    }
  }
}

void
StructureSelection::selectStructure(int index)
{
  if (index < 0 || std::size_t(index) >= window.frontActors.size() ||
      std::size_t(index) >= window.backActors.size()) {
    return;
  }
  selected = index;
  finishHighlight();

  if (std::size_t(index) < window.structureCheckBoxes.size()) {
    // Structure 4 has no row to show: its group box stays hidden.
    auto* row = qobject_cast<QGroupBox*>(window.structureCheckBoxes[index]->parentWidget());
    if (row != nullptr && !row->isHidden()) {
      window.toolBox->setCurrentWidget(window.page);
      if (QScrollArea* area = enclosingScrollArea(row)) {
        area->ensureWidgetVisible(row);
      }
      highlightRow(row);
    }
  }

  savedLooks = { { window.frontActors[index] }, { window.backActors[index] } };
  pulsePhase = 0;
  highlightActors();
  window.mainRenderWindow()->Render();
  pulseTimer.start();
  emit structureSelected(index);
}

void
StructureSelection::showOnlyStructure(int index)
{
  StructureTable& table = *window.structureTable;
  if (!table.contains(index)) {
    return;
  }
  // One drawing at the end shows the whole change.
  window.renderOnceAfter([&] {
    const StructureBatch batch(table);
    for (int other = 0; other < table.count(); ++other) {
      table.setShown(other, other == index && table.at(other).loaded);
    }
  });
}

void
StructureSelection::pulseStep()
{
  ++pulsePhase;
  if (pulsePhase >= pulsePhases) {
    // The row stays lit a while longer: the eye goes there after the flash.
    finishPulse();
    return;
  }
  if (pulsePhase % 2 == 0) {
    highlightActors();
  } else {
    restoreActors();
  }
  window.mainRenderWindow()->Render();
}

void
StructureSelection::highlightActors()
{
  for (ActorLook& look : savedLooks) {
    // Taken afresh at each flash: the user may have changed the structure in between.
    look.color = actorColor(look.actor);
    look.opacity = look.actor->GetProperty()->GetOpacity();
    look.actor->GetProperty()->SetColor(highlightColor[0], highlightColor[1], highlightColor[2]);
    look.actor->GetProperty()->SetOpacity(highlightOpacity);
  }
  actorsHighlighted = true;
}

void
StructureSelection::restoreActors()
{
  if (!actorsHighlighted) {
    return;
  }
  actorsHighlighted = false;
  for (const ActorLook& look : savedLooks) {
    // What still shows the highlight goes back; what the user set meanwhile stays.
    vtkProperty* property = look.actor->GetProperty();
    if (actorColor(look.actor) == highlightColor) {
      property->SetColor(look.color[0], look.color[1], look.color[2]);
    }
    if (property->GetOpacity() == highlightOpacity) {
      property->SetOpacity(look.opacity);
    }
  }
}

void
StructureSelection::finishHighlight()
{
  finishPulse();
  restoreRow();
}

void
StructureSelection::finishPulse()
{
  pulseTimer.stop();
  if (actorsHighlighted) {
    restoreActors();
    window.mainRenderWindow()->Render();
  }
  savedLooks.clear();
}

void
StructureSelection::highlightRow(QGroupBox* row)
{
  restoreRow();
  highlightedRow = row;
  rowPalette = row->palette();
  rowFilledBackground = row->autoFillBackground();
  // The tool box gives its pages, and so the rows, the button background: tint that one.
  QPalette lit = rowPalette;
  const QColor background = lit.color(row->backgroundRole());
  const QColor highlight = lit.color(QPalette::Highlight);
  const auto mix = [](int under, int over) { return (3 * under + 2 * over) / 5; };
  lit.setColor(row->backgroundRole(),
               QColor(mix(background.red(), highlight.red()),
                      mix(background.green(), highlight.green()),
                      mix(background.blue(), highlight.blue())));
  row->setPalette(lit);
  row->setAutoFillBackground(true);
  rowTimer.start();
}

void
StructureSelection::restoreRow()
{
  rowTimer.stop();
  if (highlightedRow != nullptr) {
    highlightedRow->setPalette(rowPalette);
    highlightedRow->setAutoFillBackground(rowFilledBackground);
  }
  highlightedRow = nullptr;
}
