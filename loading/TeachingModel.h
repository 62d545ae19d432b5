#pragma once

#include "loading/SectionVolume.h"

#include <QString>

#include <vtkSmartPointer.h>

#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

class vtkImageData;
class vtkPolyData;

// The folder a teaching model is read from: the working directory. problem is set (and path
// empty) when the system cannot tell which folder that is.
struct ModelFolder
{
  std::string path;
  std::string problem;
};

ModelFolder
currentModelFolder();

// One structure of the list, read and checked.
struct LoadedStructure
{
  std::string path; // the surface file: folder followed by the list's line
  QString name;     // from the manifest, else from the file's name
  QString group;    // a heading of the control panel; empty: none
  bool rowShown = true;
  bool namedByManifest = false; // name and row come from a model manifest
  double opacity = 1.0;
  std::array<double, 3> color{};
  vtkSmartPointer<vtkPolyData> surface; // never null; empty when the file could not be used
  std::string problem;                  // empty when the surface loaded
  QString description; // its HTML page; null when it has none or it could not be read
};

// Hooks into the load, so that whoever shows the model can build it up as it arrives.
struct TeachingModelSteps
{
  std::function<void()> listOpened;
  std::function<void(std::size_t index, const LoadedStructure& structure)> structureRead;
  std::function<void(vtkPolyData* head)> headRead;
};

// Everything read from a model folder. problems holds each problem as the user reads it (the
// console line, or plainer words where that line is terse); an empty list means the model
// loaded completely.
struct TeachingModel
{
  bool listFound = false;
  // Read from the model manifest, not from the structure list alone.
  bool fromManifest = false;
  std::size_t structureCount = 0;
  vtkSmartPointer<vtkImageData> volume; // null when the volume file could not be opened
  SectionVolumeGrid volumeGrid;         // the grid volume holds and its place in the model
  std::vector<std::string> problems;
};

// Reads the model manifest where the folder has a usable one, else the structure list, then every
// structure with its colour, the head model and the section
// volume from folder, in that order, printing a line for each problem as it is met. Nothing of
// it needs a window: steps are called as the parts arrive.
TeachingModel
loadTeachingModel(const std::string& folder, const TeachingModelSteps& steps);
