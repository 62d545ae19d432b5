#include "tools/ChainModel.h"

#include "loading/ModelFile.h"
#include "loading/ModelManifest.h"
#include "loading/SafeWrite.h"
#include "tools/make_model/MakeModel.h"
#include "tools/make_model/ModelFrame.h"
#include "viewer/teaching/LessonFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <sstream>
#include <vector>

namespace chain {

namespace {

struct Grid
{
  std::array<int, 3> size{};
  Vec3 origin;
  std::size_t voxels() const { return std::size_t(size[0]) * size[1] * size[2]; }
  Vec3 point(int i, int j, int k) const
  {
    return origin + Vec3{ i * voxelSize, j * voxelSize, k * voxelSize };
  }
};

QByteArray
nrrdHeader(const Grid& grid, const char* type)
{
  std::ostringstream header;
  header.precision(10);
  header << "NRRD0004\ntype: " << type << "\ndimension: 3\nspace: left-posterior-superior\n"
         << "sizes: " << grid.size[0] << ' ' << grid.size[1] << ' ' << grid.size[2] << '\n'
         << "space directions: (" << voxelSize << ",0,0) (0," << voxelSize << ",0) (0,0,"
         << voxelSize << ")\n"
         << "space origin: (" << grid.origin.x << ',' << grid.origin.y << ',' << grid.origin.z
         << ")\nendian: little\nencoding: raw\n\n";
  return QByteArray::fromStdString(header.str());
}

// A small even spread of noise, the same on every run: a CT's grain without a random generator.
double
grain(std::size_t index)
{
  std::uint64_t h = index * 0x9E3779B97F4A7C15ull;
  h ^= h >> 31;
  h *= 0xBF58476D1CE4E5B9ull;
  h ^= h >> 29;
  return (double(h % 2001) / 1000.0 - 1.0) * 12.0; // +-12 HU
}

// One pass of the [1 2 1] / 4 kernel along an axis: about the blur of a CT's point spread at
// this voxel size, so bone edges fall off over two voxels instead of one.
void
blurAlong(std::vector<float>& values, const Grid& grid, int axis)
{
  const std::array<std::size_t, 3> stride{ 1,
                                           std::size_t(grid.size[0]),
                                           std::size_t(grid.size[0]) * grid.size[1] };
  const std::size_t step = stride[std::size_t(axis)];
  const int count = grid.size[std::size_t(axis)];
  const std::vector<float> source = values;
  for (std::size_t index = 0; index < values.size(); ++index) {
    const int position = int((index / step) % std::size_t(count));
    const float before = position > 0 ? source[index - step] : source[index];
    const float after = position + 1 < count ? source[index + step] : source[index];
    values[index] = 0.25f * before + 0.5f * source[index] + 0.25f * after;
  }
}

QString
descriptionPage(int structure)
{
  // One paragraph, as the joint sample's pages: the viewer titles the page with the name.
  return QStringLiteral("<html>\n<body>\n<p>%1</p>\n</body>\n</html>\n")
    .arg(QString::fromUtf8(structureDescriptions()[std::size_t(structure)]));
}

bool
write(const QString& path, const QByteArray& bytes, QString* error)
{
  const QString problem = writeWholeFile(path, bytes);
  if (!problem.isEmpty()) {
    *error = path + QStringLiteral(": ") + problem;
    return false;
  }
  return true;
}

// The camera looks at focus from direction (toward the camera), distance away.
CameraPose
camera(const Vec3& focus, const Vec3& direction, double distance, const Vec3& up)
{
  const Vec3 toward = sample::normalized(direction);
  CameraPose pose;
  pose.focalPoint = { focus.x, focus.y, focus.z };
  pose.position = { focus.x + distance * toward.x,
                    focus.y + distance * toward.y,
                    focus.z + distance * toward.z };
  pose.viewUp = { up.x, up.y, up.z };
  pose.viewAngle = 30;
  return pose;
}

struct ViewPlan
{
  const char* name;
  const char* caption;
  Vec3 focus;     // in the label map's millimetres
  Vec3 direction; // from the focus toward the camera
  double distance;
  Vec3 up;
  std::vector<int> hidden;
  std::vector<std::pair<int, double>> transparencies;
  int sectionAxis = -1; // the section shown and cut through the focus; -1 none
  int cut = 0;
  int selected = -1;
};

Lesson
chainLesson(const ChainAnatomy& anatomy, const SectionVolumeGrid& grid, const Vec3& toModel)
{
  const std::vector<ViewPlan> plans = {
    { "The ossicular chain",
      "Malleus, incus and stapes bridge the middle ear from the eardrum to the oval window. The "
      "eardrum is shown translucent; ligaments hang the chain from the walls and two tendons "
      "attach muscles to it.",
      { -0.8, 0.2, 1.6 },
      { -1.0, -0.55, 0.35 },
      38,
      { 0, 0, 1 },
      {},
      { { ParsTensa, 0.7 }, { ParsFlaccida, 0.6 } },
      -1,
      0,
      -1 },
    { "Malleus and eardrum",
      "Seen from the ear canal: the handle of the malleus lies in the pars tensa down to the "
      "umbo, the lateral process pushes out the membrane, and the pars flaccida fills the notch "
      "above it.",
      // From the side, a little from behind and below, as an otoscope shows a right eardrum:
      // the handle runs down and back from the lateral process to the umbo. Straight down the
      // membrane's normal, which faces forward, the umbo's medial lean would swing the handle
      // forward on the screen.
      0.5 * (anatomy.eardrumCentre() + Vec3{ -1.6, -1.7, 2.2 }),
      { -1.0, 0.1, -0.25 },
      34,
      { 0, 0, 1 },
      { Incus,
        Stapes,
        IncudostapedialJoint,
        StapediusTendon,
        AnnularLigament,
        PosteriorIncudalLigament },
      { { ParsTensa, 0.6 }, { ParsFlaccida, 0.5 } },
      -1,
      0,
      Malleus },
    { "Incudomalleolar joint",
      "From above and behind, with the eardrum hidden: the head of the malleus and the body of "
      "the incus interlock at a saddle-shaped joint, hung from the roof by the superior mallear "
      "ligament and held behind by the posterior incudal ligament.",
      anatomy.incudomalleolarCentre(),
      { -0.55, 1.0, 0.9 },
      19,
      { 0, 0, 1 },
      { ParsTensa, ParsFlaccida, ChordaTympani },
      { { Malleus, 0.3 } },
      -1,
      0,
      IncudomalleolarJoint },
    { "Incudostapedial joint in section",
      "A horizontal section through the incudostapedial joint, seen from above: the lenticular "
      "process of the incus meets the head of the stapes inside its capsule, and the crura run "
      "to the footplate in the oval window.",
      // Halfway along the stapes, level with the joint, so joint and footplate both show.
      { 1.2, 0.0, anatomy.incudostapedialCentre().z },
      { -0.25, 0.35, 1.0 },
      15,
      { 1, 0, 0 },
      { ParsTensa, ParsFlaccida, ChordaTympani },
      {},
      2,
      -1,
      IncudostapedialJoint },
    { "Stapes footplate in the oval window",
      "The section through the oval window shows the footplate set in the bone of the medial "
      "wall, ringed by the annular ligament; behind it lies the vestibule of the inner ear.",
      anatomy.footplateCentre(),
      { -1.0, 0.35, 0.35 },
      17,
      { 0, 0, 1 },
      { ParsTensa,
        ParsFlaccida,
        ChordaTympani,
        Malleus,
        Incus,
        IncudomalleolarJoint,
        SuperiorMallearLigament,
        LateralMallearLigament,
        AnteriorMallearLigament,
        PosteriorIncudalLigament,
        TensorTympaniTendon },
      {},
      0,
      -1,
      AnnularLigament },
  };

  Lesson lesson;
  for (const StructureInfo& info : structureInfos()) {
    lesson.structureNames.append(QString::fromUtf8(info.name));
  }
  for (const ViewPlan& plan : plans) {
    ViewState view;
    view.name = QString::fromUtf8(plan.name);
    view.caption = QString::fromUtf8(plan.caption);
    view.camera = camera(plan.focus + toModel, plan.direction, plan.distance, plan.up);
    for (int structure = 0; structure < structureCount; ++structure) {
      StructureView structureView;
      structureView.name = lesson.structureNames[structure];
      structureView.shown =
        std::find(plan.hidden.begin(), plan.hidden.end(), structure) == plan.hidden.end();
      for (const auto& [which, transparency] : plan.transparencies) {
        if (which == structure) {
          structureView.transparency = transparency;
        }
      }
      view.structures.push_back(structureView);
    }
    // Sections stand at the volume's middle unless the view cuts one through its focus.
    const Vec3 focus = plan.focus + toModel;
    const double focusAlong[3] = { focus.x, focus.y, focus.z };
    for (int axis = 0; axis < 3; ++axis) {
      SectionView& section = view.sections[std::size_t(axis)];
      const int count = grid.dimensions[std::size_t(axis)];
      section.number = count / 2 + 1;
      if (axis == plan.sectionAxis) {
        const long number = std::lround((focusAlong[axis] - grid.origin[std::size_t(axis)]) /
                                        grid.spacing[std::size_t(axis)]) +
                            1;
        section.number = int(std::clamp(number, 1L, long(count)));
        section.shown = true;
        section.cut = plan.cut;
      }
    }
    view.labels = plan.sectionAxis < 0 && plan.selected != Malleus;
    if (plan.selected >= 0) {
      view.selectedStructure = lesson.structureNames[plan.selected];
    }
    lesson.views.push_back(view);
  }
  return lesson;
}

} // namespace

bool
writeChainModel(const QString& folder, QString* error)
{
  const ChainAnatomy anatomy;
  const Box box = sample::grow(anatomy.bounds(), gridMargin);
  Grid grid;
  grid.origin = box.low;
  const double extent[3] = { box.high.x - box.low.x,
                             box.high.y - box.low.y,
                             box.high.z - box.low.z };
  for (int axis = 0; axis < 3; ++axis) {
    grid.size[std::size_t(axis)] = int(std::ceil(extent[axis] / voxelSize)) + 1;
  }
  if (double(grid.size[0]) * grid.size[1] * grid.size[2] > double(largestGridVoxels)) {
    *error = QStringLiteral("the chain's grid would exceed %1 voxels").arg(largestGridVoxels);
    return false;
  }

  // Labels and CT values from one pass over the voxel centres.
  std::vector<std::uint8_t> labels(grid.voxels(), 0);
  std::vector<float> ct(grid.voxels(), 0.0f);
  std::size_t index = 0;
  for (int k = 0; k < grid.size[2]; ++k) {
    for (int j = 0; j < grid.size[1]; ++j) {
      for (int i = 0; i < grid.size[0]; ++i, ++index) {
        const Vec3 p = grid.point(i, j, k);
        const int label = anatomy.labelAt(p);
        labels[index] = std::uint8_t(label + 1);
        ct[index] = float(anatomy.hounsfieldAt(p, label));
      }
    }
  }
  for (int axis = 0; axis < 3; ++axis) {
    blurAlong(ct, grid, axis);
  }
  QByteArray ctBytes = nrrdHeader(grid, "int16");
  const int ctHeader = ctBytes.size();
  ctBytes.resize(ctHeader + int(grid.voxels() * sizeof(std::int16_t)));
  for (std::size_t voxel = 0; voxel < grid.voxels(); ++voxel) {
    const auto value = std::int16_t(std::lround(ct[voxel] + grain(voxel)));
    // Little-endian, as the header says.
    ctBytes[int(ctHeader + 2 * voxel)] = char(std::uint16_t(value) & 0xff);
    ctBytes[int(ctHeader + 2 * voxel + 1)] = char(std::uint16_t(value) >> 8);
  }
  ct = {};
  QByteArray labelBytes = nrrdHeader(grid, "uint8");
  labelBytes.append(reinterpret_cast<const char*>(labels.data()), int(labels.size()));
  labels = {};
  std::fprintf(stderr,
               "cochlex-chain-model: label map and CT of %d x %d x %d voxels of %.2f mm\n",
               grid.size[0],
               grid.size[1],
               grid.size[2],
               voxelSize);

  // The inputs a user of the model maker would bring, in a scratch folder.
  QTemporaryDir scratch;
  if (!scratch.isValid()) {
    *error = QStringLiteral("no scratch folder: ") + scratch.errorString();
    return false;
  }
  const QString labelMap = scratch.filePath(QStringLiteral("chain-labels.nrrd"));
  const QString ctImage = scratch.filePath(QStringLiteral("chain-ct.nrrd"));
  const QString colors = scratch.filePath(QStringLiteral("chain-colors.csv"));
  const QString pages = scratch.filePath(QStringLiteral("descriptions"));
  QByteArray table("LabelValue,Name,Color_R,Color_G,Color_B,Color_A,Group\n");
  for (int structure = 0; structure < structureCount; ++structure) {
    const StructureInfo& info = structureInfos()[std::size_t(structure)];
    table += QStringLiteral("%1,%2,%3,%4,%5,%6,%7\n")
               .arg(structure + 1)
               .arg(QString::fromUtf8(info.name))
               .arg(info.color[0])
               .arg(info.color[1])
               .arg(info.color[2])
               .arg(info.alpha)
               .arg(QString::fromUtf8(info.group))
               .toUtf8();
  }
  if (!write(labelMap, labelBytes, error) || !write(ctImage, ctBytes, error) ||
      !write(colors, table, error)) {
    return false;
  }
  labelBytes.clear();
  ctBytes.clear();
  if (!QDir().mkpath(pages)) {
    *error = pages + QStringLiteral(": cannot be made");
    return false;
  }
  for (int structure = 0; structure < structureCount; ++structure) {
    const QString name = QString::fromUtf8(structureInfos()[std::size_t(structure)].name);
    if (!write(pages + QLatin1Char('/') + name + QStringLiteral(".html"),
               descriptionPage(structure).toUtf8(),
               error)) {
      return false;
    }
  }

  // The lesson is this generator's own file in the folder; the model maker replaces only a
  // folder holding nothing but its own files, so it goes first and comes back after.
  const QString lessonPath = QDir(folder).filePath(QLatin1String(lessonFileName));
  if (QFileInfo(lessonPath).isFile() && !QFile::remove(lessonPath)) {
    *error = lessonPath + QStringLiteral(": cannot be replaced");
    return false;
  }
  // The model maker writes beside the folder and renames into place: its parent must exist.
  const QString parent = QFileInfo(folder).absolutePath();
  if (!QDir().mkpath(parent)) {
    *error = parent + QStringLiteral(": cannot be made");
    return false;
  }
  makemodel::Options options;
  options.labelMap = labelMap.toStdString();
  options.ct = ctImage.toStdString();
  // Air to dense bone: -1000 to 2000 HU, soft tissue a dark grey, bone near white.
  options.window = makemodel::GreyWindow{ 500, 3000 };
  options.colors = colors.toStdString();
  options.descriptions = pages.toStdString();
  options.side = makemodel::Side::Right;
  options.maxTriangles = maxTrianglesPerStructure;
  // The incudostapedial joint goes where the viewer's cameras and sections expect the centre.
  options.sectionCentre = std::array<double, 3>{ 0, 0, 0 };
  options.force = QDir(folder).exists() && !QDir(folder).isEmpty();
  options.outFolder = folder.toStdString();
  options.sources = { options.labelMap, options.ct, options.colors };
  if (makemodel::makeModel(options) != 0) {
    *error = QStringLiteral("the model maker refused the chain (its reason is above)");
    return false;
  }

  // Where the model maker put the label map's millimetres, and the section grid it chose.
  const FileBytes manifestBytes =
    readWholeFile(QDir(folder).filePath(QLatin1String(modelManifestName)).toStdString(),
                  largestModelManifestBytes);
  const ModelManifest manifest =
    parseModelManifest(manifestBytes.bytes, std::string(modelManifestName));
  if (!manifestBytes.problem.empty() || !manifest.usable || !manifest.volumeUsable) {
    *error = QStringLiteral("the model maker's manifest has no usable section volume");
    return false;
  }
  const std::array<double, 3> centre =
    makemodel::makeModelFrame({ 0, 0, 0 }, makemodel::Side::Right).centreInModel;
  const Vec3 toModel{ centre[0], centre[1], centre[2] };
  const Lesson lesson = chainLesson(anatomy, manifest.volume, toModel);
  if (!write(lessonPath, lessonJson(lesson), error)) {
    return false;
  }
  std::fprintf(stderr,
               "cochlex-chain-model: lesson of %d views written to %s\n",
               int(lesson.views.size()),
               qPrintable(lessonPath));
  return true;
}

} // namespace chain
