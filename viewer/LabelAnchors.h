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

  // False when the point is behind the camera.
  bool project(const std::array<double, 3>& point, QPointF& display) const;
  bool inside(const QPointF& display) const;

  double width = 0;
  double height = 0;

private:
  double matrix[16];
  double left = 0;
  double bottom = 0;
};

// The points the labels' leader lines end on: one per structure, a point of its surface that,
// once checked, the view shows. Checking takes picks through the window's structure picker, so
// it must not run while the view draws; projecting the anchors may.
class LabelAnchors
{
public:
  explicit LabelAnchors(_CochlexUI& window);

  // The anchor of the structure of this index, until checked the surface point nearest its
  // middle; false when the structure has no surface.
  bool anchor(std::size_t index, std::array<double, 3>& point);
  // Whether the cuts left nothing of the structure at the last check.
  bool cutAway(std::size_t index);

  // Checks the anchors of the structures listed: an anchor out of sight moves to a point of its
  // structure in sight, tried nearest the middle of the structure's picture first. Returns
  // whether an anchor moved or a structure was found cut away or back.
  bool check(const std::vector<std::size_t>& structures);

private:
  struct Structure
  {
    vtkActor* actor = nullptr;                     // its front actor
    std::vector<std::array<double, 3>> candidates; // surface points an anchor may sit on
    std::array<double, 3> anchor{};
    bool hasAnchor = false;
    bool cutAway = false;
  };

  // The structure of this index, learnt afresh when another model's structure has the number.
  Structure& structure(std::size_t index);
  bool moveIntoSight(std::size_t index, Structure& structure, const ViewProjection& projection);

  _CochlexUI& window;
  std::vector<Structure> structures;
};
