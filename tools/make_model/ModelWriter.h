#pragma once

#include "loading/SectionVolume.h"

#include <vtkSmartPointer.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class vtkPolyData;

namespace makemodel {

struct Structure
{
  std::string name;
  std::array<double, 3> color{};
  double opacity = 1.0;
  vtkSmartPointer<vtkPolyData> surface; // model frame, with normals
  std::string source;                   // "label 3 of head.nii.gz", "ear.stl"
  std::string description;              // HTML, empty when none was given
  std::string group;                    // a heading of the viewer's rows; empty: none
};

struct ModelContent
{
  std::vector<Structure> structures;
  vtkSmartPointer<vtkPolyData> head;
  std::vector<std::uint8_t> volume; // the section volume's bytes
  SectionVolumeGrid volumeGrid;     // its file, grid and place in the model frame
  std::string volumeSource;         // what its greys come from
  std::vector<std::string> sources; // the input files, as given
};

// The file name of a structure: the viewer shows the name back from it (underscores as
// spaces), so only characters that are safe in a file name on every system are kept.
std::string
structureFileName(const std::string& name);

// Writes the whole model into a new folder beside outFolder and only then puts it in
// outFolder's place, so that a failure leaves no half-written model and the old one as it was.
// outFolder must pass checkOutputFolder (OutputFolder.h) with the inputs. Returns the problem,
// empty on success.
std::string
writeModelFolder(const std::string& outFolder,
                 bool force,
                 const std::vector<std::string>& inputs,
                 const ModelContent& content);

} // namespace makemodel
