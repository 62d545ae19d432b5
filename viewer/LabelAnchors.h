#pragma once

#include <QPointF>

#include <array>
#include <cstddef>
#include <vector>

class _CochlexUI;
class vtkActor;
class vtkRenderer;

// Where model points appear in a renderer now, in display pixels from its bottom left: the
// camera's matrix taken once, so that hundreds of points cost well under a millisecond.
class ViewProjection
{
public:
  explicit ViewProjection(vtkRenderer* renderer);

  // False when the point is behind the camera. depth, when given, receives the point's depth
  // in the range the depth buffer holds (0 at the near plane, 1 at the far one).
  bool project(const std::array<double, 3>& point, QPointF& display, double* depth = nullptr) const;
  bool inside(const QPointF& display) const;

  double left = 0;
  double bottom = 0;
  double width = 0;
  double height = 0;

private:
  double matrix[16];
};

// The points the labels' leader lines end on: for each structure a point of its surface that
// the picture shows, or none (then it has no label). A check tests a few hundred points of each
// structure against the picture's depth buffer (nothing in front: no other structure, section
// image or cap; not cut away; inside the view and clear of the orientation axes), lets
// chooseAnchors pick among those in sight, and confirms each choice with the structure picker
// the pointer uses: the pointer names a label's structure at its anchor. Checks read the last
// frame and take picks, so they must not run while the view draws; projecting the anchors may.
class LabelAnchors
{
public:
  explicit LabelAnchors(_CochlexUI& window);

  // The anchor of the structure of this index as the last check found it; false when it found
  // none or there was no check since the structure came.
  bool anchor(std::size_t index, std::array<double, 3>& point);

  // Checks the anchors of the structures listed against the last frame drawn; anchors crowd
  // when nearer than spacing display pixels. Returns whether an anchor moved, came or went.
  bool check(const std::vector<std::size_t>& structures, double spacing);

  // Forgets every anchor: the next check chooses afresh, none kept.
  void forget();

  // Tries at most this many candidates per structure and check, each with up to three picks of
  // about 0.1 ms.
  static constexpr int confirmationsPerStructure = 12;

private:
  struct Structure
  {
    vtkActor* actor = nullptr;                     // its front actor
    std::vector<std::array<double, 3>> candidates; // surface points an anchor may sit on
    bool hasAnchor = false;
    std::array<double, 3> anchor{}; // one of the candidates or a point of a cut face
  };

  // The structure of this index, learnt afresh when another model's structure has the number.
  Structure& structure(std::size_t index);

  _CochlexUI& window;
  std::vector<Structure> structures;
};
