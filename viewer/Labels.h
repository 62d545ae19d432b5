#pragma once

#include "viewer/LabelAnchors.h"
#include "viewer/teaching/LabelLayout.h"
#include "viewer/teaching/LabelSize.h"

#include <QObject>
#include <QRect>
#include <QString>
#include <QTimer>

#include <vtkNew.h>
#include <vtkSmartPointer.h>

#include <array>
#include <vector>

class QAction;
class QActionGroup;
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
// laid out afresh (a fraction of a millisecond for nine); a label whose anchor has left the view
// waits. Whether an anchor is still in sight takes the last frame's depth and picks, which never
// run while the view draws nor while it keeps changing: they run once the picture has stood
// still for refineMilliseconds after its last frame. Where a picture arrives as a whole (labels
// switched on, a lesson's view reached) the labels are placed at once, before they are drawn, and
// then stay: a camera's flight to a view holds them back until it lands.
class Labels : public QObject
{
  Q_OBJECT

public:
  explicit Labels(_CochlexUI& window);
  ~Labels() override;

  static constexpr int refineMilliseconds = 100;

  QAction* showLabelsAction() const { return showAction; }
  QAction* whiteBackgroundAction() const { return whiteAction; }
  // View > Label Size: Small, Medium, Large, in that order.
  QAction* labelSizeAction(LabelSize size) const { return sizeActions[std::size_t(size)]; }
  LabelSize labelSize() const { return size; }
  void setLabelSize(LabelSize size);
  // For a picture written to be printed: the text is at least printTextShare of its height.
  void setForPrint(bool on);

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
  // Draws the view without labels, finds each anchor in that picture and draws it again with the
  // labels: for a picture that has just arrived, and for one taken right away.
  void placeNow();
  // No labels until placeNow(): while the camera flies to a view.
  void holdUntilPlaced();
  // Time the last frame's projection and layout took.
  double lastLayoutMilliseconds() const { return layoutMilliseconds; }
  // Time the last check of the anchors took: the depth buffer read, the candidates, the picks.
  double lastCheckMilliseconds() const { return checkMilliseconds; }

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
  // The labels' text height in the render window's pixels for a view this many pixels high.
  double textPixels(double viewHeight) const;
  void setWhite(bool on);
  void applyColors();
  bool structureShown(std::size_t index) const;
  bool active() const;
  void prepareLabel(std::size_t index);
  void removeProps();

  _CochlexUI& window;
  QAction* showAction;
  QAction* whiteAction;
  std::array<QAction*, 3> sizeActions{};
  QActionGroup* sizeGroup;
  LabelSize size = LabelSize::Medium;
  bool forPrint = false;
  bool held = false;
  std::vector<StructureLabel> labels;
  LabelAnchors anchors;
  vtkNew<vtkPolyData> leaderLines;
  vtkNew<vtkActor2D> leaderActor;
  vtkNew<vtkCallbackCommand> renderObserver;
  vtkNew<vtkCallbackCommand> frameEndObserver;
  QTimer refineTimer;
  bool refining = false;
  double layoutMilliseconds = 0;
  double checkMilliseconds = 0;
  // Boxes and anchors of the last layout, device pixels from the bottom left, and the size of
  // its text.
  std::vector<std::pair<int, PlacedLabel>> placed;
  std::vector<QPointF> placedAnchors;
  double placedTextPixels = 0;
  // The same labels in the view widget's coordinates, converted with the resolution of the frame
  // they were drawn in: a click must find the label where the screen shows it, even after the
  // view has switched to a reduced resolution for a motion that has not drawn yet.
  std::vector<ShownLabel> shown;
  int pressedLabel = -1;
};
