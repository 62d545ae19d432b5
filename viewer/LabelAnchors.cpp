#include "viewer/LabelAnchors.h"

#include "ui/RenderView.h"
#include "viewer/CochlexUI.h"
#include "viewer/CutFaces.h"
#include "viewer/StructurePicking.h"
#include "viewer/teaching/LabelLayout.h"

#include <vtkActor.h>
#include <vtkCamera.h>
#include <vtkCell.h>
#include <vtkDataSet.h>
#include <vtkMapper.h>
#include <vtkMath.h>
#include <vtkMatrix4x4.h>
#include <vtkOrientationMarkerWidget.h>
#include <vtkPlane.h>
#include <vtkPlaneCollection.h>
#include <vtkProperty.h>
#include <vtkRenderWindow.h>
#include <vtkRenderer.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Enough points to find a spot in sight on a structure half hidden by others and to spread the
// anchors of nested structures, few enough to project them all in well under a millisecond.
constexpr vtkIdType candidateCount = 256;
// Points of a cut face tried besides, per face.
constexpr vtkIdType capCandidateCount = 64;
// How far inside the structure's outline in the picture an anchor stays, in device pixels: a
// line ending on the very rim would seem to point past it.
constexpr double rimPixels = 2;
// How much nearer than a point the depth buffer may be and the point still count as drawn, in
// pixels' widths at the point's distance: the buffer holds the surface at the pixel's centre, up
// to 0.7 pixels beside the point, where a surface turned 80 degrees from the viewer is four
// widths nearer; twice that for the polygon offset of coincident surfaces.
constexpr double depthSlackPixels = 8;

// The last frame's depth buffer over one renderer, and distances from the camera for its values.
class DepthPicture
{
public:
  explicit DepthPicture(vtkRenderer* renderer)
  {
    const int* size = renderer->GetSize();
    const int* origin = renderer->GetOrigin();
    width = size[0];
    height = size[1];
    left = origin[0];
    bottom = origin[1];
    if (width > 0 && height > 0) {
      depths.resize(std::size_t(width) * std::size_t(height), 1.0F);
      renderer->GetRenderWindow()->GetZbufferData(
        left, bottom, left + width - 1, bottom + height - 1, depths.data());
    }
    vtkCamera* camera = renderer->GetActiveCamera();
    parallel = camera->GetParallelProjection() != 0;
    vtkMatrix4x4* projection =
      camera->GetProjectionTransformMatrix(renderer->GetTiledAspectRatio(), -1, 1);
    depthScale = projection->GetElement(2, 2);
    depthOffset = projection->GetElement(2, 3);
    pixelAtUnitDistance =
      parallel ? 0 : 2 * std::tan(vtkMath::RadiansFromDegrees(camera->GetViewAngle()) / 2) / height;
    parallelPixel = parallel ? 2 * camera->GetParallelScale() / height : 0;
  }

  // The distance from the camera of the surface drawn nearest at a display point; the far plane's
  // where nothing is drawn.
  double distanceAt(const QPointF& display) const { return distanceOf(depthAt(display)); }

  // Whether nothing opaque is drawn at a display point.
  bool emptyAt(const QPointF& display) const { return depthAt(display) >= 1.0; }

  double depthAt(const QPointF& display) const
  {
    if (depths.empty()) {
      return 0;
    }
    const int x = std::clamp(int(std::floor(display.x() - left)), 0, width - 1);
    const int y = std::clamp(int(std::floor(display.y() - bottom)), 0, height - 1);
    return depths[std::size_t(y) * std::size_t(width) + std::size_t(x)];
  }

  // The same for a depth in the buffer's range.
  double distanceOf(double depth) const
  {
    const double ndc = 2 * depth - 1;
    if (parallel) {
      return -(ndc - depthOffset) / depthScale;
    }
    const double denominator = -ndc - depthScale;
    return std::abs(denominator) < 1e-12 ? 0 : -depthOffset / denominator;
  }

  // The width of a pixel at a distance from the camera, in model units.
  double pixelAt(double distance) const
  {
    return parallel ? parallelPixel : pixelAtUnitDistance * distance;
  }

private:
  std::vector<float> depths;
  int width = 0;
  int height = 0;
  int left = 0;
  int bottom = 0;
  bool parallel = false;
  double depthScale = 1;
  double depthOffset = 0;
  double pixelAtUnitDistance = 0;
  double parallelPixel = 0;
};

bool
keptByCuts(vtkPlaneCollection* planes, const std::array<double, 3>& point)
{
  if (planes == nullptr) {
    return true;
  }
  for (int plane = 0; plane < planes->GetNumberOfItems(); ++plane) {
    // The mapper keeps the side the plane's normal points to.
    if (planes->GetItem(plane)->EvaluateFunction(point[0], point[1], point[2]) < 0) {
      return false;
    }
  }
  return true;
}

const QPointF rimOffsets[] = { { 0, 0 }, { -rimPixels, -rimPixels }, { rimPixels, rimPixels } };

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
ViewProjection::project(const std::array<double, 3>& point, QPointF& display, double* depth) const
{
  const double in[4] = { point[0], point[1], point[2], 1 };
  double out[4];
  vtkMatrix4x4::MultiplyPoint(matrix, in, out);
  if (out[3] <= 0) {
    return false;
  }
  display = QPointF(left + (out[0] / out[3] + 1) * 0.5 * width,
                    bottom + (out[1] / out[3] + 1) * 0.5 * height);
  if (depth != nullptr) {
    *depth = (out[2] / out[3] + 1) * 0.5;
  }
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
  // Spread through the point list, which the surface's cells walk in order.
  const vtkIdType step = std::max<vtkIdType>(1, points / candidateCount);
  for (vtkIdType id = 0; id < points; id += step) {
    std::array<double, 3> point{};
    surface->GetPoint(id, point.data());
    entry.candidates.push_back(point);
  }
  return entry;
}

bool
LabelAnchors::anchor(std::size_t index, std::array<double, 3>& point)
{
  const Structure& entry = structure(index);
  point = entry.anchor;
  return entry.hasAnchor;
}

void
LabelAnchors::forget()
{
  for (Structure& entry : structures) {
    entry.hasAnchor = false;
  }
}

bool
LabelAnchors::check(const std::vector<std::size_t>& indices, double spacing)
{
  vtkRenderer* renderer = window.mainRenderer();
  const ViewProjection projection(renderer);
  const DepthPicture picture(renderer);
  // The orientation axes are drawn over the model in their corner.
  const double* marker = window.orientationMarker->GetViewport();
  const int* windowSize = renderer->GetRenderWindow()->GetSize();
  const QRectF axes(QPointF(marker[0] * windowSize[0], marker[1] * windowSize[1]),
                    QPointF(marker[2] * windowSize[0], marker[3] * windowSize[1]));
  const QRectF view(projection.left, projection.bottom, projection.width, projection.height);
  const QRectF usable = view.adjusted(rimPixels, rimPixels, -rimPixels, -rimPixels);

  // Per structure, the points in sight and the candidates they are.
  std::vector<std::vector<std::array<double, 3>>> pointsOf(indices.size());
  std::vector<AnchorCandidates> inSight(indices.size());
  std::vector<std::vector<int>> candidateOf(indices.size());
  for (std::size_t position = 0; position < indices.size(); ++position) {
    Structure& entry = structure(indices[position]);
    vtkMapper* mapper = entry.actor != nullptr ? entry.actor->GetMapper() : nullptr;
    vtkPlaneCollection* planes = mapper != nullptr ? mapper->GetClippingPlanes() : nullptr;
    // The pointer names what lies behind a see-through structure (a capsule over the bones): its
    // anchor goes where nothing opaque is drawn, as long as there is such a place.
    const bool seeThrough =
      entry.actor != nullptr &&
      1 - entry.actor->GetProperty()->GetOpacity() >= seeThroughTransparency - 1e-9;
    AnchorCandidates overNothing;
    std::vector<int> overNothingCandidates;
    // Where a cut has closed the structure, its cut face is the structure too, and may be all
    // the picture shows of it (a crus cut across, seen end-on).
    std::vector<std::array<double, 3>>& points = pointsOf[position];
    points = entry.candidates;
    for (const auto& [cap, capIndex] : window.cutFaces->shownCaps()) {
      vtkDataSet* face =
        cap->GetMapper() != nullptr ? cap->GetMapper()->GetInputAsDataSet() : nullptr;
      if (capIndex != int(indices[position]) || face == nullptr) {
        continue;
      }
      vtkPlaneCollection* others = cap->GetMapper()->GetClippingPlanes();
      // The middles of its triangles: its points all lie on its rim.
      const vtkIdType cells = face->GetNumberOfCells();
      const vtkIdType step = std::max<vtkIdType>(1, cells / capCandidateCount);
      for (vtkIdType id = 0; id < cells; id += step) {
        vtkCell* cell = face->GetCell(id);
        const vtkIdType corners = cell->GetNumberOfPoints();
        std::array<double, 3> point{};
        for (vtkIdType corner = 0; corner < corners; ++corner) {
          const double* at = face->GetPoint(cell->GetPointId(corner));
          for (std::size_t axis = 0; axis < 3; ++axis) {
            point[axis] += at[axis] / double(corners);
          }
        }
        if (corners > 0 && keptByCuts(others, point)) {
          points.push_back(point);
        }
      }
    }
    for (std::size_t candidate = 0; candidate < points.size(); ++candidate) {
      const std::array<double, 3>& point = points[candidate];
      // A cut face lies in its own plane: only the other planes cut it.
      const bool onFace = candidate >= entry.candidates.size();
      QPointF display;
      double depth = 0;
      if ((!onFace && !keptByCuts(planes, point)) || !projection.project(point, display, &depth) ||
          !usable.contains(display) || axes.contains(display)) {
        continue;
      }
      const double distance = picture.distanceOf(depth);
      const double pixel = picture.pixelAt(distance);
      if (picture.distanceAt(display) < distance - depthSlackPixels * pixel) {
        continue;
      }
      for (auto [list, candidates] : { std::pair(&inSight[position], &candidateOf[position]),
                                       std::pair(&overNothing, &overNothingCandidates) }) {
        if (list == &overNothing && !picture.emptyAt(display)) {
          continue;
        }
        if (entry.hasAnchor && point == entry.anchor) {
          list->kept = int(list->points.size());
        }
        list->points.push_back(display);
        candidates->push_back(int(candidate));
      }
    }
    if (seeThrough && !overNothing.points.empty()) {
      inSight[position] = overNothing;
      candidateOf[position] = overNothingCandidates;
    }
  }

  // The picker has the last word: the pointer must name the structure where its line ends, and
  // around the end unless the structure is too thin for that (a vessel a few pixels wide).
  const StructurePicker* picker = window.structurePicker;
  // As the pointer finds it resting on the label's end: at the view's own point nearest the
  // anchor, which at a pixel ratio above one is up to a device pixel beside it, enough to miss a
  // structure a few pixels thin.
  const double ratio = window.qvtkWidget->renderPixelRatio();
  const auto namedAt = [&](const QPointF& point, std::size_t index) {
    const QPoint viewPoint =
      QPointF(point.x() / ratio, (projection.height - 1 - point.y()) / ratio).toPoint();
    return picker->structureAtViewPoint(viewPoint) == int(index);
  };
  const auto namedAround = [&](const QPointF& point, std::size_t index) {
    return std::all_of(std::begin(rimOffsets), std::end(rimOffsets), [&](const QPointF& offset) {
      return namedAt(point + offset, index);
    });
  };
  // Per structure the candidates named at their very point only (display point, candidate), for
  // a structure with none named all round.
  std::vector<std::vector<std::pair<QPointF, int>>> thin(indices.size());
  std::vector<std::vector<bool>> confirmed(indices.size());
  for (std::size_t position = 0; position < indices.size(); ++position) {
    confirmed[position].assign(inSight[position].points.size(), false);
  }
  std::vector<int> picksLeft(indices.size(), confirmationsPerStructure);
  std::vector<int> chosen;
  for (bool again = true; again;) {
    again = false;
    chosen = chooseAnchors(inSight, spacing);
    for (std::size_t position = 0; position < indices.size(); ++position) {
      const int choice = chosen[position];
      if (choice < 0 || confirmed[position][std::size_t(choice)]) {
        continue;
      }
      AnchorCandidates& candidates = inSight[position];
      const QPointF point = candidates.points[std::size_t(choice)];
      if (picksLeft[position]-- > 0 && namedAt(point, indices[position])) {
        if (namedAround(point, indices[position])) {
          confirmed[position][std::size_t(choice)] = true;
          continue;
        }
        thin[position].emplace_back(point, candidateOf[position][std::size_t(choice)]);
      }
      again = true;
      if (picksLeft[position] <= 0) {
        // Nowhere confirmed within the picks allowed: no label rather than a doubtful one.
        candidates = AnchorCandidates();
        candidateOf[position].clear();
        confirmed[position].clear();
        continue;
      }
      candidates.points.erase(candidates.points.begin() + choice);
      candidateOf[position].erase(candidateOf[position].begin() + choice);
      confirmed[position].erase(confirmed[position].begin() + choice);
      if (candidates.kept == choice) {
        candidates.kept = -1;
      } else if (candidates.kept > choice) {
        --candidates.kept;
      }
    }
  }

  bool changed = false;
  // A structure not asked about is not shown: it starts afresh when it comes back.
  for (std::size_t index = 0; index < structures.size(); ++index) {
    if (std::find(indices.begin(), indices.end(), index) == indices.end()) {
      changed = changed || structures[index].hasAnchor;
      structures[index].hasAnchor = false;
    }
  }
  // A thin structure takes the point of those named at their centre furthest from the others.
  std::vector<QPointF> taken;
  for (std::size_t position = 0; position < indices.size(); ++position) {
    if (chosen[position] >= 0) {
      taken.push_back(inSight[position].points[std::size_t(chosen[position])]);
    }
  }
  std::vector<int> thinAnchor(indices.size(), -1);
  for (std::size_t position = 0; position < indices.size(); ++position) {
    double clearest = -1;
    QPointF clearestPoint;
    for (const auto& [point, candidate] : thin[position]) {
      double clearance = std::numeric_limits<double>::infinity();
      for (const QPointF& other : taken) {
        clearance = std::min(clearance, std::hypot(point.x() - other.x(), point.y() - other.y()));
      }
      if (chosen[position] < 0 && clearance > clearest) {
        clearest = clearance;
        clearestPoint = point;
        thinAnchor[position] = candidate;
      }
    }
    if (thinAnchor[position] >= 0) {
      taken.push_back(clearestPoint);
    }
  }
  for (std::size_t position = 0; position < indices.size(); ++position) {
    Structure& entry = structure(indices[position]);
    const int choice = chosen[position];
    const int anchor =
      choice >= 0 ? candidateOf[position][std::size_t(choice)] : thinAnchor[position];
    const bool hasAnchor = anchor >= 0;
    const std::array<double, 3> point =
      hasAnchor ? pointsOf[position][std::size_t(anchor)] : std::array<double, 3>{};
    changed = changed || hasAnchor != entry.hasAnchor || (hasAnchor && point != entry.anchor);
    entry.hasAnchor = hasAnchor;
    entry.anchor = point;
  }
  return changed;
}
