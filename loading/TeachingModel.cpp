#include "loading/TeachingModel.h"

#include "loading/ColorFile.h"
#include "loading/Console.h"
#include "loading/LegacyPolyDataCheck.h"
#include "loading/ModelFile.h"
#include "loading/SectionVolume.h"
#include "loading/StructureDescription.h"
#include "loading/StructureList.h"

#include <vtkImageData.h>
#include <vtkPolyData.h>

#include <filesystem>
#include <istream>
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

TeachingModel
loadTeachingModel(const std::string& folder, const TeachingModelSteps& steps)
{
  TeachingModel model;

  const std::string listPath = folder + "/Joint_transformed.txt";
  RegularFile listFile(listPath);
  if (!listFile.isOpen()) {
    report(model, "Cannot open file: " + listPath);
    return model;
  }
  model.listFound = true;
  call(steps.listOpened);

  // Read as it goes from the one descriptor, never beyond its bound.
  BoundedFileBuffer listBuffer(listFile, largestStructureListBytes);
  std::istream listInput(&listBuffer);
  const StructureList list = parseStructureList(listInput, listPath);
  for (const StructureEntry& entry : list.entries) {
    LoadedStructure structure;
    structure.path = folder + entry.relativePath;
    structure.opacity = entry.opacity;
    const std::string shownPath = shortenedInMiddle(structure.path);
    if (!entry.problem.empty()) {
      // Its file is not looked at: the row stays, without a surface.
      structure.problem = entry.problem;
      structure.color = ColorRead().color;
      structure.surface = vtkSmartPointer<vtkPolyData>::New();
      report(model, "Cannot load surface " + shownPath + ": " + entry.problem + ".");
    } else {
      const ColorRead color = readStructureColor(structure.path);
      structure.color = color.color;
      if (!color.problem.empty()) {
        report(model, "Colour file " + shownPath + ".color " + color.problem + ".");
      }
      structure.surface = readSurface(model, structure.path, &structure.problem);
      DescriptionRead description = readStructureDescription(structure.path);
      if (!description.problem.empty()) {
        report(model, description.problem);
      }
      structure.description = std::move(description.page);
    }
    if (!(entry.opacity >= 0 && entry.opacity <= 1)) {
      std::ostringstream message;
      message << "Structure list " << listPath << ": the opacity of " << shownPath << " is "
              << entry.opacity << ", outside 0 to 1; it is taken as the nearest of 0 and 1.";
      report(model, message.str());
    }
    if (steps.structureRead) {
      steps.structureRead(model.structureCount, structure);
    }
    ++model.structureCount;
  }
  if (!list.problem.empty()) {
    report(model, list.problem);
  }
  if (listBuffer.cutShort()) {
    report(model,
           "Structure list " + listPath + " is larger than " +
             megabytes(largestStructureListBytes) + "; the rest of it is not read.");
  }

  const vtkSmartPointer<vtkPolyData> head =
    readSurface(model, folder + "/Joint/Head_bone_transformed.vtp");
  if (steps.headRead) {
    steps.headRead(head);
  }

  const std::string volumePath = folder + "/Joint/Joint.raw";
  const SectionVolumeRead volume = readSectionVolume(volumePath);
  if (volume.volume == nullptr) {
    report(model,
           volume.problem,
           "Cannot read the section volume " + volumePath + ": the section images stay empty.");
  } else if (!volume.problem.empty()) {
    report(model,
           volume.problem,
           "The section volume " + volumePath + " is short: " + std::to_string(volume.bytesRead) +
             " of " + std::to_string(sectionVolumeByteCount) +
             " bytes; the sections beyond them are black.");
  }
  if (volume.volume != nullptr && volume.fileSize > sectionVolumeByteCount) {
    report(model,
           "The section volume " + volumePath + " holds " + std::to_string(volume.fileSize) +
             " bytes, more than the " + std::to_string(sectionVolumeByteCount) +
             " of a volume; only the first are used.");
  }
  model.volume = volume.volume;
  return model;
}
