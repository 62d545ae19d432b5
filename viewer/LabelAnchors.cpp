#include "viewer/LabelAnchors.h"

#include "viewer/CochlexUI.h"
#include "viewer/CutStatus.h"
#include "viewer/StructurePicking.h"

#include <vtkActor.h>
#include <vtkCamera.h>
#include <vtkDataSet.h>
#include <vtkMapper.h>
#include <vtkMatrix4x4.h>
#include <vtkPlane.h>
#include <vtkPlaneCollection.h>
#include <vtkRenderer.h>

#include <algorithm>
#include <cmath>

namespace {

// Enough points to find a spot in sight on a structure half hidden by others, few enough to
// project them all in well under a millisecond.
constexpr vtkIdType candidateCount = 256;
// Places tried per structure when its anchor went out of sight, three picks of about 0.1 ms each.
constexpr std::size_t picksPerStructure = 8;
// How far inside the structure's outline in the picture an anchor stays, in device pixels.
constexpr double rimPixels = 2;

double
squaredDistance(const std::array<double, 3>& a, const std::array<double, 3>& b)
{
  return std::pow(a[0] - b[0], 2) + std::pow(a[1] - b[1], 2) + std::pow(a[2] - b[2], 2);
}

} // namespace

ViewProjection::ViewProjection(vtkRenderer* renderer)
{
  vtkMatrix4x4::DeepCopy(matrix,
                         renderer->GetActiveCamera()->GetCompositeProjectionTransformMatrix(
                           renderer->GetTiledAspectRatio(), -1, 1));
  const int* size = renderer->GetSize();
  const int* origin = renderer->GetOrigin();
  width = size[0];
  height = size[1];
  left = origin[0];
  bottom = origin[1];
}

bool
ViewProjection::project(const std::array<double, 3>& point, QPointF& display) const
{
  const double in[4] = { point[0], point[1], point[2], 1 };
  double out[4];
  vtkMatrix4x4::MultiplyPoint(matrix, in, out);
  if (out[3] <= 0) {
    return false;
  }
  display = QPointF(left + (out[0] / out[3] + 1) * 0.5 * width,
                    bottom + (out[1] / out[3] + 1) * 0.5 * height);
  return true;
}

bool
ViewProjection::inside(const QPointF& display) const
{
  return display.x() >= left && display.y() >= bottom && display.x() < left + width &&
         display.y() < bottom + height;
}

LabelAnchors::LabelAnchors(_CochlexUI& window)
  : window(window)
{
}

LabelAnchors::Structure&
LabelAnchors::structure(std::size_t index)
{
  if (structures.size() <= index) {
    structures.resize(index + 1);
  }
  Structure& entry = structures[index];
  vtkActor* actor = index < window.frontActors.size() ? window.frontActors[index] : nullptr;
  if (entry.actor == actor) {
    return entry;
  }
  entry = Structure();
  entry.actor = actor;
  vtkDataSet* surface = actor != nullptr && actor->GetMapper() != nullptr
                          ? actor->GetMapper()->GetInputAsDataSet()
                          : nullptr;
  const vtkIdType points = surface != nullptr ? surface->GetNumberOfPoints() : 0;
  if (points == 0) {
    return entry;
  }
  // Spread through the point list, which the surface's cells walk in order.
  std::array<double, 3> middle{};
  const vtkIdType step = std::max<vtkIdType>(1, points / candidateCount);
  const vtkIdType samples = (points + step - 1) / step;
  for (vtkIdType id = 0; id < points; id += step) {
    std::array<double, 3> point{};
    surface->GetPoint(id, point.data());
    entry.candidates.push_back(point);
    for (int axis = 0; axis < 3; ++axis) {
      middle[axis] += point[axis] / double(samples);
    }
  }
  entry.anchor = *std::min_element(
    entry.candidates.begin(), entry.candidates.end(), [&](const auto& a, const auto& b) {
      return squaredDistance(a, middle) < squaredDistance(b, middle);
    });
  entry.hasAnchor = true;
  return entry;
}

bool
LabelAnchors::anchor(std::size_t index, std::array<double, 3>& point)
{
  const Structure& entry = structure(index);
  point = entry.anchor;
  return entry.hasAnchor;
}

bool
LabelAnchors::cutAway(std::size_t index)
{
  return structure(index).cutAway;
}

bool
LabelAnchors::check(const std::vector<std::size_t>& indices)
{
  const ViewProjection projection(window.mainRenderer());
  bool changed = false;
  for (std::size_t index : indices) {
    Structure& entry = structure(index);
    if (entry.actor == nullptr || !entry.hasAnchor) {
      continue;
    }
    const bool cut = whollyCutAway(entry.actor);
    changed = changed || cut != entry.cutAway;
    entry.cutAway = cut;
    if (!cut) {
      changed = moveIntoSight(index, entry, projection) || changed;
    }
  }
  return changed;
}

bool
LabelAnchors::moveIntoSight(std::size_t index, Structure& entry, const ViewProjection& projection)
{
  const StructurePicker* picker = window.structurePicker;
  // The structure at the point and a little beside it on both sides: a line ending on the
  // structure's very rim would seem to point past it.
  const auto inSight = [&](const QPointF& point) {
    for (const QPointF& offset :
         { QPointF(0, 0), QPointF(-rimPixels, -rimPixels), QPointF(rimPixels, rimPixels) }) {
      if (picker->structureAtDisplayPoint(point.x() + offset.x(), point.y() + offset.y()) !=
          int(index)) {
        return false;
      }
    }
    return true;
  };
  QPointF display;
  if (projection.project(entry.anchor, display) && projection.inside(display) && inSight(display)) {
    return false; // still in sight: the label stays where the reader found it
  }
  std::vector<std::pair<QPointF, std::size_t>> inView;
  QPointF middle;
  for (std::size_t candidate = 0; candidate < entry.candidates.size(); ++candidate) {
    if (projection.project(entry.candidates[candidate], display) && projection.inside(display)) {
      inView.emplace_back(display, candidate);
      middle += display;
    }
  }
  if (inView.empty()) {
    return false;
  }
  middle /= double(inView.size());
  std::sort(inView.begin(), inView.end(), [&](const auto& a, const auto& b) {
    const QPointF toA = a.first - middle;
    const QPointF toB = b.first - middle;
    return QPointF::dotProduct(toA, toA) < QPointF::dotProduct(toB, toB);
  });
  // Hidden everywhere tried: the most central point at least lies on the structure.
  std::size_t chosen = inView.front().second;
  const std::size_t tries = std::min(inView.size(), picksPerStructure);
  for (std::size_t attempt = 0; attempt < tries; ++attempt) {
    // Spread over the list, so that the tries do not all fall in one hidden patch.
    const auto& [point, candidate] = inView[attempt * inView.size() / tries];
    if (inSight(point)) {
      chosen = candidate;
      break;
    }
  }
  const bool moved = entry.candidates[chosen] != entry.anchor;
  entry.anchor = entry.candidates[chosen];
  return moved;
}
