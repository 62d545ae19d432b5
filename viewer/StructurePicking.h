#pragma once

#include <QObject>
#include <QPoint>
#include <QString>
#include <QTimer>

#include <vtkNew.h>
#include <vtkSmartPointer.h>

#include <functional>
#include <map>
#include <utility>
#include <vector>

class RenderView;
class vtkActor;
class vtkCellPicker;
class vtkDataSet;
class vtkStaticCellLocator;
class vtkRenderer;

// Finds which structure lies under the pointer in a 3-D view, and reports pointer rests, clicks
// and double-clicks on structures. Knows nothing of what the viewer does with them, so that any
// feature that asks "which structure is this?" (naming, selecting, a quiz) can listen to it.
//
// Picking never runs while the view renders or turns: only once the pointer has rested for
// restMilliseconds, and on a click. A press that moves further than the desktop's drag distance
// before its release is a drag (a rotation or pan), not a click.
class StructurePicker : public QObject
{
  Q_OBJECT

public:
  // Picks among the actors of frontActors and backActors that the renderer holds; the lists are
  // read at each pick, so structures loaded later are found too.
  StructurePicker(RenderView* view,
                  vtkRenderer* renderer,
                  const std::vector<vtkActor*>& frontActors,
                  const std::vector<vtkActor*>& backActors,
                  QObject* parent = nullptr);
  ~StructurePicker() override;

  static constexpr int restMilliseconds = 250;

  // Index of the structure drawn at a point of the render window in VTK's display coordinates
  // (pixels, origin at the bottom left), or -1 when no shown structure is there.
  int structureAtDisplayPoint(double x, double y) const;
  // The same for a point in the view widget's own coordinates (Qt's: y downwards, logical
  // pixels).
  int structureAtViewPoint(const QPoint& point) const;

  // While off, resting the pointer reports nothing; clicks are still reported.
  void setPointerNamesEnabled(bool enabled);
  bool pointerNamesEnabled() const { return namesEnabled; }

  // The structure the pointer rested on last, or -1.
  int pointedStructure() const { return pointed; }

  // Further actors that stand for structures (the caps of a cut), each with its structure's
  // index: asked at each pick, they are picked as that structure.
  using StandIns = std::function<std::vector<std::pair<vtkActor*, int>>()>;
  void setStandIns(StandIns standIns) { this->standIns = std::move(standIns); }

signals:
  // The pointer came to rest on another structure (or off the model: -1), or left the view.
  void pointedStructureChanged(int index);
  void structureClicked(int index);
  void structureDoubleClicked(int index);

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void pickAtRest();
  void setPointed(int index);
  vtkActor* nearestActorAt(double x, double y, const std::vector<vtkActor*>& excluded) const;
  int structureOfActor(vtkActor* actor) const;
  void useLocatorFor(vtkActor* actor) const;
  static int dragDistance();

  RenderView* view;
  vtkRenderer* renderer;
  const std::vector<vtkActor*>& frontActors;
  const std::vector<vtkActor*>& backActors;
  StandIns standIns;
  vtkNew<vtkCellPicker> picker;
  // One per structure surface, built at its first pick: a pick then takes a fraction of a
  // millisecond instead of a walk through every triangle of the model.
  mutable std::map<vtkDataSet*, vtkSmartPointer<vtkStaticCellLocator>> locators;
  QTimer restTimer;
  QPoint restPoint;
  QPoint pressPoint;
  bool pressed = false;
  bool dragged = false;
  bool pressIsDoubleClick = false;
  bool namesEnabled = true;
  int pointed = -1;
};

// One structure met by the pointer's ray: its index and its transparency (1 - opacity).
struct RayHit
{
  int index = -1;
  double transparency = 0;
};

// At transparency 0.5 and above a structure mostly shows what lies behind it.
constexpr double seeThroughTransparency = 0.5;

// Which of hits, ordered from the viewer away, the pointer names: the nearest one that is not
// see-through, as a student names what is seen through a translucent shell; where only
// see-through structures lie along the ray, the nearest of them. -1 for no hit.
int
namedStructureAlongRay(const std::vector<RayHit>& hits);
