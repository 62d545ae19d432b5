#include "SampleAnatomy.h"

#include "loading/SectionTransforms.h"

#include <vtkMatrix4x4.h>
#include <vtkNew.h>
#include <vtkTransform.h>

#include <algorithm>
#include <limits>

namespace sample {

const std::array<StructureInfo, structureCount>&
structureInfos()
{
  // Bone and cartilage opaque for a clear first view; the soft tissues around the joint
  // translucent so that the ossicles show through them. Each structure wears its own hue, so a
  // student tells neighbours apart at a glance: ivory incus and sand stapes, blue and violet
  // cartilages, straw capsule, orange tendon, red vessels, pink areolar tissue and a sea-green
  // joint space.
  static const std::array<StructureInfo, structureCount> infos = { {
    { "Incus", "/Joint/Incus.vtk", "1", 1.0, { 0.94, 0.90, 0.78 }, 228 },
    { "Incus Articular Cartilage",
      "/Joint/Incus_Articular_Cartilage.vtk",
      "1",
      1.0,
      { 0.45, 0.70, 0.98 },
      178 },
    { "Incus Blood Vessels", "/Joint/Incus_Blood_Vessels.vtk", "1", 1.0, { 0.80, 0.10, 0.12 }, 48 },
    { "Incus Areolar Tissue",
      "/Joint/Incus_Areolar_Tissue.vtk",
      "0.2",
      0.2,
      { 0.96, 0.66, 0.76 },
      100 },
    { "Stapes", "/Joint/Stapes.vtk", "1", 1.0, { 0.80, 0.64, 0.44 }, 228 },
    { "Stapes Articular Cartilage",
      "/Joint/Stapes_Articular_Cartilage.vtk",
      "1",
      1.0,
      { 0.70, 0.55, 0.95 },
      178 },
    { "Capsular Ligamental Fibers",
      "/Joint/Capsular_Ligamental_Fibers.vtk",
      "0.5",
      0.5,
      { 0.95, 0.88, 0.35 },
      130 },
    { "Stapedius Tendon", "/Joint/Stapedius_Tendon.vtk", "1", 1.0, { 0.96, 0.55, 0.15 }, 152 },
    { "Joint Space", "/Joint/Joint_Space.vtk", "0.6", 0.6, { 0.30, 0.82, 0.68 }, 75 },
  } };
  return infos;
}

void
buildVolumePlacement(vtkTransform* placement)
{
  buildSectionTransform(SectionAxis::Z, placement);
  // The Z plane widget's reslice frame at its initial slice (index 57) is the volume frame
  // shifted by half a voxel in x and y and by the slice's height in z.
  const int initialSlice = volumeDimensions[2] / 2;
  placement->Translate(
    0.5 * volumeSpacing[0], 0.5 * volumeSpacing[1], -initialSlice * volumeSpacing[2]);
  placement->Update();
}

namespace {

constexpr double far = 1.0e3;

// Scaling by factors of at most 1 keeps a field evaluated at the scaled point no steeper than the
// distance.
Vec3
squashed(const Vec3& v, const Vec3& squash)
{
  return { v.x * squash.x, v.y * squash.y, v.z * squash.z };
}

// Sizes follow published measurements of adult human ossicles (millimetres, mean and range):
// - stapes height 3.29 (2.80-3.93; Dass, Grewal and Thapar 1966, 165 stapes) and 3.43
//   (3.20-3.80; Calligas and Todd 2018, micro-CT); head to the footplate's lateral face 3.19
//   (2.91-3.45) in ten stapes from fresh temporal bones;
// - footplate 2.71 (2.52-2.97) long and 1.23 (1.12-1.46) wide (Calligas and Todd 2018), about
//   3 x 1.4 in most anatomy texts;
// - stapes head 1.14 (0.91-1.49) along the footplate's long axis and 0.83 (0.65-1.08) across;
//   neck 1.18 by 0.64; anterior crus 0.58 wide at the arch and 0.51 at the footplate, posterior
//   0.65 and 0.55 (the same ten stapes); the posterior crus thicker and more curved;
// - incus length 6.51 (SD 0.32), tips of the long and short processes 6.06 (SD 0.35) apart
//   (23 incudes, Int J Morphol); angle between the processes' axes 67.5 (58-77; Todd and
//   Specht 2019, 41 crania);
// - long process 1.5 above its tip 0.90 by 0.65 across (0.52-1.15; Miklos et al. 2013, 50
//   incudes).

// The long process of the incus, from the body down to its tip above the lenticular process.
const Vec3 longProcessControl[4] = { { -1.35, -0.70, 4.55 },
                                     { -1.05, -0.35, 3.00 },
                                     { -0.85, -0.02, 1.40 },
                                     { -0.78, 0.05, 0.42 } };

double
longProcessRadius(double t)
{
  return 0.48 - 0.17 * t;
}

// The articular surfaces are parts of concentric spheres around this centre: the lenticular
// process convex, the head of the stapes concave.
const Vec3 jointSphereCentre{ -1.0, 0.0, 0.0 };
constexpr double jointSphereRadius = 1.0;

const Vec3 lenticularCentre{ -0.40, 0.0, 0.0 };
const Vec3 lenticularRadii{ 0.34, 0.38, 0.36 };
const Vec3 stapesHeadCentre{ 0.40, 0.0, 0.0 };
const Vec3 stapesHeadRadii{ 0.38, 0.52, 0.40 };
constexpr double boneFace = 0.18;       // the bones' articular faces, on the joint sphere scale
constexpr double cartilageFace = 0.055; // the cartilages' free faces
constexpr double cartilageRadius = 0.32;
constexpr double jointSpaceRadius = 0.30;

const Vec3 footplateCentre{ 3.34, 0.0, 0.0 };
constexpr double footplateHalfLength = 1.44; // along y
constexpr double footplateHalfWidth = 0.67;  // along z
constexpr double footplateHalfThickness = 0.11;

const Vec3 ligamentEnds[2] = { { -0.42, 0.0, 0.0 }, { 0.36, 0.0, 0.0 } };
constexpr double ligamentRadius = 0.56;

const Vec3 incusBodyCentre{ -1.50, -0.40, 5.35 };
const Vec3 incusBodyRadii{ 0.78, 1.20, 1.22 };
const Vec3 malleusFacetCentre{ -1.60, -2.35, 5.70 };
constexpr double malleusFacetRadius = 1.0;

// Surroundings that are no structure: the medial wall with the oval window and the vestibule,
// the facial canal above the window, the posterior wall with the pyramidal eminence.
constexpr double medialWallX = 3.13;
constexpr double footplateMedialX = 3.45;
constexpr double windowTunnelEnd = 3.87;
const Vec3 vestibuleCentre{ 4.27, 0.3, -0.1 };
const Vec3 vestibuleRadii{ 0.8, 1.9, 1.5 };
constexpr double facialCanalX = 2.69, facialCanalZ = 1.45;
constexpr double facialCanalRadius = 0.66, facialNerveRadius = 0.42;
constexpr double posteriorWallY = 3.35;
constexpr double mucosaThickness = 0.025; // lining the walls of the cavity
const Vec3 eminenceBase{ 1.10, 3.70, -0.20 }, eminenceTip{ 0.98, 2.55, -0.06 };
const Vec3 muscleCanalStart{ 1.08, 3.45, -0.12 }, muscleCanalEnd{ 1.30, 6.50, -0.50 };

double
jointSphere(const Vec3& q)
{
  return length(q - jointSphereCentre) - jointSphereRadius;
}

double
axialRadius(const Vec3& q)
{
  return std::sqrt(q.y * q.y + q.z * q.z);
}

} // namespace

JointAnatomy::Tube
JointAnatomy::makeTube(const std::vector<Vec3>& points,
                       const std::vector<double>& radii,
                       const Vec3& squash)
{
  Tube tube{ {}, radii, squash, { points[0], points[0] } };
  for (size_t i = 0; i < points.size(); ++i) {
    tube.points.push_back(squashed(points[i], squash));
    tube.bounds =
      unite(tube.bounds,
            around(points[i], { radii[i] / squash.x, radii[i] / squash.y, radii[i] / squash.z }));
  }
  return tube;
}

JointAnatomy::JointAnatomy()
{
  vtkNew<vtkTransform> placement;
  buildVolumePlacement(placement);
  vtkMatrix4x4* matrix = placement->GetMatrix();
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 3; ++column) {
      toAnatomical[row][column] = matrix->GetElement(row, column);
    }
  }
  // The joint sits in the slab so that the footplate reaches just past its far side and the
  // long process comes in from above it.
  jointVolume = { 4.0, 4.3, 0.9 };
  double joint[3] = { jointVolume.x, jointVolume.y, jointVolume.z };
  placement->TransformPoint(joint, joint);
  jointModel = { joint[0], joint[1], joint[2] };

  constexpr int tubeSegments = 16;
  std::vector<Vec3> points;
  std::vector<double> radii;
  auto longProcessPoint = [](double t) {
    return bezier(longProcessControl[0],
                  longProcessControl[1],
                  longProcessControl[2],
                  longProcessControl[3],
                  t);
  };
  for (int i = 0; i <= tubeSegments; ++i) {
    const double t = double(i) / tubeSegments;
    points.push_back(longProcessPoint(t));
    radii.push_back(longProcessRadius(t));
  }
  longProcess = makeTube(points, radii);

  // Loose tissue sheathing the long process, thick enough to carry the vessels inside it and
  // gently uneven like the soft tissue it is.
  points.clear();
  radii.clear();
  for (int i = 0; i <= 2 * tubeSegments; ++i) {
    const double t = 0.15 + 0.85 * double(i) / (2 * tubeSegments);
    points.push_back(longProcessPoint(t));
    radii.push_back(longProcessRadius(t) + 0.22 +
                    0.025 * std::sin(2.0 * 3.14159265358979 * 3.5 * t));
  }
  areolarSleeve = makeTube(points, radii);

  // The short process: flat from side to side, tall where it leaves the body, pointing back and
  // a little down to its tip.
  shortProcess = makeTube({ { -1.55, 0.30, 5.45 }, { -1.60, 1.55, 4.95 }, { -1.65, 2.80, 4.35 } },
                          { 0.50, 0.34, 0.15 },
                          { 1.0, 1.0, 0.55 });

  // The crura are flat bars, about twice as broad across the arch as they are thick in it.
  auto crus =
    [&](const Vec3& a, const Vec3& control, const Vec3& b, double radiusA, double radiusB) {
      std::vector<Vec3> crusPoints;
      std::vector<double> crusRadii;
      for (int i = 0; i <= 10; ++i) {
        const double t = i / 10.0;
        const double s = 1.0 - t;
        crusPoints.push_back(s * s * a + 2.0 * s * t * control + t * t * b);
        crusRadii.push_back(radiusA + t * (radiusB - radiusA));
      }
      return makeTube(crusPoints, crusRadii, { 1.0, 1.0, 0.45 });
    };
  // The anterior crus thinner and nearly straight, the posterior thicker and bowed.
  anteriorCrus = crus({ 0.90, -0.10, 0.0 }, { 1.80, -1.02, 0.0 }, { 3.26, -1.12, 0.0 }, 0.12, 0.11);
  posteriorCrus = crus({ 0.90, 0.10, 0.0 }, { 1.75, 1.34, 0.0 }, { 3.26, 1.18, 0.0 }, 0.14, 0.12);

  points.clear();
  radii.clear();
  for (int i = 0; i <= 12; ++i) {
    const double t = i / 12.0;
    points.push_back(bezier(
      { 0.95, 0.24, 0.12 }, { 0.88, 1.20, 0.24 }, { 0.98, 2.30, 0.05 }, { 1.08, 3.45, -0.12 }, t));
    radii.push_back(0.14 + 0.03 * std::sin(3.14159265358979 * t));
  }
  tendon = makeTube(points, radii);

  // Vessels run in the sheath along the long process, winding gently around it.
  auto vessel = [&](double t0, double t1, double radius, auto angleAt) {
    std::vector<Vec3> vesselPoints;
    std::vector<double> vesselRadii;
    constexpr int segments = 20;
    for (int i = 0; i <= segments; ++i) {
      const double t = t0 + (t1 - t0) * i / segments;
      const Vec3 axis = longProcessPoint(t);
      const Vec3 tangent = normalized(longProcessPoint(std::min(1.0, t + 0.01)) -
                                      longProcessPoint(std::max(0.0, t - 0.01)));
      const Vec3 medial = normalized(Vec3{ 1, 0, 0 } - tangent.x * tangent);
      const Vec3 anterior = cross(tangent, medial);
      const double angle = angleAt(t);
      const Vec3 direction = std::cos(angle) * medial + std::sin(angle) * anterior;
      vesselPoints.push_back(axis + (longProcessRadius(t) + 0.085) * direction);
      vesselRadii.push_back(radius);
    }
    return makeTube(vesselPoints, vesselRadii);
  };
  constexpr double degree = 3.14159265358979 / 180.0;
  auto posteromedial = [=](double t) {
    return (-45.0 + 25.0 * std::sin(2.0 * 3.14159265358979 * 1.5 * t)) * degree;
  };
  vessels.push_back(vessel(0.2, 0.95, 0.055, posteromedial));
  vessels.push_back(vessel(0.25, 0.78, 0.050, [=](double t) {
    return (135.0 + 20.0 * std::sin(2.0 * 3.14159265358979 * 2.0 * t)) * degree;
  }));
  // A branch leaving the posteromedial vessel and wrapping round to the front.
  vessels.push_back(vessel(0.55, 0.68, 0.040, [=](double t) {
    const double f = (t - 0.55) / 0.13;
    return (1.0 - f) * posteromedial(0.55) + f * 60.0 * degree;
  }));

  Box incus = around(incusBodyCentre, incusBodyRadii);
  incus = unite(incus, shortProcess.bounds);
  incus = unite(incus, longProcess.bounds);
  incus = unite(incus, around(lenticularCentre, lenticularRadii));
  const Box lenticularCap = { { -0.45, -cartilageRadius, -cartilageRadius },
                              { 0.0, cartilageRadius, cartilageRadius } };
  const Box stapesCap = { { 0.0, -cartilageRadius, -cartilageRadius },
                          { 0.45, cartilageRadius, cartilageRadius } };
  Box stapes = around(stapesHeadCentre, stapesHeadRadii);
  stapes = unite(stapes, anteriorCrus.bounds);
  stapes = unite(stapes, posteriorCrus.bounds);
  stapes = unite(
    stapes,
    around(footplateCentre, { footplateHalfThickness, footplateHalfLength, footplateHalfWidth }));
  Box vesselBounds = vessels[0].bounds;
  for (const Tube& tube : vessels) {
    vesselBounds = unite(vesselBounds, tube.bounds);
  }
  const Box ligament =
    unite(around(ligamentEnds[0], { ligamentRadius, ligamentRadius, ligamentRadius }),
          around(ligamentEnds[1], { ligamentRadius, ligamentRadius, ligamentRadius }));
  const Box jointSpace = { { -0.1, -jointSpaceRadius, -jointSpaceRadius },
                           { 0.1, jointSpaceRadius, jointSpaceRadius } };
  // Smooth unions bulge out by at most a quarter of their fillet size; the margin covers that
  // and keeps every point with a field below the gap inside the bounds.
  constexpr double margin = 0.16;
  anatomicalBounds[Incus] = grow(incus, margin);
  anatomicalBounds[IncusCartilage] = grow(lenticularCap, margin);
  anatomicalBounds[IncusVessels] = grow(vesselBounds, margin);
  anatomicalBounds[IncusAreolarTissue] = grow(areolarSleeve.bounds, margin);
  anatomicalBounds[Stapes] = grow(stapes, margin);
  anatomicalBounds[StapesCartilage] = grow(stapesCap, margin);
  anatomicalBounds[CapsularLigament] = grow(ligament, margin);
  anatomicalBounds[StapediusTendon] = grow(tendon.bounds, margin);
  anatomicalBounds[JointSpace] = grow(jointSpace, margin);
}

Vec3
JointAnatomy::anatomical(const Vec3& volumePoint) const
{
  const Vec3 d = volumePoint - jointVolume;
  return { toAnatomical[0][0] * d.x + toAnatomical[0][1] * d.y + toAnatomical[0][2] * d.z,
           toAnatomical[1][0] * d.x + toAnatomical[1][1] * d.y + toAnatomical[1][2] * d.z,
           toAnatomical[2][0] * d.x + toAnatomical[2][1] * d.y + toAnatomical[2][2] * d.z };
}

double
JointAnatomy::tubeField(const Tube& tube, const Vec3& q) const
{
  // Far from the tube the distance to its bounds is a cheap lower bound.
  // The threshold exceeds every fillet size, so smooth unions cannot tell the difference.
  const double outside = boxDistance(tube.bounds, q);
  if (outside > 0.5) {
    return outside;
  }
  const Vec3 scaled = squashed(q, tube.squash);
  double field = far;
  for (size_t i = 0; i + 1 < tube.points.size(); ++i) {
    field = std::min(
      field, capsule(scaled, tube.points[i], tube.points[i + 1], tube.radii[i], tube.radii[i + 1]));
  }
  return field;
}

bool
JointAnatomy::nearStructure(int structure, const Vec3& q, double radius) const
{
  return boxDistance(anatomicalBounds[structure], q) <= radius;
}

double
JointAnatomy::rawField(int structure, const Vec3& q) const
{
  switch (structure) {
    case Incus: {
      double field = ellipsoid(q, incusBodyCentre, incusBodyRadii);
      // Broad fillets: the processes grow out of the body rather than being set on it.
      field = smoothMin(field, tubeField(shortProcess, q), 0.6);
      field = smoothMin(field, tubeField(longProcess, q), 0.45);
      field =
        smoothMin(field, capsule(q, longProcessControl[3], { -0.52, 0.0, 0.08 }, 0.15, 0.15), 0.08);
      const double lenticular =
        smoothMax(ellipsoid(q, lenticularCentre, lenticularRadii), jointSphere(q) + boneFace, 0.04);
      field = smoothMin(field, lenticular, 0.06);
      // The saddle-shaped facet where the head of the malleus articulates.
      return smoothMax(field, -(length(q - malleusFacetCentre) - malleusFacetRadius), 0.12);
    }
    case IncusCartilage: {
      const double shell = std::abs(jointSphere(q) + 0.1425) - 0.0875;
      return smoothMax(shell, axialRadius(q) - cartilageRadius, 0.03);
    }
    case IncusVessels: {
      double field = far;
      for (const Tube& tube : vessels) {
        field = std::min(field, tubeField(tube, q));
      }
      return field;
    }
    case IncusAreolarTissue:
      return tubeField(areolarSleeve, q);
    case Stapes: {
      const double head =
        smoothMax(ellipsoid(q, stapesHeadCentre, stapesHeadRadii), boneFace - jointSphere(q), 0.04);
      // The neck: as broad as the head along the footplate's long axis, half as deep across it.
      const double neck =
        capsule(squashed(q, { 1.0, 0.62, 1.0 }), { 0.62, 0, 0 }, { 0.97, 0, 0 }, 0.28, 0.26);
      double field = smoothMin(head, neck, 0.1);
      field = smoothMin(field, tubeField(anteriorCrus, q), 0.08);
      field = smoothMin(field, tubeField(posteriorCrus, q), 0.08);
      // The footplate: an oval plate with rounded rims.
      constexpr double rounding = 0.05;
      const Vec3 d = q - footplateCentre;
      const double across = std::abs(d.x) - footplateHalfThickness + rounding;
      const double along = ellipse(d.y, d.z, footplateHalfLength, footplateHalfWidth) + rounding;
      const double plate = std::sqrt(std::max(across, 0.0) * std::max(across, 0.0) +
                                     std::max(along, 0.0) * std::max(along, 0.0)) +
                           std::min(std::max(across, along), 0.0) - rounding;
      return smoothMin(field, plate, 0.1);
    }
    case StapesCartilage: {
      const double shell = std::abs(jointSphere(q) - 0.1425) - 0.0875;
      return smoothMax(shell, axialRadius(q) - cartilageRadius, 0.03);
    }
    case CapsularLigament: {
      // Bundles of fibres show as shallow ridges along the joint, fading toward its axis.
      const double radial = axialRadius(q);
      const double fade = std::min(1.0, radial / 0.35);
      const double ridges = 0.018 * fade * fade * std::cos(7.0 * std::atan2(q.z, q.y));
      return 0.85 * (capsule(q, ligamentEnds[0], ligamentEnds[1], ligamentRadius, ligamentRadius) -
                     ridges);
    }
    case StapediusTendon:
      return tubeField(tendon, q);
    case JointSpace: {
      const double layer = std::abs(jointSphere(q)) - 0.07;
      return smoothMax(layer, axialRadius(q) - jointSpaceRadius, 0.02);
    }
  }
  return far;
}

namespace {

// Where two structures overlap the one listed first keeps the overlap.
constexpr int priority[structureCount] = { Incus,           Stapes,           IncusCartilage,
                                           StapesCartilage, JointSpace,       IncusVessels,
                                           StapediusTendon, CapsularLigament, IncusAreolarTissue };

int
rankOf(int structure)
{
  for (int rank = 0; rank < structureCount; ++rank) {
    if (priority[rank] == structure) {
      return rank;
    }
  }
  return structureCount;
}

} // namespace

double
JointAnatomy::regionField(int structure, const Vec3& volumePoint) const
{
  const Vec3 q = anatomical(volumePoint);
  if (!nearStructure(structure, q, 0.0)) {
    return boxDistance(anatomicalBounds[structure], q) + gap;
  }
  double field = rawField(structure, q);
  const int rank = rankOf(structure);
  for (int higher = 0; higher < rank; ++higher) {
    const int other = priority[higher];
    if (nearStructure(other, q, 0.0)) {
      field = std::max(field, gap - rawField(other, q));
    }
  }
  return field;
}

Box
JointAnatomy::structureBounds(int structure) const
{
  // The corners of the anatomical bounds, taken back into the volume frame.
  const Box& box = anatomicalBounds[structure];
  Box result{ { far, far, far }, { -far, -far, -far } };
  for (int corner = 0; corner < 8; ++corner) {
    const Vec3 q{ (corner & 1) ? box.high.x : box.low.x,
                  (corner & 2) ? box.high.y : box.low.y,
                  (corner & 4) ? box.high.z : box.low.z };
    // The rows of toAnatomical are orthonormal, so its transpose takes anatomical offsets back.
    const Vec3 p{ jointVolume.x + toAnatomical[0][0] * q.x + toAnatomical[1][0] * q.y +
                    toAnatomical[2][0] * q.z,
                  jointVolume.y + toAnatomical[0][1] * q.x + toAnatomical[1][1] * q.y +
                    toAnatomical[2][1] * q.z,
                  jointVolume.z + toAnatomical[0][2] * q.x + toAnatomical[1][2] * q.y +
                    toAnatomical[2][2] * q.z };
    result = unite(result, { p, p });
  }
  return result;
}

std::uint8_t
JointAnatomy::greyValue(const Vec3& volumePoint, double radius, bool* uniform) const
{
  const Vec3 q = anatomical(volumePoint);
  bool same = true;
  // The allowance covers rounding.
  auto settled = [&](double field, double threshold) {
    if (std::abs(field - threshold) <= 1.01 * radius + 1e-9) {
      same = false;
    }
  };

  // Structures: the first in priority order whose shape holds the point, unless the point lies
  // within the gap of a structure ranked higher, which then claims it.
  int label = -1;
  int gapOwner = -1;
  for (const int structure : priority) {
    if (label >= 0 && !uniform) {
      break;
    }
    if (!nearStructure(structure, q, radius)) {
      continue;
    }
    const double field = rawField(structure, q);
    settled(field, 0.0);
    settled(field, gap);
    if (label < 0) {
      if (field < 0.0) {
        label = gapOwner >= 0 ? gapOwner : structure;
      } else if (field < gap && gapOwner < 0) {
        gapOwner = structure;
      }
    }
  }

  // The surroundings.
  const double canal = std::sqrt((q.x - facialCanalX) * (q.x - facialCanalX) +
                                 (q.z - facialCanalZ) * (q.z - facialCanalZ));
  const double nerve = canal - facialNerveRadius;
  const double muscle = capsule(q, muscleCanalStart, muscleCanalEnd, 0.3, 0.3);
  const double vestibule = ellipsoid(q, vestibuleCentre, vestibuleRadii);
  const double window = ellipse(q.y, q.z, footplateHalfLength + 0.08, footplateHalfWidth + 0.08);
  // The promontory bulges out below the oval window.
  const double promontory = 0.75 * std::exp(-((q.z + 2.3) * (q.z + 2.3) / 1.2 + q.y * q.y / 5.0));
  // The walls undulate gently rather than being flat.
  const double medialWall = 0.75 * (medialWallX - promontory +
                                    0.06 * std::sin(1.7 * q.y + 0.4) * std::cos(1.1 * q.z) - q.x);
  const double posteriorWall =
    0.95 * (posteriorWallY + 0.08 * std::sin(1.3 * q.x + 0.9 * q.z + 1.0) - q.y);
  const double bone =
    std::min(std::min(std::max(medialWall, -window), posteriorWall),
             std::min(capsule(q, eminenceBase, eminenceTip, 0.6, 0.3), canal - facialCanalRadius));
  settled(nerve, 0.0);
  settled(muscle, 0.0);
  settled(vestibule, 0.0);
  settled(window, 0.0);
  settled(medialWall, 0.0);
  settled(bone, 0.0);
  settled(bone, mucosaThickness);
  settled(q.x - footplateMedialX, 0.0);
  settled(q.x - windowTunnelEnd, 0.0);
  if (uniform) {
    *uniform = same;
  }

  if (label >= 0) {
    return structureInfos()[label].greyValue;
  }
  if (nerve < 0 || muscle < 0) {
    return grey::nerve;
  }
  if (vestibule < 0) {
    return grey::perilymph;
  }
  if (bone < 0) {
    return grey::wallBone;
  }
  if (window < 0 && medialWall < 0 && q.x < windowTunnelEnd) {
    return q.x < footplateMedialX ? grey::annularLigament : grey::perilymph;
  }
  if (bone < mucosaThickness) {
    return grey::mucosa;
  }
  return grey::air;
}

HeadShape::HeadShape(const Vec3& middleEar)
  // The middle ear lies about 46 mm lateral of the midline, level with the ear canal.
  : centre{ middleEar.x + 46.0, middleEar.y, middleEar.z }
{
}

Box
HeadShape::bounds() const
{
  return { centre + Vec3{ -90, -140, -160 }, centre + Vec3{ 90, 105, 140 } };
}

double
HeadShape::field(const Vec3& modelPoint) const
{
  // u toward the left side of the head (the model's medial direction for this right ear),
  // v toward the back, w up; the origin between the ear canals.
  const Vec3 h = modelPoint - centre;
  const Vec3 mirrored{ std::abs(h.x), h.y, h.z };

  double head = ellipsoid(h, { 0, -8, 42 }, { 74, 96, 88 });                      // cranium
  head = smoothMin(head, ellipsoid(h, { 0, -52, -22 }, { 58, 52, 66 }), 14);      // face
  head = smoothMin(head, ellipsoid(h, { 0, -74, -72 }, { 36, 30, 26 }), 10);      // jaw and chin
  head = smoothMin(head, ellipsoid(mirrored, { 44, -72, 0 }, { 18, 22, 16 }), 8); // cheekbones
  head = smoothMin(head, ellipsoid(h, { 0, -94, 33 }, { 50, 13, 12 }), 10);       // brow ridge
  // Eyes: shallow sockets under the brow, the eyeballs set into them.
  head = smoothMax(head, -(length(mirrored - Vec3{ 31, -99, 20 }) - 12), 6);
  head = smoothMin(head, length(mirrored - Vec3{ 31, -85, 20 }) - 10.5, 3);
  // Nose: the bridge from between the eyes down to the tip, with the wings of the nostrils.
  head = smoothMin(head, capsule(h, { 0, -100, 22 }, { 0, -121, -14 }, 6, 10), 5);
  head = smoothMin(head, ellipsoid(h, { 0, -110, -18 }, { 17, 12, 9 }), 5);
  // Lips, upper and lower.
  head = smoothMin(head, ellipsoid(h, { 0, -102, -37 }, { 21, 8, 5.5 }), 4);
  head = smoothMin(head, ellipsoid(h, { 0, -100, -48 }, { 18, 8, 6 }), 4);
  // Ears: the auricle as a tilted plate with a rim, the bowl of the concha carved into it.
  const Vec3 ear = mirrored - Vec3{ 70, 10, 6 };
  const double tilt = 0.26; // leaning back
  const Vec3 tilted{ ear.x,
                     std::cos(tilt) * ear.y - std::sin(tilt) * ear.z,
                     std::sin(tilt) * ear.y + std::cos(tilt) * ear.z };
  double auricle = ellipsoid(tilted, { 0, 0, 0 }, { 5, 17, 30 });
  const double rim =
    std::sqrt(std::pow(ellipse(tilted.y, tilted.z, 15, 27), 2) + std::pow(tilted.x - 2.5, 2)) - 3.2;
  auricle = smoothMin(auricle, rim, 2);
  auricle = smoothMax(auricle, -(length(tilted - Vec3{ 8, -3, -6 }) - 9.5), 2);
  head = smoothMin(head, auricle, 4);
  // Neck, cut flat at the bottom.
  const double neck = capsule(h, { 0, 14, -60 }, { 0, 22, -145 }, 41, 41);
  head = smoothMin(head, smoothMax(neck, -(h.z + 145), 3), 12);
  return head;
}

} // namespace sample
