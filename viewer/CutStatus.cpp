#include "viewer/CutStatus.h"
#include "viewer/CochlexUI.h"
#include "viewer/SectionGeometry.h"

#include <QLabel>
#include <QSlider>
#include <QStatusBar>
#include <QStringList>

#include <vtkActor.h>
#include <vtkDataSet.h>
#include <vtkMapper.h>
#include <vtkPlane.h>
#include <vtkPlaneCollection.h>

#include <cmath>

namespace {

const QString labelName = QStringLiteral("cutStatusLabel");

} // namespace

QString
anatomicalSide(const std::array<double, 3>& normal)
{
  static const char* const positive[] = { "medial", "posterior", "superior" };
  static const char* const negative[] = { "lateral", "anterior", "inferior" };
  int largest = 0;
  for (int axis = 1; axis < 3; ++axis) {
    if (std::abs(normal[axis]) > std::abs(normal[largest])) {
      largest = axis;
    }
  }
  return QString::fromLatin1(normal[largest] < 0 ? negative[largest] : positive[largest]);
}

void
setUpCutStatus(_CochlexUI& window)
{
  auto* label = new QLabel(window.statusbar);
  label->setObjectName(labelName);
  window.statusbar->addPermanentWidget(label);
  showClipSideTexts(window);
}

void
showClipSideTexts(_CochlexUI& window)
{
  struct Axis
  {
    TickLabels* ticks;
    vtkTransform* transform;
  };
  const Axis axes[] = { { window.clipXTicks, window.sectionTransformX },
                        { window.clipYTicks, window.sectionTransformY },
                        { window.clipZTicks, window.sectionTransformZ } };
  const auto capitalised = [](QString text) {
    if (!text.isEmpty()) {
      text[0] = text[0].toUpper();
    }
    return text;
  };
  for (const Axis& axis : axes) {
    QString below;
    QString above;
    // The slider cuts along the section image as placed in the model: the same normal as a cut.
    if (window.hasSectionVolume()) {
      below = capitalised(anatomicalSide(clipPlaneNormal(axis.transform, -1)));
      above = capitalised(anatomicalSide(clipPlaneNormal(axis.transform, 1)));
    }
    axis.ticks->setTexts({ below, QStringLiteral("No cut"), above });
  }
}

void
showCutStatus(_CochlexUI& window)
{
  auto* label = window.statusbar->findChild<QLabel*>(labelName);
  if (label == nullptr) {
    return;
  }
  // In the order of the tabs, with the names the tabs show.
  struct Cut
  {
    const char* planeName;
    QSlider* slider;
    vtkPlane* plane;
  };
  const Cut cuts[] = { { "X Plane", window.clipZ, window.clipPlaneZ },
                       { "Y Plane", window.clipX, window.clipPlaneX },
                       { "Z Plane", window.clipY, window.clipPlaneY } };
  QStringList notes;
  for (const Cut& cut : cuts) {
    if (cut.slider->value() == 0) {
      continue;
    }
    double* normal = cut.plane->GetNormal();
    notes << QStringLiteral("Cut at %1, %2 side shown")
               .arg(QLatin1String(cut.planeName),
                    anatomicalSide({ normal[0], normal[1], normal[2] }));
  }
  label->setText(notes.join(QStringLiteral("; ")));
}

bool
whollyCutAway(vtkActor* actor)
{
  vtkMapper* mapper = actor->GetMapper();
  vtkPlaneCollection* planes = mapper != nullptr ? mapper->GetClippingPlanes() : nullptr;
  vtkDataSet* surface = mapper != nullptr ? mapper->GetInputAsDataSet() : nullptr;
  if (planes == nullptr || planes->GetNumberOfItems() == 0 || surface == nullptr) {
    return false;
  }
  double point[3];
  for (vtkIdType id = 0; id < surface->GetNumberOfPoints(); ++id) {
    surface->GetPoint(id, point);
    bool kept = true;
    for (int plane = 0; kept && plane < planes->GetNumberOfItems(); ++plane) {
      // The mapper keeps the side the plane's normal points to.
      kept = planes->GetItem(plane)->EvaluateFunction(point) >= 0;
    }
    if (kept) {
      return false;
    }
  }
  return true;
}
