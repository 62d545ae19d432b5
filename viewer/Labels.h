#pragma once

#include "viewer/LabelAnchors.h"
#include "viewer/teaching/LabelLayout.h"

#include <QObject>
#include <QRect>
#include <QString>
#include <QTimer>

#include <vtkNew.h>
#include <vtkSmartPointer.h>

#include <array>
#include <vector>

class QAction;
class _CochlexUI;
class vtkActor;
class vtkActor2D;
class vtkCallbackCommand;
class vtkObject;
class vtkPoints;
class vtkPolyData;
class vtkTextActor;

// Atlas labels over the main view (View > Show Labels) and the white background for handouts
// (View > White Background). Every structure shown gets one label with its name in a column at
// the view's left or right margin, joined by a leader line to a point of the structure the view
// shows. The labels are VTK 2-D props of the main renderer, so screenshots, full screen and stereo
// show them; a click on one selects its structure as a click on the structure does.
//
// Labels follow every drawing of the main view: before each frame the anchors are projected and
// laid out afresh (a fraction of a millisecond for nine). Whether an anchor is still in sight
// takes picks, which never run while the view draws nor while it keeps changing: they run once
// the picture has stood still for refineMilliseconds after its last frame.
class Labels : public QObject
{
  Q_OBJECT

public:
  explicit Labels(_CochlexUI& window);
  ~Labels() override;

  static constexpr int refineMilliseconds = 100;
  // Logical pixels; the render window counts device pixels.
  static constexpr int fontSize = 13;

  QAction* showLabelsAction() const { return showAction; }
  QAction* whiteBackgroundAction() const { return whiteAction; }

  // A label as it is drawn, in the view widget's coordinates (Qt's: logical pixels, y down).
  struct ShownLabel
  {
    int structure = -1;
    QString text;
    QRect box;
    QPoint anchor;
  };
  std::vector<ShownLabel> shownLabels() const;
  // The structure whose label is at point of the view widget, or -1.
  int labelAtViewPoint(const QPoint& point) const;
  // Draws the view and brings every anchor into sight at once, as the wait after a change would:
  // for a picture taken right away.
  void settle();
  // Time the last frame's projection and layout took.
  double lastLayoutMilliseconds() const { return layoutMilliseconds; }

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  struct StructureLabel
  {
    vtkSmartPointer<vtkTextActor> text;
    QString name;
    QSizeF size; // of the text's box, device pixels
  };

  static void beforeRender(vtkObject* caller, unsigned long, void* clientData, void*);
  static void afterRender(vtkObject* caller, unsigned long, void* clientData, void*);
  void layOut();
  void refineAnchors();
  // The labels of the last frame of the view, enlarged for a picture drawn in tiles.
  void enlargeForTiles(int scale);
  // The size to give a text actor for text of this many pixels of the view's render window.
  int textSize(double pixels) const;
  void setShown(bool on);
  void setWhite(bool on);
  void applyColors();
  bool structureShown(std::size_t index) const;
  bool active() const;
  void prepareLabel(std::size_t index);
  void removeProps();

  _CochlexUI& window;
  QAction* showAction;
  QAction* whiteAction;
  std::vector<StructureLabel> labels;
  LabelAnchors anchors;
  vtkNew<vtkPolyData> leaderLines;
  vtkNew<vtkActor2D> leaderActor;
  vtkNew<vtkCallbackCommand> renderObserver;
  vtkNew<vtkCallbackCommand> frameEndObserver;
  QTimer refineTimer;
  bool refining = false;
  double layoutMilliseconds = 0;
  // Boxes and anchors of the last layout, device pixels from the bottom left.
  std::vector<std::pair<int, PlacedLabel>> placed;
  std::vector<QPointF> placedAnchors;
  int pressedLabel = -1;
};
