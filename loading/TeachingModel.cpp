#include "loading/TeachingModel.h"

#include "loading/ColorFile.h"
#include "loading/Console.h"
#include "loading/LegacyPolyDataCheck.h"
#include "loading/ModelFile.h"
#include "loading/ModelManifest.h"
#include "loading/SectionVolume.h"
#include "loading/StructureDescription.h"
#include "loading/StructureList.h"

#include <vtkImageData.h>
#include <vtkPolyData.h>

#include <QFile>

#include <filesystem>
#include <istream>
#include <optional>
#include <sstream>
#include <system_error>

namespace {

// Problems are printed when they happen, so the console keeps the load's order, and kept for
// whoever shows them to the user afterwards, in words for the user where the console line is
// terse.
void
report(TeachingModel& model, const std::string& problem, const std::string& forTheUser = {})
{
  printLine(problem);
  model.problems.push_back(forTheUser.empty() ? problem : forTheUser);
}

// A surface that fails its checks is reported and replaced by an empty one, so the rest of the
// load goes on without it.
vtkSmartPointer<vtkPolyData>
readSurface(TeachingModel& model, const std::string& path, std::string* problemOut = nullptr)
{
  SurfaceRead read = readCheckedPolyData(path);
  if (!read.problem.empty()) {
    report(model, "Cannot load surface " + shortenedInMiddle(path) + ": " + read.problem + ".");
    if (problemOut != nullptr) {
      *problemOut = read.problem;
    }
  }
  return read.surface;
}

void
call(const std::function<void()>& step)
{
  if (step) {
    step();
  }
}

} // namespace

ModelFolder
currentModelFolder()
{
  ModelFolder folder;
  std::error_code error;
  const std::filesystem::path directory = std::filesystem::current_path(error);
  if (error || directory.empty()) {
    // Without a folder every relative name would resolve against the file-system root.
    folder.problem = "Cannot determine the current working directory (" +
                     (error ? error.message() : std::string("empty path")) +
                     "); no teaching model is loaded.";
    return folder;
  }
  folder.path = directory.string();
  return folder;
}

namespace {

// One structure as the manifest or the list names it, before its files are read.
struct ModelEntry
{
  std::string relativePath;
  double opacity = 1.0;
  bool opacityInRange = true;
  std::string problem;
  QString name;
  QString group;
  bool rowShown = true;
  std::optional<std::array<double, 3>> color;
  std::optional<std::string> descriptionPath;
};

// The structures of the manifest, when the folder has one that can be used; its problems are
// reported either way. headPath is set where the manifest names the head model.
// Where the model's section volume comes from.
struct VolumeSource
{
  SectionVolumeGrid grid; // the fixed grid unless the manifest gives one
  bool refused = false;   // the manifest's entry could not be used: no section images
};

bool
readManifestEntries(TeachingModel& model,
                    const std::string& folder,
                    std::vector<ModelEntry>& entries,
                    std::string& headPath,
                    VolumeSource& volume)
{
  const std::string path = folder + "/" + modelManifestName;
  const FileBytes file = readWholeFile(path, largestModelManifestBytes);
  if (file.missing) {
    return false;
  }
  if (!file.problem.empty()) {
    report(model,
           "Model manifest " + shortenedInMiddle(path) + " " + file.problem +
             "; the structure list is read instead.");
    return false;
  }
  const ModelManifest manifest = parseModelManifest(file.bytes, path);
  for (const std::string& problem : manifest.problems) {
    report(model, problem + (manifest.usable ? "" : " The structure list is read instead."));
  }
  if (!manifest.usable) {
    return false;
  }
  for (const ManifestStructure& structure : manifest.structures) {
    ModelEntry entry;
    entry.relativePath = structure.relativePath;
    entry.opacity = structure.opacity;
    entry.problem = structure.problem;
    entry.name = structure.name;
    entry.group = structure.group;
    entry.rowShown = structure.rowShown;
    entry.color = structure.color;
    entry.descriptionPath = structure.descriptionPath;
    entries.push_back(std::move(entry));
  }
  if (!manifest.headPath.empty()) {
    headPath = manifest.headPath;
  }
  if (manifest.volumeGiven) {
    volume.grid = manifest.volume;
    volume.refused = !manifest.volumeUsable;
  }
  return true;
}

// The structures of the structure list; false when there is no list to read. The list's own
// problems go to listProblems, reported after its structures.
bool
readListEntries(TeachingModel& model,
                const std::string& folder,
                std::vector<ModelEntry>& entries,
                std::vector<std::string>& listProblems)
{
  const std::string listPath = folder + "/Joint_transformed.txt";
  RegularFile listFile(listPath);
  if (!listFile.isOpen()) {
    report(model, "Cannot open file: " + listPath);
    return false;
  }
  // Read as it goes from the one descriptor, never beyond its bound.
  BoundedFileBuffer listBuffer(listFile, largestStructureListBytes);
  std::istream listInput(&listBuffer);
  const StructureList list = parseStructureList(listInput, listPath);
  for (const StructureEntry& listEntry : list.entries) {
    ModelEntry entry;
    entry.relativePath = listEntry.relativePath;
    entry.opacity = listEntry.opacity;
    entry.opacityInRange = listEntry.opacity >= 0 && listEntry.opacity <= 1;
    entry.problem = listEntry.problem;
    entry.name =
      structureNameFromPath(QFile::decodeName(QByteArray::fromStdString(listEntry.relativePath)));
    // The list's fourth structure, the areolar tissue, has no row of its own.
    entry.rowShown = entries.size() != 3;
    entries.push_back(std::move(entry));
  }
  if (!list.problem.empty()) {
    listProblems.push_back(list.problem);
  }
  if (listBuffer.cutShort()) {
    listProblems.push_back("Structure list " + listPath + " is larger than " +
                           megabytes(largestStructureListBytes) + "; the rest of it is not read.");
  }
  return true;
}

// The section volume of grid, its problems reported; null when it cannot be shown.
vtkSmartPointer<vtkImageData>
readVolume(TeachingModel& model, const std::string& folder, const SectionVolumeGrid& grid)
{
  const std::string volumePath = folder + grid.relativePath;
  const SectionVolumeRead volume = readSectionVolume(volumePath, grid);
  const std::string byteCount = std::to_string(grid.byteCount());
  if (volume.refused) {
    report(model, volume.problem + "; the model is shown without section images.");
  } else if (volume.volume == nullptr) {
    report(model,
           volume.problem,
           "Cannot read the section volume " + volumePath + ": the section images stay empty.");
  } else if (!volume.problem.empty()) {
    report(model,
           volume.problem,
           "The section volume " + volumePath + " is short: " + std::to_string(volume.bytesRead) +
             " of " + byteCount + " bytes; the sections beyond them are black.");
  }
  if (volume.volume != nullptr && volume.fileSize > grid.byteCount()) {
    report(model,
           "The section volume " + volumePath + " holds " + std::to_string(volume.fileSize) +
             " bytes, more than the " + byteCount + " of a volume; only the first are used.");
  }
  return volume.volume;
}

} // namespace

TeachingModel
loadTeachingModel(const std::string& folder, const TeachingModelSteps& steps)
{
  TeachingModel model;
  std::vector<ModelEntry> entries;
  std::vector<std::string> listProblems;
  std::string headPath = "/Joint/Head_bone_transformed.vtp";
  VolumeSource volumeSource;
  model.fromManifest = readManifestEntries(model, folder, entries, headPath, volumeSource);
  if (!model.fromManifest && !readListEntries(model, folder, entries, listProblems)) {
    return model;
  }
  model.listFound = true;
  call(steps.listOpened);

  for (const ModelEntry& entry : entries) {
    LoadedStructure structure;
    structure.path = folder + entry.relativePath;
    structure.opacity = entry.opacity;
    structure.name = entry.name;
    structure.group = entry.group;
    structure.rowShown = entry.rowShown;
    structure.namedByManifest = model.fromManifest;
    const std::string shownPath = shortenedInMiddle(structure.path);
    if (!entry.problem.empty()) {
      // Its file is not looked at: the row stays, without a surface.
      structure.problem = entry.problem;
      structure.color = entry.color.value_or(ColorRead().color);
      structure.surface = vtkSmartPointer<vtkPolyData>::New();
      report(model, "Cannot load surface " + shownPath + ": " + entry.problem + ".");
    } else {
      if (entry.color) {
        structure.color = *entry.color;
      } else {
        const ColorRead color = readStructureColor(structure.path);
        structure.color = color.color;
        if (!color.problem.empty()) {
          report(model, "Colour file " + shownPath + ".color " + color.problem + ".");
        }
      }
      structure.surface = readSurface(model, structure.path, &structure.problem);
      DescriptionRead description =
        entry.descriptionPath
          ? (entry.descriptionPath->empty() ? DescriptionRead()
                                            : readDescriptionFile(folder + *entry.descriptionPath))
          : readStructureDescription(structure.path);
      if (!description.problem.empty()) {
        report(model, description.problem);
      }
      structure.description = std::move(description.page);
    }
    if (!entry.opacityInRange) {
      std::ostringstream message;
      message << "Structure list " << folder << "/Joint_transformed.txt: the opacity of "
              << shownPath << " is " << entry.opacity
              << ", outside 0 to 1; it is taken as the nearest of 0 and 1.";
      report(model, message.str());
    }
    if (steps.structureRead) {
      steps.structureRead(model.structureCount, structure);
    }
    ++model.structureCount;
  }
  for (const std::string& problem : listProblems) {
    report(model, problem);
  }

  const vtkSmartPointer<vtkPolyData> head = readSurface(model, folder + headPath);
  if (steps.headRead) {
    steps.headRead(head);
  }

  model.volumeGrid = volumeSource.grid;
  if (!volumeSource.refused) {
    model.volume = readVolume(model, folder, volumeSource.grid);
  }
  return model;
}
