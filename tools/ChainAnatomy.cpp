#include "tools/ChainAnatomy.h"

#include <algorithm>
#include <cmath>
#include <limits>

// Sizes of the adult human ossicles and eardrum, from published morphometry (means, with the
// ranges reported across studies):
//   malleus, head to the tip of the manubrium        7.6-9.1 mm (means about 8.0)
//   manubrium                                        4.2-5.6 mm (mean about 4.9)
//   anterior process                                 about 0.8 mm
//   incus, top of the body to the long process's tip 6.51 +/- 0.32 mm (5.9-7.1)
//   tips of the incus's long and short processes     6.06 +/- 0.35 mm apart (5.4-6.8)
//   incus long process diameter                      0.5-1.15 mm (mean 0.90 by 0.65)
//   angle between the incus processes' axes          67.5 degrees (58-77; Todd and Specht
//                                                    2019, 41 crania), met in the body
//   stapes height, head to the footplate             2.8-3.9 mm (mean 3.3)
//   stapes head                                      1.14 by 0.83 mm
//   stapes crura                                     0.5-0.65 mm wide, the posterior thicker
//   footplate                                        2.6-3.4 mm long (mean 3.0), 1.2-1.7 mm wide
//                                                    (mean 1.4), 0.2-0.3 mm thick
//   eardrum                                          8.5-10 mm high, 8-9 mm wide, umbo
//                                                    1.5-2 mm medial of the rim's plane
//   eardrum's outer face                             looks laterally, anteriorly and
//                                                    inferiorly: its plane 45-50 degrees to
//                                                    the horizontal and about 50 degrees to
//                                                    the median plane, its inferior and
//                                                    anterior margins 7 and 5 mm medial of
//                                                    the superior and posterior ones
//                                                    (Rauber-Kopsch)
//   umbo to the promontory                           about 2 mm
// The manubrium lies in the membrane from the lateral process, at the rim, to the umbo 1.5 mm
// deep, and passes in front of the incudostapedial joint with half a millimetre to spare: that
// generatrix can lean only so far medially, so the chain's membrane faces about 16 degrees down
// and 34 forward (its plane 73 degrees to the horizontal and 37 to the median plane, its
// inferior and anterior margins 2.4 and 4.1 mm medial of the superior and posterior ones), short
// of the textbook's tilt. Tilting it further would need the whole chain turned in the head, the
// stapes and the oval window with it.
// The eardrum (0.05-0.1 mm thick) and the annular ligament (under 0.1 mm wide) are thinner than
// the 0.07 mm voxels of the label map; they are drawn 0.2-0.3 mm thick so that every voxel slice
// holds them and their surfaces stay closed.

namespace chain {

using sample::around;
using sample::capsule;
using sample::clamp01;
using sample::ellipse;
using sample::ellipsoid;
using sample::normalized;
using sample::smoothMax;
using sample::smoothMin;

namespace {

constexpr double far = 1.0e3;
constexpr double pi = 3.14159265358979;

// Malleus.
const Vec3 headCentre{ -1.70, -1.95, 5.00 };
const Vec3 headRadii{ 0.95, 1.10, 1.25 };
const Vec3 neckTop{ -2.20, -1.80, 3.60 };
const Vec3 manubriumTop{ -2.55, -1.65, 2.75 }; // level with the lateral process
// The manubrium runs down, back and medially in the membrane to the umbo, 2.5 mm lateral of the
// promontory. The malleus and the incus's body stand forward of the lenticular process, so that
// the long process slants back a little as it descends and the manubrium passes in front of the
// incudostapedial joint.
const Vec3 manubriumTip{ 0.20, -1.10, -1.65 };
const Vec3 spatulaRadii{ 0.25, 0.45, 0.42 }; // the flattened tip under the umbo
const Vec3 lateralProcessEnd{ -3.00, -1.65, 2.80 };
const Vec3 anteriorProcessStart{ -2.20, -2.30, 3.60 };
const Vec3 anteriorProcessEnd{ -2.15, -3.10, 3.75 };
// The head's shell this thick is the incudomalleolar joint (cartilage and joint space).
constexpr double incudomalleolarThickness = 0.21;

// Incus.
const Vec3 incusBodyCentre{ -1.60, -0.20, 4.85 };
const Vec3 incusBodyRadii{ 0.85, 1.05, 1.20 };
const Vec3 longProcessTip{ -0.80, 0.12, 0.60 };
const Vec3 lenticularCentre{ -0.40, 0.0, 0.0 };
const Vec3 lenticularRadii{ 0.22, 0.42, 0.38 };

// Stapes: head laterally at the joint, footplate medially in the oval window; the footplate's
// long axis runs from front to back.
const Vec3 stapesHeadCentre{ 0.35, 0.0, 0.0 };
const Vec3 stapesHeadRadii{ 0.35, 0.57, 0.42 };
const Vec3 footplate{ 3.15, 0.0, 0.0 };
constexpr double footplateHalfThickness = 0.15;
constexpr double footplateHalfLength = 1.50;
constexpr double footplateHalfWidth = 0.70;
constexpr double annularWidth = 0.22;

// Umbo depth medial of the eardrum's rim and the rim's half-axes from the umbo.
constexpr double umboDepth = 1.5;
constexpr double rimBelow = 4.2, rimAcross = 4.0;
// The membrane's rim plane turned about the manubrium from facing straight out to facing
// forward as well, by 35 degrees.
constexpr double membraneTurn = 35.0 * pi / 180.0;
constexpr double tensaHalfThickness = 0.10, flaccidaHalfThickness = 0.14;

double
footplateField(const Vec3& p)
{
  // An oval plate with rounded rims.
  constexpr double rounding = 0.06;
  const Vec3 d = p - footplate;
  const double across = std::abs(d.x) - footplateHalfThickness + rounding;
  const double along = ellipse(d.y, d.z, footplateHalfLength, footplateHalfWidth) + rounding;
  return std::sqrt(std::max(across, 0.0) * std::max(across, 0.0) +
                   std::max(along, 0.0) * std::max(along, 0.0)) +
         std::min(std::max(across, along), 0.0) - rounding;
}

bool
inside(const Box& box, const Vec3& p)
{
  return p.x >= box.low.x && p.x <= box.high.x && p.y >= box.low.y && p.y <= box.high.y &&
         p.z >= box.low.z && p.z <= box.high.z;
}

// Where two shapes overlap the one listed first keeps the voxel: bones over their joints, the
// joints and the membrane over the soft tissue that runs into them.
constexpr Structure priority[structureCount] = { Malleus,
                                                 Incus,
                                                 Stapes,
                                                 IncudomalleolarJoint,
                                                 IncudostapedialJoint,
                                                 AnnularLigament,
                                                 ParsTensa,
                                                 ParsFlaccida,
                                                 TensorTympaniTendon,
                                                 StapediusTendon,
                                                 SuperiorMallearLigament,
                                                 LateralMallearLigament,
                                                 AnteriorMallearLigament,
                                                 PosteriorIncudalLigament,
                                                 ChordaTympani };

} // namespace

const std::array<StructureInfo, structureCount>&
structureInfos()
{
  // Bone in ivory and sand, the joints blue and violet, tendons orange, ligaments in greens and
  // straw, the translucent eardrum pink over the chain, the nerve yellow. Soft tissue and the
  // joints' cartilage and fluid read as 40-80 HU, bone as 1600-1900 HU.
  static const std::array<StructureInfo, structureCount> infos = { {
    { "Malleus", "Ossicles", { 238, 228, 196 }, 255, 1800 },
    { "Incus", "Ossicles", { 222, 200, 150 }, 255, 1800 },
    { "Stapes", "Ossicles", { 204, 163, 112 }, 255, 1650 },
    { "Incudomalleolar Joint", "Joints", { 115, 178, 250 }, 255, 80 },
    { "Incudostapedial Joint", "Joints", { 160, 120, 245 }, 255, 80 },
    { "Tensor Tympani Tendon", "Ligaments and tendons", { 245, 140, 38 }, 255, 70 },
    { "Stapedius Tendon", "Ligaments and tendons", { 230, 100, 70 }, 255, 70 },
    { "Superior Mallear Ligament", "Ligaments and tendons", { 200, 200, 110 }, 255, 60 },
    { "Lateral Mallear Ligament", "Ligaments and tendons", { 170, 215, 80 }, 255, 60 },
    { "Anterior Mallear Ligament", "Ligaments and tendons", { 100, 200, 115 }, 255, 60 },
    { "Posterior Incudal Ligament", "Ligaments and tendons", { 75, 210, 175 }, 255, 60 },
    { "Annular Ligament", "Ligaments and tendons", { 50, 165, 205 }, 255, 60 },
    { "Pars Tensa", "Membrane", { 245, 168, 194 }, 115, 40 },
    { "Pars Flaccida", "Membrane", { 215, 110, 160 }, 140, 45 },
    { "Chorda Tympani", "Nerve", { 255, 236, 40 }, 255, 35 },
  } };
  return infos;
}

ChainAnatomy::Tube
ChainAnatomy::makeTube(const std::vector<Vec3>& points, const std::vector<double>& radii)
{
  Tube tube{ points, radii, { points[0], points[0] } };
  for (std::size_t i = 0; i < points.size(); ++i) {
    tube.bounds = sample::unite(tube.bounds, around(points[i], { radii[i], radii[i], radii[i] }));
  }
  return tube;
}

ChainAnatomy::Tube
ChainAnatomy::bezierTube(const Vec3& p0,
                         const Vec3& p1,
                         const Vec3& p2,
                         const Vec3& p3,
                         double radius0,
                         double radius1,
                         int segments)
{
  std::vector<Vec3> points;
  std::vector<double> radii;
  for (int i = 0; i <= segments; ++i) {
    const double t = double(i) / segments;
    points.push_back(sample::bezier(p0, p1, p2, p3, t));
    radii.push_back(radius0 + t * (radius1 - radius0));
  }
  return makeTube(points, radii);
}

double
ChainAnatomy::tubeField(const Tube& tube, const Vec3& p)
{
  // Far from the tube the distance to its box is a cheap lower bound.
  const double outside = sample::boxDistance(tube.bounds, p);
  if (outside > 0.5) {
    return outside;
  }
  double result = far;
  for (std::size_t i = 0; i + 1 < tube.points.size(); ++i) {
    result = std::min(
      result, capsule(p, tube.points[i], tube.points[i + 1], tube.radii[i], tube.radii[i + 1]));
  }
  return result;
}

ChainAnatomy::ChainAnatomy()
{
  // The manubrium runs down and back along the eardrum from the lateral process to the umbo,
  // tapering from 0.40 to 0.27 mm in radius.
  manubrium = bezierTube(manubriumTop,
                         manubriumTop + 0.33 * (manubriumTip - manubriumTop) + Vec3{ -0.06, 0, 0 },
                         manubriumTop + 0.67 * (manubriumTip - manubriumTop) + Vec3{ -0.05, 0, 0 },
                         manubriumTip,
                         0.40,
                         0.27,
                         10);
  // The long process descends behind the manubrium, about parallel to it, and bends medially at
  // its end; its diameter 0.84 narrowing to 0.60 mm.
  longProcess = bezierTube({ -1.45, -0.05, 4.00 },
                           { -1.30, 0.20, 2.70 },
                           { -0.95, 0.20, 1.30 },
                           longProcessTip,
                           0.42,
                           0.30,
                           14);
  // The short process points backwards and a little down, a cone from the body to the fossa
  // incudis.
  shortProcess = bezierTube({ -1.65, 0.35, 4.95 },
                            { -1.68, 1.30, 4.70 },
                            { -1.72, 2.55, 4.25 },
                            { -1.75, 3.50, 3.85 },
                            0.66,
                            0.20,
                            10);
  // The crura arch from the neck to the footplate's ends, the posterior one more curved and
  // thicker; the obturator foramen opens between them.
  anteriorCrus = bezierTube({ 1.00, -0.22, 0.0 },
                            { 1.60, -0.80, 0.0 },
                            { 2.40, -1.12, 0.0 },
                            { 3.02, -1.12, 0.0 },
                            0.14,
                            0.13,
                            12);
  posteriorCrus = bezierTube({ 1.00, 0.22, 0.0 },
                             { 1.45, 1.00, 0.0 },
                             { 2.30, 1.25, 0.0 },
                             { 3.02, 1.16, 0.0 },
                             0.17,
                             0.15,
                             12);

  // The tensor tympani tendon leaves the cochleariform process on the medial wall and turns
  // laterally to the medial face of the upper manubrium.
  tensorTendon = bezierTube({ -2.30, -1.55, 2.35 },
                            { -1.00, -1.35, 2.40 },
                            { 1.50, -0.95, 2.30 },
                            { 3.15, -0.95, 2.20 },
                            0.24,
                            0.28,
                            14);
  // The stapedius tendon comes forward out of the pyramidal eminence to the stapes' neck.
  stapediusTendon = bezierTube({ 0.60, 0.30, 0.05 },
                               { 0.75, 1.10, 0.05 },
                               { 0.85, 1.90, -0.10 },
                               { 1.00, 2.85, -0.30 },
                               0.15,
                               0.17,
                               12);
  // The chorda tympani enters from behind, passes lateral to the long process of the incus and
  // medial to the neck of the malleus, above the tensor tendon, and leaves forwards.
  chorda = makeTube({ { -2.70, 4.00, 2.40 },
                      { -2.45, 2.60, 2.75 },
                      { -2.20, 1.20, 3.00 },
                      { -2.05, 0.05, 3.10 },
                      { -1.68, -1.65, 3.10 },
                      { -1.75, -3.00, 3.25 },
                      { -2.05, -4.40, 3.50 },
                      { -2.40, -5.60, 3.70 } },
                    { 0.19, 0.19, 0.19, 0.19, 0.19, 0.19, 0.19, 0.19 });
  // Ligaments run from the ossicles to the walls of the attic.
  superiorLigament =
    makeTube({ { -1.70, -1.95, 5.90 }, { -1.62, -2.00, 7.00 }, { -1.58, -2.02, 7.70 } },
             { 0.22, 0.24, 0.30 });
  lateralLigament =
    makeTube({ { -2.40, -1.85, 4.30 }, { -3.05, -1.85, 4.75 }, { -3.65, -1.85, 4.95 } },
             { 0.20, 0.24, 0.30 });
  anteriorLigament = makeTube(
    { anteriorProcessEnd, { -2.20, -3.90, 3.85 }, { -2.25, -4.75, 3.95 } }, { 0.16, 0.24, 0.30 });
  posteriorLigament = makeTube(
    { { -1.75, 3.35, 3.90 }, { -1.78, 3.80, 3.78 }, { -1.80, 4.25, 3.70 } }, { 0.30, 0.36, 0.42 });

  // The eardrum: a shallow cone whose apex, the umbo, lies on the lateral face of the
  // manubrium's tip, its rim's plane umboDepth lateral of the umbo and through the lateral
  // process, so the membrane runs along the whole manubrium. The umbo depends on the membrane's
  // normal and the normal on the umbo; two rounds settle it to well under a voxel.
  lateralProcessTip = lateralProcessEnd - Vec3{ 0.17, 0, 0 };
  umboPoint = manubriumTip - Vec3{ spatulaRadii.x, 0, 0 };
  for (int round = 0; round < 2; ++round) {
    const Vec3 along = lateralProcessTip - umboPoint;
    const double reach = sample::length(along);
    const Vec3 e1 = normalized(along);
    const Vec3 outward = normalized(Vec3{ 1, 0, 0 } - e1.x * e1);
    const Vec3 forward = sample::cross(e1, outward);
    const Vec3 e3 = std::cos(membraneTurn) * outward + std::sin(membraneTurn) * forward;
    const double sine = umboDepth / reach;
    membraneNormal = (-sine) * e1 + std::sqrt(1.0 - sine * sine) * e3;
    umboPoint = manubriumTip - spatulaRadii.x * membraneNormal;
  }
  membraneCentre = umboPoint - umboDepth * membraneNormal;
  const Vec3 towardProcess = normalized(lateralProcessTip - umboPoint);
  membraneUp =
    normalized(towardProcess - sample::dot(towardProcess, membraneNormal) * membraneNormal);
  membraneAcross = sample::cross(membraneNormal, membraneUp);

  constexpr double margin = 0.15;
  auto grown = [](const Box& box, double size) { return sample::grow(box, size); };
  Box malleus = around(headCentre, headRadii);
  malleus = sample::unite(malleus, manubrium.bounds);
  const double spatulaReach = std::max({ spatulaRadii.x, spatulaRadii.y, spatulaRadii.z });
  malleus =
    sample::unite(malleus, around(manubriumTip, { spatulaReach, spatulaReach, spatulaReach }));
  malleus = sample::unite(malleus, around(lateralProcessEnd, { 0.3, 0.3, 0.3 }));
  malleus = sample::unite(malleus, around(anteriorProcessEnd, { 0.2, 0.2, 0.2 }));
  boxes[Malleus] = grown(malleus, margin);
  Box incus = around(incusBodyCentre, incusBodyRadii);
  incus = sample::unite(incus, longProcess.bounds);
  incus = sample::unite(incus, shortProcess.bounds);
  incus = sample::unite(incus, around(lenticularCentre, lenticularRadii));
  boxes[Incus] = grown(incus, margin);
  Box stapes = around(stapesHeadCentre, stapesHeadRadii);
  stapes = sample::unite(stapes, anteriorCrus.bounds);
  stapes = sample::unite(stapes, posteriorCrus.bounds);
  stapes = sample::unite(
    stapes, around(footplate, { footplateHalfThickness, footplateHalfLength, footplateHalfWidth }));
  boxes[Stapes] = grown(stapes, margin);
  boxes[IncudomalleolarJoint] = grown(around(headCentre, headRadii), 0.3);
  boxes[IncudostapedialJoint] = { { -0.50, -0.70, -0.62 }, { 0.30, 0.70, 0.62 } };
  boxes[TensorTympaniTendon] = grown(tensorTendon.bounds, margin);
  boxes[StapediusTendon] = grown(stapediusTendon.bounds, margin);
  boxes[SuperiorMallearLigament] = grown(superiorLigament.bounds, margin);
  boxes[LateralMallearLigament] = grown(lateralLigament.bounds, margin);
  boxes[AnteriorMallearLigament] = grown(anteriorLigament.bounds, margin);
  boxes[PosteriorIncudalLigament] = grown(posteriorLigament.bounds, margin);
  boxes[AnnularLigament] = grown(around(footplate,
                                        { footplateHalfThickness,
                                          footplateHalfLength + annularWidth,
                                          footplateHalfWidth + annularWidth }),
                                 margin);
  boxes[ChordaTympani] = grown(chorda.bounds, margin);
  // The membrane's box: the rim, the umbo and the flaccida above the lateral process, each as
  // thick as its sheet, with a voxel or two to spare.
  const double rimAbove = sample::dot(lateralProcessTip - membraneCentre, membraneUp);
  Box membrane = around(umboPoint, { 0.3, 0.3, 0.3 });
  for (int step = 0; step < 72; ++step) {
    const double angle = 2 * pi * step / 72;
    const double up = std::sin(angle) * (std::sin(angle) > 0 ? rimAbove : rimBelow);
    const Vec3 rim =
      membraneCentre + up * membraneUp + std::cos(angle) * rimAcross * membraneAcross;
    membrane = sample::unite(membrane, around(rim, { 0.35, 0.35, 0.35 }));
  }
  for (const double across : { -1.3, 1.3 }) {
    for (const double up : { rimAbove, rimAbove + 1.8 }) {
      const Vec3 corner = membraneCentre + up * membraneUp + across * membraneAcross;
      membrane = sample::unite(membrane, around(corner, { 0.4, 0.4, 0.4 }));
    }
  }
  boxes[ParsTensa] = membrane;
  boxes[ParsFlaccida] = membrane;
}

void
ChainAnatomy::membraneCoordinates(const Vec3& p, double* depth, double* up, double* across) const
{
  const Vec3 d = p - membraneCentre;
  *depth = sample::dot(d, membraneNormal);
  *up = sample::dot(d, membraneUp);
  *across = sample::dot(d, membraneAcross);
}

double
ChainAnatomy::parsTensa(const Vec3& p) const
{
  double depth = 0, up = 0, across = 0;
  membraneCoordinates(p, &depth, &up, &across);
  const double rimAbove = sample::dot(lateralProcessTip - membraneCentre, membraneUp);
  const double s = up / (up > 0 ? rimAbove : rimBelow);
  const double t = across / rimAcross;
  const double rho = std::sqrt(s * s + t * t);
  // A cone from the rim to the umbo whose sectors in front of and behind the manubrium bulge
  // laterally, as the radial fibres of the pars tensa do; along the manubrium it lies flat on
  // the bone.
  const double sideways = rho > 1e-9 ? t * t / (rho * rho) : 0.0;
  const double surface = umboDepth * (1.0 - std::min(rho, 1.0)) -
                         0.22 * umboDepth * sideways * std::sin(pi * clamp01(rho));
  // The cone's slope (depth over radius, about 0.4) thickens a vertical cut by about 8 %.
  const double sheet = (std::abs(depth - surface) - tensaHalfThickness) / 1.1;
  return std::max(sheet, (rho - 1.0) * std::min(rimAbove, rimAcross));
}

double
ChainAnatomy::parsFlaccida(const Vec3& p) const
{
  double depth = 0, up = 0, across = 0;
  membraneCoordinates(p, &depth, &up, &across);
  const double rimAbove = sample::dot(lateralProcessTip - membraneCentre, membraneUp);
  // Shrapnell's membrane fills the notch of Rivinus above the lateral process, between the
  // anterior and posterior mallear folds: about 1.7 mm high and 2.5 mm wide, sagging a little
  // medially toward Prussak's space.
  const double height = up - (rimAbove + 0.55);
  const double outline = ellipse(height, across, 1.15, 1.25);
  const double sag = 0.12 * clamp01(1.0 - (height * height) / (1.15 * 1.15));
  const double sheet = std::abs(depth - sag) - flaccidaHalfThickness;
  // Above the pars tensa, never inside it.
  const double s = up / rimAbove;
  const double t = across / rimAcross;
  const double belowTensaRim = (1.0 - std::sqrt(s * s + t * t)) * rimAcross;
  return std::max({ sheet, outline, up > 0 ? belowTensaRim : far });
}

double
ChainAnatomy::spatula(const Vec3& p) const
{
  // Flattened in the membrane's plane: thin along its normal.
  const Vec3 d = p - manubriumTip;
  const Vec3 local{ sample::dot(d, membraneNormal),
                    sample::dot(d, membraneAcross),
                    sample::dot(d, membraneUp) };
  return ellipsoid(local, { 0, 0, 0 }, spatulaRadii);
}

double
ChainAnatomy::malleusHead(const Vec3& p) const
{
  return ellipsoid(p, headCentre, headRadii);
}

double
ChainAnatomy::incusBeforeFacet(const Vec3& p) const
{
  double result = sample::superEllipsoid(p, incusBodyCentre, incusBodyRadii);
  result = smoothMin(result, tubeField(shortProcess, p), 0.35);
  result = smoothMin(result, tubeField(longProcess, p), 0.35);
  // The lenticular process on a short pedicle bending medially from the long process's tip.
  result = smoothMin(result, capsule(p, longProcessTip, { -0.45, 0.0, 0.06 }, 0.17, 0.15), 0.10);
  result = smoothMin(result, ellipsoid(p, lenticularCentre, lenticularRadii), 0.08);
  return result;
}

double
ChainAnatomy::field(int structure, const Vec3& p) const
{
  if (structure < 0 || structure >= structureCount) {
    return far;
  }
  const double outside = sample::boxDistance(boxes[std::size_t(structure)], p);
  if (outside > 0) {
    return outside + 0.01;
  }
  switch (structure) {
    case Malleus: {
      double result = malleusHead(p);
      result = smoothMin(result, capsule(p, headCentre, neckTop, 0.70, 0.44), 0.25);
      result = smoothMin(result, capsule(p, neckTop, manubriumTop, 0.44, 0.40), 0.15);
      result = smoothMin(result, tubeField(manubrium, p), 0.12);
      result = smoothMin(result, spatula(p), 0.15);
      result = smoothMin(result, capsule(p, manubriumTop, lateralProcessEnd, 0.30, 0.17), 0.12);
      result =
        smoothMin(result, capsule(p, anteriorProcessStart, anteriorProcessEnd, 0.16, 0.08), 0.08);
      return result;
    }
    case Incus:
      // The saddle-shaped facet takes the head of the malleus with the joint between them.
      return smoothMax(incusBeforeFacet(p), -(malleusHead(p) - incudomalleolarThickness), 0.06);
    case Stapes: {
      // Head, neck, crura and footplate; the head's lateral face is hollowed for the lenticular
      // process.
      double head = ellipsoid(p, stapesHeadCentre, stapesHeadRadii);
      head = smoothMax(head, -(sample::length(p - Vec3{ -0.55, 0, 0 }) - 0.62), 0.04);
      double result = smoothMin(head, capsule(p, { 0.55, 0, 0 }, { 1.02, 0, 0 }, 0.30, 0.27), 0.12);
      result = smoothMin(result, tubeField(anteriorCrus, p), 0.10);
      result = smoothMin(result, tubeField(posteriorCrus, p), 0.10);
      return smoothMin(result, footplateField(p), 0.10);
    }
    case IncudomalleolarJoint:
      // The shell of the head where the incus would be: articular cartilage and joint space.
      return std::max(
        { malleusHead(p) - incudomalleolarThickness, -malleusHead(p), incusBeforeFacet(p) - 0.05 });
    case IncudostapedialJoint: {
      // A short capsule of ligament round the gap between the lenticular process and the
      // stapes' head; the bones take their own voxels out of it.
      const double radial = ellipse(p.y, p.z, 0.62, 0.55);
      return std::max(radial, std::abs(p.x + 0.09) - 0.36);
    }
    case AnnularLigament: {
      const Vec3 d = p - footplate;
      return std::max(
        ellipse(d.y, d.z, footplateHalfLength + annularWidth, footplateHalfWidth + annularWidth),
        std::abs(d.x) - footplateHalfThickness);
    }
    case ParsTensa:
      return parsTensa(p);
    case ParsFlaccida:
      return parsFlaccida(p);
    case TensorTympaniTendon:
      return tubeField(tensorTendon, p);
    case StapediusTendon:
      return tubeField(stapediusTendon, p);
    case SuperiorMallearLigament:
      return tubeField(superiorLigament, p);
    case LateralMallearLigament:
      return tubeField(lateralLigament, p);
    case AnteriorMallearLigament:
      return tubeField(anteriorLigament, p);
    case PosteriorIncudalLigament:
      return tubeField(posteriorLigament, p);
    case ChordaTympani:
      return tubeField(chorda, p);
    default:
      return far;
  }
}

int
ChainAnatomy::labelAt(const Vec3& p) const
{
  for (const Structure structure : priority) {
    if (inside(boxes[std::size_t(structure)], p) && field(structure, p) < 0) {
      return structure;
    }
  }
  return -1;
}

double
ChainAnatomy::hounsfieldAt(const Vec3& p, int label) const
{
  if (label >= 0) {
    return structureInfos()[std::size_t(label)].hounsfield;
  }
  // The medial wall (otic capsule) with the promontory bulging below the oval window, the
  // window itself and the vestibule's perilymph behind it.
  const double promontory = 0.8 * std::exp(-((p.z + 2.4) * (p.z + 2.4) / 1.5 + p.y * p.y / 6.0));
  const double wallSurface =
    2.95 - promontory + 0.05 * std::sin(1.7 * p.y + 0.4) * std::cos(1.1 * p.z);
  const Vec3 window = p - footplate;
  const bool inWindow = ellipse(window.y,
                                window.z,
                                footplateHalfLength + annularWidth,
                                footplateHalfWidth + annularWidth) < 0;
  if (ellipsoid(p, { 4.55, 0.3, -0.1 }, { 1.25, 2.3, 1.9 }) < 0 && p.x > 3.3) {
    return hounsfield::perilymph;
  }
  if (p.x > wallSurface && !(inWindow && p.x < 3.3)) {
    return hounsfield::wallBone;
  }
  // The pyramidal eminence, from which the stapedius tendon comes.
  if (capsule(p, { 1.00, 2.95, -0.32 }, { 3.3, 3.5, -0.6 }, 0.42, 0.80) < 0) {
    return hounsfield::wallBone;
  }
  // The tegmen above the attic, its anterior wall, the fossa incudis and the scutum.
  if (p.z > 7.45 + 0.08 * std::sin(1.3 * p.x + 0.7 * p.y) ||
      (p.y < -4.65 && p.z > 2.9 && p.x < 1.0) || (p.y > 4.05 && p.z > 3.2 && p.x < 0.5) ||
      (p.x < -3.5 && p.z > 4.6)) {
    return hounsfield::wallBone;
  }
  // The bony ring of the ear canal round the eardrum's rim.
  double depth = 0, up = 0, across = 0;
  membraneCoordinates(p, &depth, &up, &across);
  const double rimAbove = sample::dot(lateralProcessTip - membraneCentre, membraneUp);
  const double s = up / (up > 0 ? rimAbove + 1.9 : rimBelow);
  const double rho = std::sqrt(s * s + (across / rimAcross) * (across / rimAcross));
  if (rho > 1.03 && rho < 1.45 && depth > -2.5 && depth < 0.15) {
    return hounsfield::wallBone;
  }
  return hounsfield::air;
}

Box
ChainAnatomy::bounds() const
{
  Box result = boxes[0];
  for (const Box& box : boxes) {
    result = sample::unite(result, box);
  }
  return result;
}

Vec3
ChainAnatomy::incudomalleolarCentre() const
{
  // Between the back of the head and the facet of the incus.
  return { -1.65, -0.95, 5.0 };
}

Vec3
ChainAnatomy::footplateCentre() const
{
  return footplate;
}

} // namespace chain
