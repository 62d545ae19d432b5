#pragma once

#include <array>
#include <vector>

class vtkAbstractMapper;
class vtkActor;
class vtkPlane;
class vtkTransform;

// Section numbers count from 1, slice indices from 0.
int
sliceIndexForSection(int sectionNumber);

// How far a section image travels along its normal when its number goes from previous to
// number: one voxel spacing per step.
double
sectionOffset(int number, int previous, double spacing);

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
