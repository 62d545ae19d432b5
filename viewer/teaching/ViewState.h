#pragma once

#include "viewer/teaching/LabelSize.h"

#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <vector>

// Where the camera stands and what it looks at, in model coordinates.
struct CameraPose
{
  std::array<double, 3> position{ { 0, 0, 1 } };
  std::array<double, 3> focalPoint{ { 0, 0, 0 } };
  std::array<double, 3> viewUp{ { 0, 1, 0 } };
  double viewAngle = 30; // degrees, vertical
};

// One structure's part of a picture, found again by its name: a lesson may be opened on a model
// whose structure list is ordered differently or lacks some.
struct StructureView
{
  QString name;
  bool shown = true;
  double transparency = 0; // 0 opaque to 1 invisible, in tenths as the controls hold it
};

// One section axis's part of a picture (internal axes x, y, z).
struct SectionView
{
  int number = 1;     // the section number, 1 to the slice count of the axis
  bool shown = false; // whether its image is in the model view
  int cut = 0;        // the clipping slider: 0 no cut, 1 keep the normal's side, -1 the other
};

// The whole picture a teacher keeps as one view of a lesson.
struct ViewState
{
  QString name;
  QString caption;
  CameraPose camera;
  std::vector<StructureView> structures;
  std::array<SectionView, 3> sections{};
  // Switches of features a build may lack: absent, they are neither captured nor applied.
  std::optional<bool> labels;
  std::optional<bool> solidCutFaces;
  std::optional<bool> whiteBackground;
  std::optional<LabelSize> labelSize; // absent in lessons older than View > Label Size
  QString selectedStructure;          // empty: none

  const StructureView* structureNamed(const QString& structureName) const;
};

// A lesson: the views, in order, and the structure list of the model they were made on.
struct Lesson
{
  QStringList structureNames;
  std::vector<ViewState> views;
};
