#pragma once

// The teaching model's anatomy as implicit shapes. The structures of the incudostapedial joint
// are defined in the section volume's own frame, so the voxels and the surfaces come from one
// definition and the section images cut the surfaces where they are drawn.

#include "tools/ImplicitShapes.h"

#include <array>
#include <cstdint>
#include <vector>

class vtkTransform;

namespace sample {

// Volume layout of "Joint/Joint.raw".
constexpr int volumeDimensions[3] = { 748, 552, 115 };
constexpr double volumeSpacing[3] = { 0.0127, 0.0127, 0.02 };

constexpr int structureCount = 9;

// Structure number N - 1.
enum StructureIndex
{
  Incus = 0,
  IncusCartilage = 1,
  IncusVessels = 2,
  IncusAreolarTissue = 3,
  Stapes = 4,
  StapesCartilage = 5,
  CapsularLigament = 6,
  StapediusTendon = 7,
  JointSpace = 8
};

struct StructureInfo
{
  const char* name;
  const char* relativePath; // as written in the structure list
  const char* opacityText;  // as written in the structure list
  double opacity;
  std::array<double, 3> color;
  std::uint8_t greyValue; // the tissue's grey value in the section volume before noise
};

const std::array<StructureInfo, structureCount>&
structureInfos();

// Grey values of the surroundings that belong to no structure.
namespace grey {
constexpr std::uint8_t air = 15;
constexpr std::uint8_t perilymph = 75;
constexpr std::uint8_t mucosa = 92;
constexpr std::uint8_t nerve = 108;
constexpr std::uint8_t annularLigament = 118;
constexpr std::uint8_t wallBone = 214;
}

// Fills placement with the map from the volume frame to model space: the one the viewer gives
// the Z section image at its initial slice, so that a structure drawn at a model point and the
// voxel the section image shows there agree.
void
buildVolumePlacement(vtkTransform* placement);

class JointAnatomy
{
public:
  JointAnatomy();

  // Structures are kept apart by this gap, so no two surfaces coincide (no depth fighting
  // between a cartilage and its bone) and a voxel just outside a surface never carries the
  // tissue just inside it.
  static constexpr double gap = 0.012;

  // Signed field of the structure's region at a volume-frame point: negative inside, zero on
  // its surface, and never steeper than the distance, so its magnitude bounds the distance to
  // the surface from below.
  double regionField(int structure, const Vec3& volumePoint) const;

  // The voxel's grey value before noise and blur; uniform is set when every voxel within
  // radius of the point has the same value.
  std::uint8_t greyValue(const Vec3& volumePoint, double radius = 0, bool* uniform = nullptr) const;

  // Bounds of the structure's region in the volume frame, with a margin.
  Box structureBounds(int structure) const;

  // The joint centre (between the two articular cartilages) in model space.
  Vec3 jointCentreInModel() const { return jointModel; }

private:
  // Anatomical coordinates: model axes (x medial, y posterior, z superior) centred on the joint.
  Vec3 anatomical(const Vec3& volumePoint) const;
  double rawField(int structure, const Vec3& q) const;
  bool nearStructure(int structure, const Vec3& q, double radius) const;

  std::array<std::array<double, 3>, 3> toAnatomical; // rows: model axes in the volume frame
  Vec3 jointVolume;
  Vec3 jointModel;
  std::array<Box, structureCount> anatomicalBounds;

  // A tube swept along points; squash (each factor at most 1) flattens its cross-section to an
  // ellipse whose half-axes are the radius divided by the factor of their axis.
  struct Tube
  {
    std::vector<Vec3> points; // squashed
    std::vector<double> radii;
    Vec3 squash;
    Box bounds;
  };
  double tubeField(const Tube& tube, const Vec3& q) const;
  static Tube makeTube(const std::vector<Vec3>& points,
                       const std::vector<double>& radii,
                       const Vec3& squash = { 1, 1, 1 });

  Tube longProcess, shortProcess, areolarSleeve, anteriorCrus, posteriorCrus, tendon;
  std::vector<Tube> vessels;
};

// The head of the orientation view, in model space (millimetres): negative inside the skin.
class HeadShape
{
public:
  explicit HeadShape(const Vec3& middleEar);
  double field(const Vec3& modelPoint) const;
  Box bounds() const;
  Vec3 midlineCentre() const { return centre; }

private:
  Vec3 centre; // on the midline at the height of the ear canals
};

} // namespace sample
