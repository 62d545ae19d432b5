#pragma once

// The ossicular chain of a right ear as implicit shapes in millimetres: malleus, incus and stapes
// with their joints, ligaments and tendons, the eardrum and the chorda tympani. Coordinates are
// LPS, which for a right ear is medial (x), posterior (y) and superior (z), with the origin in
// the incudostapedial joint. The label map and the CT-like grey volume are both sampled from
// this one definition, so every section shows bone exactly where the surfaces put it.

#include "tools/ImplicitShapes.h"

#include <array>
#include <cstdint>
#include <vector>

namespace chain {

using sample::Box;
using sample::Vec3;

// Label value N is structure N - 1; the order is the order of the viewer's rows.
enum Structure
{
  Malleus,
  Incus,
  Stapes,
  IncudomalleolarJoint,
  IncudostapedialJoint,
  TensorTympaniTendon,
  StapediusTendon,
  SuperiorMallearLigament,
  LateralMallearLigament,
  AnteriorMallearLigament,
  PosteriorIncudalLigament,
  AnnularLigament,
  ParsTensa,
  ParsFlaccida,
  ChordaTympani,
  structureCount
};

struct StructureInfo
{
  const char* name;
  const char* group;
  std::array<int, 3> color; // 0-255
  int alpha;                // 0-255
  double hounsfield;        // the tissue's CT value before noise and blur
};

const std::array<StructureInfo, structureCount>&
structureInfos();

// CT values of what surrounds the chain.
namespace hounsfield {
constexpr double air = -1000;
constexpr double wallBone = 1900; // the otic capsule, the tegmen, the walls of the attic
constexpr double perilymph = 10;
}

class ChainAnatomy
{
public:
  ChainAnatomy();

  // Signed field of the structure's own shape: negative inside. Where shapes overlap, labelAt
  // gives the voxel to the one listed first in the priority order.
  double field(int structure, const Vec3& p) const;

  // The structure that holds p (-1: none), after the priority order.
  int labelAt(const Vec3& p) const;

  // The CT value at p before noise and blur: the structure's tissue, else the walls of the
  // tympanic cavity around it, else air.
  double hounsfieldAt(const Vec3& p) const { return hounsfieldAt(p, labelAt(p)); }
  // The same for a point whose label is known.
  double hounsfieldAt(const Vec3& p, int label) const;

  // The box around every structure.
  Box bounds() const;

  // Landmarks for the lesson's cameras.
  Vec3 umbo() const { return umboPoint; }
  // The middle of the eardrum's rim.
  Vec3 eardrumCentre() const { return membraneCentre; }
  Vec3 incudomalleolarCentre() const;
  Vec3 incudostapedialCentre() const { return { -0.09, 0, 0 }; }
  Vec3 footplateCentre() const;

private:
  struct Tube
  {
    std::vector<Vec3> points;
    std::vector<double> radii;
    Box bounds;
  };
  static Tube makeTube(const std::vector<Vec3>& points, const std::vector<double>& radii);
  static Tube bezierTube(const Vec3& p0,
                         const Vec3& p1,
                         const Vec3& p2,
                         const Vec3& p3,
                         double radius0,
                         double radius1,
                         int segments);
  static double tubeField(const Tube& tube, const Vec3& p);

  double malleusHead(const Vec3& p) const;
  double spatula(const Vec3& p) const;
  double incusBeforeFacet(const Vec3& p) const;
  // The eardrum's frame: depth medial of the rim's plane and in-plane coordinates.
  void membraneCoordinates(const Vec3& p, double* depth, double* up, double* across) const;
  double parsTensa(const Vec3& p) const;
  double parsFlaccida(const Vec3& p) const;

  Tube manubrium, longProcess, shortProcess, anteriorCrus, posteriorCrus;
  Tube tensorTendon, stapediusTendon, chorda;
  Tube superiorLigament, lateralLigament, anteriorLigament, posteriorLigament;
  Vec3 umboPoint, lateralProcessTip;
  Vec3 membraneCentre, membraneNormal, membraneUp, membraneAcross;
  std::array<Box, structureCount> boxes;
};

} // namespace chain
