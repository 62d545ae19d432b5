#include "tools/make_model/MakeModel.h"

#include "loading/ModelManifest.h"

#include "loading/Console.h"
#include "loading/ModelFile.h"
#include "loading/SectionVolume.h"
#include "tools/SampleAnatomy.h"
#include "tools/SampleSurfaces.h"
#include "tools/make_model/ColorTable.h"
#include "tools/make_model/Descriptions.h"
#include "tools/make_model/ImageInput.h"
#include "tools/make_model/LabelVolume.h"
#include "tools/make_model/ModelFrame.h"
#include "tools/make_model/ModelPages.h"
#include "tools/make_model/ModelWriter.h"
#include "tools/make_model/OutputFolder.h"
#include "tools/make_model/Surfaces.h"

#include <vtkCellArray.h>
#include <vtkImageData.h>
#include <vtkMatrix4x4.h>
#include <vtkNew.h>
#include <vtkPolyData.h>

#include <QElapsedTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <streambuf>

namespace makemodel {

namespace {

constexpr std::size_t maximumNameLength = 80;

int
refuse(const std::string& line)
{
  // One line a reader takes in, whatever names or lists it quotes.
  std::fprintf(stderr, "cochlex-make-model: %s\n", shortenedInMiddle(line, 1900).c_str());
  return 1;
}

// MetaIO, under VTK's MetaImage reader, prints its complaints about a damaged header straight
// to the standard streams, several lines in its own words; while an input is read they go
// nowhere, and the tool says what went wrong in one line of its own.
class LibraryChatterSilenced
{
public:
  LibraryChatterSilenced()
    : error(std::cerr.rdbuf(&nowhere))
    , output(std::cout.rdbuf(&nowhere))
  {
  }
  ~LibraryChatterSilenced()
  {
    std::cerr.rdbuf(error);
    std::cout.rdbuf(output);
    std::cerr.clear();
    std::cout.clear();
  }
  LibraryChatterSilenced(const LibraryChatterSilenced&) = delete;
  LibraryChatterSilenced& operator=(const LibraryChatterSilenced&) = delete;

private:
  struct Nowhere : std::streambuf
  {
    int_type overflow(int_type character) override { return traits_type::not_eof(character); }
  } nowhere;
  std::streambuf* error;
  std::streambuf* output;
};

void
progress(const std::string& line)
{
  std::fprintf(stderr, "%s\n", line.c_str());
  std::fflush(stderr);
}

// The bounding box in LPS of an index box (inclusive, voxel centres), grown by half a voxel.
std::array<double, 6>
lpsBox(vtkMatrix4x4* indexToLps, const std::array<int, 3>& low, const std::array<int, 3>& high)
{
  std::array<double, 6> box{ { 1e300, -1e300, 1e300, -1e300, 1e300, -1e300 } };
  for (int corner = 0; corner < 8; ++corner) {
    const double index[4] = { (corner & 1) ? high[0] + 0.5 : low[0] - 0.5,
                              (corner & 2) ? high[1] + 0.5 : low[1] - 0.5,
                              (corner & 4) ? high[2] + 0.5 : low[2] - 0.5,
                              1.0 };
    double point[4];
    indexToLps->MultiplyPoint(index, point);
    for (std::size_t axis = 0; axis < 3; ++axis) {
      box[2 * axis] = std::min(box[2 * axis], point[axis]);
      box[2 * axis + 1] = std::max(box[2 * axis + 1], point[axis]);
    }
  }
  return box;
}

bool
overlap(const std::array<double, 6>& a, const std::array<double, 6>& b)
{
  for (std::size_t axis = 0; axis < 3; ++axis) {
    if (a[2 * axis] > b[2 * axis + 1] || b[2 * axis] > a[2 * axis + 1]) {
      return false;
    }
  }
  return true;
}

std::string
fileName(const std::string& path)
{
  const std::string name = std::filesystem::path(path).filename().string();
  return name.size() > 120 ? name.substr(0, 120) : name;
}

vtkSmartPointer<vtkMatrix4x4>
product(vtkMatrix4x4* a, vtkMatrix4x4* b)
{
  auto result = vtkSmartPointer<vtkMatrix4x4>::New();
  vtkMatrix4x4::Multiply4x4(a, b, result);
  return result;
}

vtkSmartPointer<vtkMatrix4x4>
inverse(vtkMatrix4x4* matrix)
{
  auto result = vtkSmartPointer<vtkMatrix4x4>::New();
  vtkMatrix4x4::Invert(matrix, result);
  return result;
}

// The area of a surface's triangles.
double
surfaceArea(vtkPolyData* surface)
{
  double area = 0;
  vtkCellArray* polys = surface->GetPolys();
  vtkIdType count = 0;
  const vtkIdType* ids = nullptr;
  for (polys->InitTraversal(); polys->GetNextCell(count, ids) != 0;) {
    for (vtkIdType corner = 2; corner < count; ++corner) {
      double a[3], b[3], c[3];
      surface->GetPoint(ids[0], a);
      surface->GetPoint(ids[corner - 1], b);
      surface->GetPoint(ids[corner], c);
      const double u[3] = { b[0] - a[0], b[1] - a[1], b[2] - a[2] };
      const double v[3] = { c[0] - a[0], c[1] - a[1], c[2] - a[2] };
      area +=
        0.5 *
        std::hypot(u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]);
    }
  }
  return area;
}

// A CT whose voxels are as large as the structures, or as the region, shows them as a blur of
// their neighbours: one warning line for each, so the teacher knows before the students look.
void
warnOfCoarseVoxels(const ModelContent& content, const GridSource& ct)
{
  double voxel = 0;
  for (int column = 0; column < 3; ++column) {
    voxel = std::max(voxel,
                     std::hypot(ct.indexToLps->GetElement(0, column),
                                ct.indexToLps->GetElement(1, column),
                                ct.indexToLps->GetElement(2, column)));
  }
  char line[400];
  for (const Structure& structure : content.structures) {
    // Twice the volume over the area: a plate's thickness, a rod's radius, a third of a ball's
    // diameter; what a voxel must be smaller than to show the structure as more than a blur.
    const double area = surfaceArea(structure.surface);
    const double thickness = area > 0 ? 2 * std::abs(signedVolume(structure.surface)) / area : 0;
    if (thickness > 0 && voxel > thickness) {
      std::snprintf(line,
                    sizeof line,
                    "  warning: the CT's voxels (%.3g mm) are larger than %s is thick (about "
                    "%.2g mm): its sections show it blurred into its neighbours",
                    voxel,
                    shortenedInMiddle(structure.name, 120).c_str(),
                    thickness);
      progress(line);
    }
  }
  const std::array<int, 3>& size = content.volumeGrid.dimensions;
  if (std::min({ size[0], size[1], size[2] }) < 8) {
    std::snprintf(line,
                  sizeof line,
                  "  warning: the CT's voxels (%.3g mm) are coarse for the region: the section "
                  "volume is only %d x %d x %d voxels",
                  voxel,
                  size[0],
                  size[1],
                  size[2]);
    progress(line);
  }
}

} // namespace

const std::array<std::array<double, 3>, 9>&
structurePalette()
{
  // The sample model's colours: distinct hues a student tells apart at a glance.
  static const std::array<std::array<double, 3>, 9> palette = [] {
    std::array<std::array<double, 3>, 9> colors{};
    for (std::size_t index = 0; index < 9; ++index) {
      colors[index] = sample::structureInfos()[index].color;
    }
    return colors;
  }();
  return palette;
}

int
makeModel(const Options& options)
{
  QElapsedTimer clock;
  clock.start();
  // Every input is checked before the first line of progress.
  std::vector<std::string> inputs = options.sources;
  inputs.push_back(options.descriptions);
  if (const std::string problem = checkOutputFolder(options.outFolder, options.force, inputs);
      !problem.empty()) {
    return refuse(options.outFolder + ": " + problem);
  }
  ColorTable table;
  if (!options.colors.empty()) {
    table = readColorTable(options.colors);
    if (!table.problem.empty()) {
      return refuse(options.colors + ": " + table.problem);
    }
  }
  if (!options.descriptions.empty() && !std::filesystem::is_directory(options.descriptions)) {
    return refuse(options.descriptions + ": not a folder of descriptions");
  }

  ImageInput labelImage;
  LabelVolume labels;
  std::vector<int> chosen;
  if (!options.labelMap.empty()) {
    {
      const LibraryChatterSilenced quiet;
      labelImage = readImageInput(options.labelMap);
    }
    if (!labelImage.problem.empty()) {
      return refuse(options.labelMap + ": " + labelImage.problem);
    }
    labels = makeLabelVolume(labelImage.image);
    labelImage.image = nullptr; // the 16-bit copy is all that is needed from here on
    if (!labels.problem.empty()) {
      return refuse(options.labelMap + ": " + labels.problem);
    }
    if (labels.extents.empty()) {
      return refuse(options.labelMap + ": holds no labels (every voxel is 0)");
    }
    // The manifest gives every structure a row, up to the viewer's largest model.
    const std::size_t largest = std::size_t(largestManifestStructureCount);
    const std::size_t rows = largest - std::min(largest, options.surfaces.size());
    if (!options.labels.empty()) {
      for (int label : options.labels) {
        if (!labels.extents.count(label)) {
          return refuse("label " + std::to_string(label) + " has no voxels in " + options.labelMap);
        }
        if (std::find(chosen.begin(), chosen.end(), label) == chosen.end()) {
          chosen.push_back(label);
        }
      }
    } else {
      for (const auto& [label, extent] : labels.extents) {
        chosen.push_back(label);
      }
    }
    if (chosen.size() > rows) {
      std::vector<std::string> found;
      for (const auto& [label, extent] : labels.extents) {
        found.push_back(std::to_string(label) + " (" + std::to_string(extent.voxels) + " voxels)");
      }
      return refuse(options.labelMap + ": " + std::to_string(chosen.size()) +
                    " labels, more than the viewer's " + std::to_string(rows) +
                    " free rows; choose with --labels from " + listedBriefly(found, 12));
    }
  } else if (options.surfaces.size() > std::size_t(largestManifestStructureCount)) {
    return refuse("more than " + std::to_string(largestManifestStructureCount) +
                  " surfaces: the viewer shows at most that many structures");
  }

  std::vector<SurfaceInput> surfaceInputs;
  for (const auto& [name, path] : options.surfaces) {
    {
      const LibraryChatterSilenced quiet;
      surfaceInputs.push_back(readSurfaceInput(path));
    }
    if (!surfaceInputs.back().problem.empty()) {
      return refuse(path + ": " + surfaceInputs.back().problem);
    }
  }

  // The region: the chosen labels' box, else the surfaces' bounds.
  std::array<double, 6> region{ { 1e300, -1e300, 1e300, -1e300, 1e300, -1e300 } };
  auto include = [&](const std::array<double, 6>& box) {
    for (std::size_t axis = 0; axis < 3; ++axis) {
      region[2 * axis] = std::min(region[2 * axis], box[2 * axis]);
      region[2 * axis + 1] = std::max(region[2 * axis + 1], box[2 * axis + 1]);
    }
  };
  for (int label : chosen) {
    const LabelExtent& extent = labels.extents.at(label);
    include(lpsBox(labelImage.indexToLps, extent.low, extent.high));
  }
  for (const SurfaceInput& input : surfaceInputs) {
    double bounds[6];
    input.surface->GetBounds(bounds);
    include({ { bounds[0], bounds[1], bounds[2], bounds[3], bounds[4], bounds[5] } });
  }

  ImageInput ct;
  if (!options.ct.empty()) {
    {
      const LibraryChatterSilenced quiet;
      ct = readImageInput(options.ct);
    }
    if (!ct.problem.empty()) {
      return refuse(options.ct + ": " + ct.problem);
    }
    int dimensions[3];
    ct.image->GetDimensions(dimensions);
    if (!overlap(region,
                 lpsBox(ct.indexToLps,
                        { 0, 0, 0 },
                        { dimensions[0] - 1, dimensions[1] - 1, dimensions[2] - 1 }))) {
      return refuse(options.ct + " and the structures do not overlap: the CT lies elsewhere in "
                                 "the patient than the labels");
    }
  }

  std::array<double, 3> centre = { 0.5 * (region[0] + region[1]),
                                   0.5 * (region[2] + region[3]),
                                   0.5 * (region[4] + region[5]) };
  if (options.sectionCentre) {
    const double world[4] = {
      (*options.sectionCentre)[0], (*options.sectionCentre)[1], (*options.sectionCentre)[2], 1.0
    };
    double lps[4];
    (labelImage.worldToLps ? labelImage.worldToLps.Get() : vtkNew<vtkMatrix4x4>().GetPointer())
      ->MultiplyPoint(world, lps);
    centre = { lps[0], lps[1], lps[2] };
  }

  // The ear's side: a label map of the whole head tells by where the region lies (x grows
  // toward the patient's left); one cropped to the ear does not.
  Side side = Side::Right;
  std::string sideNote = "right ear";
  if (options.side) {
    side = *options.side;
    sideNote = side == Side::Left ? "left ear (--side)" : "right ear (--side)";
  } else if (labelImage.indexToLps) {
    const auto& d = labels.dimensions;
    const std::array<double, 6> image =
      lpsBox(labelImage.indexToLps, { 0, 0, 0 }, { d[0] - 1, d[1] - 1, d[2] - 1 });
    const double offset = 0.5 * (region[0] + region[1]) - 0.5 * (image[0] + image[1]);
    if (std::abs(offset) > 20.0) {
      side = offset > 0 ? Side::Left : Side::Right;
      sideNote = side == Side::Left ? "left ear (from the image)" : "right ear (from the image)";
    } else {
      sideNote = "right ear assumed (--side left for a left ear)";
    }
  }
  const ModelFrame frame = makeModelFrame(centre, side);

  progress("cochlex-make-model: " + std::to_string(chosen.size() + surfaceInputs.size()) +
           " structures, " + sideNote + ", triangle budget " +
           std::to_string(options.maxTriangles) + " each");

  ModelContent content;
  for (const std::string& source : options.sources) {
    content.sources.push_back(fileName(source));
  }
  std::map<long, const ColorEntry*> entries;
  for (const ColorEntry& entry : table.entries) {
    entries[entry.label] = &entry;
  }
  const vtkSmartPointer<vtkMatrix4x4> indexToModel =
    labelImage.indexToLps ? product(frame.lpsToModel, labelImage.indexToLps) : nullptr;
  std::size_t paletteIndex = 0;
  for (int label : chosen) {
    Structure structure;
    const auto entry = entries.find(label);
    if (entry != entries.end()) {
      structure.name = entry->second->name.substr(0, maximumNameLength);
      structure.color = entry->second->color;
      structure.opacity = entry->second->opacity;
    } else {
      structure.name = "Structure " + std::to_string(label);
      structure.color = structurePalette()[paletteIndex++ % 9];
    }
    structure.source = "label " + std::to_string(label) + " of " + fileName(options.labelMap);
    structure.description = descriptionPage(options.descriptions, structure.name, label);
    structure.surface = labelSurface(labels, label, indexToModel, options.maxTriangles);
    progress("  " + structure.name + " (label " + std::to_string(label) + ", " +
             std::to_string(labels.extents.at(label).voxels) +
             " voxels): " + std::to_string(structure.surface->GetNumberOfPolys()) + " triangles");
    content.structures.push_back(structure);
  }
  for (std::size_t index = 0; index < surfaceInputs.size(); ++index) {
    Structure structure;
    structure.name = options.surfaces[index].first.substr(0, maximumNameLength);
    structure.color = structurePalette()[paletteIndex++ % 9];
    structure.source = fileName(options.surfaces[index].second);
    structure.description = descriptionPage(options.descriptions, structure.name, -1);
    structure.surface =
      preparedSurface(surfaceInputs[index].surface, frame.lpsToModel, options.maxTriangles);
    surfaceInputs[index].surface = nullptr;
    progress("  " + structure.name + " (" + structure.source +
             "): " + std::to_string(structure.surface->GetNumberOfPolys()) + " triangles");
    content.structures.push_back(structure);
  }

  // The section volume covers the labelled region and its margin at the grey image's own
  // resolution: the CT's, else the label map's (a grey per structure), else a grid of its own.
  std::string coarsened;
  vtkMatrix4x4* const greyIndexToLps = ct.image ? ct.indexToLps.Get() : labelImage.indexToLps.Get();
  GridSource gridSource;
  if (ct.image) {
    ct.image->GetDimensions(gridSource.dimensions.data());
    gridSource.indexToLps = ct.indexToLps;
  } else if (!labels.labels.empty()) {
    gridSource.dimensions = labels.dimensions;
    gridSource.indexToLps = labelImage.indexToLps;
  }
  content.volumeGrid = sectionGrid(frame, region, gridSource, largestSectionVolumeBytes, coarsened);
  const vtkSmartPointer<vtkMatrix4x4> sectionToLps =
    product(inverse(frame.lpsToModel), sectionVoxelPlacement(content.volumeGrid));
  if (ct.image) {
    const GreyWindow window =
      options.window
        ? *options.window
        : percentileWindow(ct.image, ct.indexToLps, region, ct.rescaleSlope, ct.rescaleIntercept);
    content.volume = resampleImage(ct.image,
                                   content.volumeGrid.dimensions,
                                   product(inverse(greyIndexToLps), sectionToLps),
                                   ct.rescaleSlope,
                                   ct.rescaleIntercept,
                                   window);
    char text[160];
    std::snprintf(text,
                  sizeof text,
                  "%s, window centre %g, width %g",
                  fileName(options.ct).c_str(),
                  window.centre,
                  window.width);
    content.volumeSource = text;
    warnOfCoarseVoxels(content, gridSource);
    ct = ImageInput();
  } else if (!labels.labels.empty()) {
    // A grey per structure, evenly spread from mid grey to near white over the dark background.
    static std::array<std::uint8_t, 65536> greys;
    greys.fill(backgroundGrey);
    for (std::size_t index = 0; index < chosen.size(); ++index) {
      greys[std::size_t(chosen[index])] =
        std::uint8_t(96 + (chosen.size() > 1 ? index * 144 / (chosen.size() - 1) : 144));
    }
    content.volume = resampleLabels(labels.labels,
                                    labels.dimensions,
                                    content.volumeGrid.dimensions,
                                    product(inverse(greyIndexToLps), sectionToLps),
                                    greys);
    content.volumeSource = "the labels of " + fileName(options.labelMap) + ", a grey each";
  } else {
    content.volume.assign(std::size_t(content.volumeGrid.byteCount()), backgroundGrey);
    content.volumeSource = "no image (an empty volume around the surfaces)";
  }
  if (!coarsened.empty()) {
    content.volumeSource += "; " + coarsened;
  }
  labels = LabelVolume();
  const std::array<int, 3>& size = content.volumeGrid.dimensions;
  progress("  section volume: " + std::to_string(size[0]) + " x " + std::to_string(size[1]) +
           " x " + std::to_string(size[2]) + " voxels from " + content.volumeSource);

  const sample::HeadShape head(
    { frame.centreInModel[0], frame.centreInModel[1], frame.centreInModel[2] });
  content.head = sample::headSurface(head);

  if (const std::string problem =
        writeModelFolder(options.outFolder, options.force, inputs, content);
      !problem.empty()) {
    return refuse(problem);
  }
  char done[64];
  std::snprintf(done, sizeof done, "%.1f s", clock.elapsed() / 1000.0);
  progress("Model written to " + options.outFolder + " in " + done + "; open it with: cochlex " +
           options.outFolder);
  return 0;
}

} // namespace makemodel
