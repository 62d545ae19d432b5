#pragma once

#include <array>
#include <vector>

class vtkAbstractMapper;
class vtkActor;
class vtkMatrix4x4;
class vtkPlane;
class vtkTransform;
struct SectionVolumeGrid;

// Section numbers count from 1, slice indices from 0.
int
sliceIndexForSection(int sectionNumber);

// How far a section image travels along its normal when its number goes from previous to
// number: one voxel spacing per step.
double
sectionOffset(int number, int previous, double spacing);

// The section number a control starts at on a grid of count slices: the middle one, as the
// controls of the fixed grid start (374 of 748, 276 of 552, 58 of 115).
int
middleSection(int count);

// Places a section image cut from a grid that stands in the model frame: the image's points go
// through the reslice axes (image to the volume's own millimetres), then the grid's direction and
// origin (those millimetres to the model frame). The transform is left in pre-multiply mode, so
// a later step along the image's normal stays a step through the grid.
void
placeSectionImage(vtkTransform* transform,
                  const SectionVolumeGrid& grid,
                  vtkMatrix4x4* resliceAxes);

// Centre of world bounds given as (x min, x max, y min, y max, z min, z max).
std::array<double, 3>
boundsCentre(const double bounds[6]);

// The section image's normal in world space: the z column of its placing transform,
// negated when the clipping side is negative so that the plane keeps the opposite half.
std::array<double, 3>
clipPlaneNormal(vtkTransform* transform, int side);

// How many times mapper holds plane among its clipping planes.
int
clipPlaneCopies(vtkAbstractMapper* mapper, vtkPlane* plane);

// Removes every copy of plane from mapper (a plane added through both actors of a structure
// would otherwise survive one removal).
void
detachClipPlane(vtkAbstractMapper* mapper, vtkPlane* plane);

// Adds plane to mapper unless it already holds it, so a mapper shared by two actors is
// cut once.
void
attachClipPlane(vtkAbstractMapper* mapper, vtkPlane* plane);

// The mappers of the structure actors, each once, in actor order (front, then back, per
// structure). Front and back actors of a structure share one mapper.
std::vector<vtkAbstractMapper*>
structureMappers(const std::vector<vtkActor*>& frontActors,
                 const std::vector<vtkActor*>& backActors);
