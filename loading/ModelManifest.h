#pragma once

#include "loading/SectionVolume.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The model manifest, "cochlex-model.json" in the model folder: the structures in order with
// their names, groups, colours, opacities, description pages and rows, and the head model. A
// folder without one is read from its structure list, as it always was.
constexpr const char* modelManifestName = "cochlex-model.json";
constexpr int modelManifestVersion = 1;
// A manifest is a page of text per structure; a megabyte holds thousands of them.
constexpr std::int64_t largestModelManifestBytes = std::int64_t(1) << 20;
// Rows, labels and the quiz stay usable up to this many structures.
constexpr int largestManifestStructureCount = 64;
// A name is a title of a row and a label: longer ones are shortened.
constexpr int longestStructureName = 120;

struct ManifestStructure
{
  std::string relativePath; // from the model folder, beginning with "/", as in the list
  QString name;
  QString group;
  std::optional<std::array<double, 3>> color; // none: the colour file beside the surface
  double opacity = 1.0;                       // within 0 to 1
  std::optional<std::string> descriptionPath; // none: the surface's path with ".html"
  bool rowShown = true;
  // Why the entry's surface must not be read (no file, a path that leaves the folder); the
  // entry keeps its row either way.
  std::string problem;
};

struct ModelManifest
{
  std::vector<ManifestStructure> structures;
  std::string headPath; // from the model folder, beginning with "/"; empty: the usual head
  // The section volume's entry: absent, the fixed grid of "Joint/Joint.raw" is read; present but
  // refused (volumeUsable false), the model is shown without section images.
  bool volumeGiven = false;
  bool volumeUsable = false;
  SectionVolumeGrid volume;
  // One line each for what was wrong and how it was taken; the manifest is used as far as
  // it goes.
  std::vector<std::string> problems;
  // The manifest cannot be used at all (not JSON, not a manifest, a newer version).
  bool usable = false;
};

// Reads a manifest's text; shownPath names it in the problems.
ModelManifest
parseModelManifest(const std::string& text, const std::string& shownPath);

// A structure's name from its surface file: the file name without its extension, underscores
// shown as spaces ("Joint/Incus_Articular_Cartilage.vtk" gives "Incus Articular Cartilage").
QString
structureNameFromPath(const QString& path);
