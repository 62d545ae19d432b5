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
#include "tools/make_model/SegmentationHeader.h"
#include "tools/make_model/Surfaces.h"

#include <vtkCellArray.h>
#include <vtkImageData.h>
#include <vtkMatrix4x4.h>
#include <vtkNew.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>

#include <QElapsedTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <future>
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

// A copy of the surface moved by the offset (its normals stay as they are).
vtkSmartPointer<vtkPolyData>
movedBy(vtkPolyData* surface, const std::array<double, 3>& offset)
{
  auto moved = vtkSmartPointer<vtkPolyData>::New();
  moved->DeepCopy(surface);
  vtkPoints* points = moved->GetPoints();
  double point[3];
  for (vtkIdType id = 0; id < points->GetNumberOfPoints(); ++id) {
    points->GetPoint(id, point);
    points->SetPoint(id, point[0] + offset[0], point[1] + offset[1], point[2] + offset[2]);
  }
  return moved;
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

// Millimetres between two boxes (0 where they meet).
double
boxDistance(const std::array<double, 6>& a, const std::array<double, 6>& b)
{
  double squared = 0;
  for (std::size_t axis = 0; axis < 3; ++axis) {
    const double gap =
      std::max({ 0.0, a[2 * axis] - b[2 * axis + 1], b[2 * axis] - a[2 * axis + 1] });
    squared += gap * gap;
  }
  return std::sqrt(squared);
}

// Whether a structure's surface keeps its promises: within the triangle budget, and (closed:
// a label's) closed and manifold. Empty when it does.
std::string
surfaceCheck(vtkPolyData* surface, long maxTriangles, bool closed)
{
  if (surface->GetNumberOfPolys() > maxTriangles) {
    return "its surface could not be reduced to " + std::to_string(maxTriangles) +
           " triangles and stay closed (" + std::to_string(surface->GetNumberOfPolys()) +
           " left); raise --max-triangles";
  }
  if (closed) {
    if (const vtkIdType edges = openOrSharedEdges(surface); edges != 0) {
      return "its surface is not closed and manifold (" + std::to_string(edges) +
             " edges not shared by exactly two triangles)";
    }
  }
  return {};
}

// A surface given in RAS, in LPS: x and y change sign.
vtkSmartPointer<vtkPolyData>
rasToLps(vtkPolyData* surface)
{
  auto moved = vtkSmartPointer<vtkPolyData>::New();
  moved->ShallowCopy(surface);
  auto points = vtkSmartPointer<vtkPoints>::New();
  points->DeepCopy(surface->GetPoints());
  for (vtkIdType point = 0; point < points->GetNumberOfPoints(); ++point) {
    double xyz[3];
    points->GetPoint(point, xyz);
    points->SetPoint(point, -xyz[0], -xyz[1], xyz[2]);
  }
  moved->SetPoints(points);
  return moved;
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

// A surface (in LPS, read in frame) that does not meet the label map's box lies in another
// frame or another patient: how far it is, and whether the other frame would place it.
std::string
placementProblem(const SurfaceInput& input,
                 PatientFrame frame,
                 const Options& options,
                 const ImageInput& labelImage,
                 const LabelVolume& labels)
{
  const auto& d = labels.dimensions;
  const std::array<double, 6> map =
    lpsBox(labelImage.indexToLps, { 0, 0, 0 }, { d[0] - 1, d[1] - 1, d[2] - 1 });
  double bounds[6];
  input.surface->GetBounds(bounds);
  const std::array<double, 6> box{
    { bounds[0], bounds[1], bounds[2], bounds[3], bounds[4], bounds[5] }
  };
  if (overlap(box, map)) {
    return {};
  }
  // The same box read in the other frame: x and y change sign.
  const std::array<double, 6> other{ { -box[1], -box[0], -box[3], -box[2], box[4], box[5] } };
  const bool ras = frame == PatientFrame::Ras;
  const char* why = input.frame            ? "as the file says"
                    : options.surfaceSpace ? "as --surface-space says"
                                           : "by default";
  char distance[64];
  std::snprintf(distance, sizeof distance, "%.1f mm", boxDistance(box, map));
  return std::string("does not overlap the label map: read as ") + (ras ? "RAS" : "LPS") + " (" +
         why + ") it lies " + distance + " from it" +
         (overlap(other, map)
            ? std::string("; read as ") + (ras ? "LPS" : "RAS") + " it would overlap" +
                (input.frame ? std::string(", though the file names its frame")
                             : std::string(" (--surface-space ") + (ras ? "lps" : "ras") + ")")
            : std::string("; read as ") + (ras ? "LPS" : "RAS") + " it would not either");
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
  std::vector<int> chosen; // codes in labels
  std::map<int, const SegmentInfo*> segmentOfCode;
  SegmentList segments;
  if (!options.labelMap.empty()) {
    {
      const LibraryChatterSilenced quiet;
      labelImage = readImageInput(options.labelMap, options.frame);
    }
    if (!labelImage.problem.empty()) {
      return refuse(options.labelMap + ": " + labelImage.problem);
    }
    labels =
      makeLabelVolume(labelImage.image, labelImage.rescaleSlope, labelImage.rescaleIntercept);
    labelImage.image = nullptr; // the 16-bit codes are all that is needed from here on
    if (!labels.problem.empty()) {
      return refuse(options.labelMap + ": " + labels.problem);
    }
    const std::vector<int> present = labels.codes();
    if (present.empty()) {
      return refuse(options.labelMap + ": holds no labels (every voxel is 0)");
    }
    segments = segmentsFromHeader(labelImage.headerFields, labels.layers);
    if (!segments.problem.empty()) {
      return refuse(options.labelMap + ": " + segments.problem);
    }
    // A segmentation file's segments in their own order, then any label no segment names.
    std::vector<int> ordered;
    std::vector<std::string> empty;
    for (const SegmentInfo& segment : segments.segments) {
      const int code = labels.codeOf(segment.layer, segment.labelValue);
      if (code == 0) {
        empty.push_back(displayName(segment.name, maximumNameLength));
      } else if (!segmentOfCode.count(code)) {
        segmentOfCode[code] = &segment;
        ordered.push_back(code);
      }
    }
    for (int code : present) {
      if (!segmentOfCode.count(code)) {
        ordered.push_back(code);
      }
    }
    if (!empty.empty()) {
      progress(
        "cochlex-make-model: warning: " +
        shortenedInMiddle("segments without voxels left out: " + listedBriefly(empty, 8), 400));
    }
    // The manifest gives every structure a row, up to the viewer's largest model.
    const std::size_t largest = std::size_t(largestManifestStructureCount);
    const std::size_t rows = largest - std::min(largest, options.surfaces.size());
    if (!options.labels.empty()) {
      for (std::int64_t label : options.labels) {
        bool found = false;
        for (int code : ordered) {
          if (labels.segments[std::size_t(code)].value == label) {
            found = true;
            if (std::find(chosen.begin(), chosen.end(), code) == chosen.end()) {
              chosen.push_back(code);
            }
          }
        }
        if (!found) {
          return refuse("label " + std::to_string(label) + " has no voxels in " + options.labelMap);
        }
      }
    } else {
      chosen = ordered;
    }
    if (chosen.size() > rows) {
      std::vector<std::string> found;
      for (int code : present) {
        const LabelSegment& segment = labels.segments[std::size_t(code)];
        found.push_back(std::to_string(segment.value) + " (" +
                        std::to_string(segment.extent.voxels) + " voxels)");
      }
      return refuse(options.labelMap + ": " + std::to_string(chosen.size()) +
                    " labels, more than the viewer's " + std::to_string(rows) +
                    " free rows; choose with --labels from " + listedBriefly(found, 12));
    }
    if (!options.colors.empty()) {
      // A table made for another segmentation is no table for this one.
      auto listed = [&](std::int64_t value) {
        return std::any_of(table.entries.begin(),
                           table.entries.end(),
                           [&](const ColorEntry& entry) { return entry.label == value; });
      };
      std::vector<std::string> unmatched, all;
      bool matched = false;
      for (int code : present) {
        const std::int64_t value = labels.segments[std::size_t(code)].value;
        matched = matched || listed(value);
        if (all.empty() || all.back() != std::to_string(value)) {
          all.push_back(std::to_string(value));
        }
      }
      for (int code : chosen) {
        const std::string value = std::to_string(labels.segments[std::size_t(code)].value);
        if (!listed(labels.segments[std::size_t(code)].value) &&
            std::find(unmatched.begin(), unmatched.end(), value) == unmatched.end()) {
          unmatched.push_back(value);
        }
      }
      if (!matched) {
        return refuse(options.colors + ": names none of the labels of " +
                      fileName(options.labelMap) + " (" + listedBriefly(all, 12) + ")");
      }
      if (!unmatched.empty()) {
        progress("cochlex-make-model: warning: " + fileName(options.colors) + " names no label " +
                 listedBriefly(unmatched, 12) + " of " + fileName(options.labelMap) +
                 "; they keep their own names and colours");
      }
    }
  } else if (options.surfaces.size() > std::size_t(largestManifestStructureCount)) {
    return refuse("more than " + std::to_string(largestManifestStructureCount) +
                  " surfaces: the viewer shows at most that many structures");
  }

  // The orientation view's head is one shape wherever the ear lies: it is made around the origin
  // on the second core while the surfaces, the CT and the section volume are made here, and moved
  // to the ear when the model is written. Alone it takes a quarter of a run on a 512 x 512 x 300
  // map (0.3 of 1.2 s).
  std::future<vtkSmartPointer<vtkPolyData>> headAtOrigin = std::async(std::launch::async, [] {
    return sample::headSurface(sample::HeadShape({ 0, 0, 0 }));
  });

  // Surfaces come in the frame their file names, else the one given, else the label map's own
  // (NIfTI's and a RAS NRRD's are RAS), else LPS.
  const bool labelMapInRas = labelImage.worldToLps && labelImage.worldToLps->GetElement(0, 0) < 0 &&
                             labelImage.worldToLps->GetElement(1, 1) < 0;
  const PatientFrame defaultFrame = options.surfaceSpace ? *options.surfaceSpace
                                    : labelMapInRas      ? PatientFrame::Ras
                                                         : PatientFrame::Lps;
  std::vector<SurfaceInput> surfaceInputs;
  for (const auto& [name, path] : options.surfaces) {
    {
      const LibraryChatterSilenced quiet;
      surfaceInputs.push_back(readSurfaceInput(path));
    }
    SurfaceInput& input = surfaceInputs.back();
    if (!input.problem.empty()) {
      return refuse(path + ": " + input.problem);
    }
    const PatientFrame frame = input.frame.value_or(defaultFrame);
    if (frame == PatientFrame::Ras) {
      input.surface = rasToLps(input.surface);
    }
    if (labelImage.indexToLps) {
      if (const std::string problem = placementProblem(input, frame, options, labelImage, labels);
          !problem.empty()) {
        return refuse(path + ": " += problem);
      }
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
  for (int code : chosen) {
    const LabelExtent& extent = labels.segments[std::size_t(code)].extent;
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
    if (ct.layers != 1) {
      return refuse(options.ct + ": is a segmentation's layers, not a grey-value image");
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
  for (int code : chosen) {
    const LabelSegment& label = labels.segments[std::size_t(code)];
    Structure structure;
    const auto entry = entries.find(long(label.value));
    const auto segment = segmentOfCode.find(code);
    // The colour table first, then the segmentation file's own names and colours.
    std::optional<std::array<double, 3>> color;
    if (entry != entries.end()) {
      structure.name = displayName(entry->second->name, maximumNameLength);
      color = entry->second->color;
      structure.opacity = entry->second->opacity;
      structure.group = displayName(entry->second->group, maximumNameLength);
    } else if (segment != segmentOfCode.end()) {
      structure.name = displayName(segment->second->name, maximumNameLength);
      color = segment->second->color;
    }
    if (structure.name.empty()) {
      structure.name = "Structure " + std::to_string(label.value);
    }
    structure.color = color ? *color : structurePalette()[paletteIndex++ % 9];
    const std::string labelText =
      "label " + std::to_string(label.value) +
      (labels.layers > 1 ? " of layer " + std::to_string(label.layer) : std::string());
    structure.source = labelText + " of " + fileName(options.labelMap);
    structure.description = descriptionPage(
      options.descriptions, structure.name, int(std::min<std::int64_t>(label.value, INT32_MAX)));
    structure.surface = labelSurface(labels, code, indexToModel, options.maxTriangles);
    progress("  " + structure.name + " (" + labelText + ", " + std::to_string(label.extent.voxels) +
             " voxels): " + std::to_string(structure.surface->GetNumberOfPolys()) + " triangles");
    // A label's surface is closed and manifold by construction: what the viewer cuts and caps.
    if (const std::string problem = surfaceCheck(structure.surface, options.maxTriangles, true);
        !problem.empty()) {
      return refuse(structure.name + " (" + labelText + "): " += problem);
    }
    content.structures.push_back(structure);
  }
  for (std::size_t index = 0; index < surfaceInputs.size(); ++index) {
    Structure structure;
    structure.name = displayName(options.surfaces[index].first, maximumNameLength);
    if (structure.name.empty()) {
      structure.name = "Surface " + std::to_string(index + 1);
    }
    structure.color = structurePalette()[paletteIndex++ % 9];
    structure.source = fileName(options.surfaces[index].second);
    structure.description = descriptionPage(options.descriptions, structure.name, -1);
    structure.surface =
      preparedSurface(surfaceInputs[index].surface, frame.lpsToModel, options.maxTriangles);
    surfaceInputs[index].surface = nullptr;
    progress("  " + structure.name + " (" + structure.source +
             "): " + std::to_string(structure.surface->GetNumberOfPolys()) + " triangles");
    if (const std::string problem = surfaceCheck(structure.surface, options.maxTriangles, false);
        !problem.empty()) {
      return refuse(structure.name + " (" + structure.source + "): " + problem);
    }
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
                                    labels.layers,
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

  content.head = movedBy(headAtOrigin.get(), frame.centreInModel);

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
