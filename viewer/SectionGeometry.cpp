#include "viewer/SectionGeometry.h"

#include "loading/SectionVolume.h"

#include <vtkAbstractMapper.h>
#include <vtkActor.h>
#include <vtkMapper.h>
#include <vtkMatrix4x4.h>
#include <vtkNew.h>
#include <vtkPlane.h>
#include <vtkPlaneCollection.h>
#include <vtkTransform.h>

#include <algorithm>

int
sliceIndexForSection(int sectionNumber)
{
  return sectionNumber - 1;
}

double
sectionOffset(int number, int previous, double spacing)
{
  return (number - previous) * spacing;
}

int
middleSection(int count)
{
  return (count + 1) / 2;
}

void
placeSectionImage(vtkTransform* transform, const SectionVolumeGrid& grid, vtkMatrix4x4* resliceAxes)
{
  vtkNew<vtkMatrix4x4> frame;
  for (std::size_t axis = 0; axis < 3; ++axis) {
    for (std::size_t row = 0; row < 3; ++row) {
      frame->SetElement(int(row), int(axis), grid.direction[axis][row]);
    }
    frame->SetElement(int(axis), 3, grid.origin[axis]);
  }
  transform->Identity();
  transform->PreMultiply();
  transform->Concatenate(frame);
  transform->Concatenate(resliceAxes);
  transform->Update();
}

std::array<double, 3>
boundsCentre(const double bounds[6])
{
  return { (bounds[0] + bounds[1]) * 0.5,
           (bounds[2] + bounds[3]) * 0.5,
           (bounds[4] + bounds[5]) * 0.5 };
}

std::array<double, 3>
clipPlaneNormal(vtkTransform* transform, int side)
{
  transform->Update();
  vtkMatrix4x4* matrix = transform->GetMatrix();
  const double sign = side < 0 ? -1.0 : 1.0;
  return { sign * matrix->GetElement(0, 2),
           sign * matrix->GetElement(1, 2),
           sign * matrix->GetElement(2, 2) };
}

int
clipPlaneCopies(vtkAbstractMapper* mapper, vtkPlane* plane)
{
  vtkPlaneCollection* planes = mapper ? mapper->GetClippingPlanes() : nullptr;
  if (!planes) {
    return 0;
  }
  int copies = 0;
  for (int i = 0; i < planes->GetNumberOfItems(); ++i) {
    if (planes->GetItem(i) == plane) {
      ++copies;
    }
  }
  return copies;
}

void
detachClipPlane(vtkAbstractMapper* mapper, vtkPlane* plane)
{
  // RemoveClippingPlane takes out one occurrence and complains about a mapper without planes.
  while (clipPlaneCopies(mapper, plane) > 0) {
    mapper->RemoveClippingPlane(plane);
  }
}

void
attachClipPlane(vtkAbstractMapper* mapper, vtkPlane* plane)
{
  if (mapper && clipPlaneCopies(mapper, plane) == 0) {
    mapper->AddClippingPlane(plane);
  }
}

std::vector<vtkAbstractMapper*>
structureMappers(const std::vector<vtkActor*>& frontActors,
                 const std::vector<vtkActor*>& backActors)
{
  std::vector<vtkAbstractMapper*> mappers;
  const auto addMapperOf = [&mappers](vtkActor* actor) {
    vtkAbstractMapper* mapper = actor ? actor->GetMapper() : nullptr;
    if (mapper && std::find(mappers.begin(), mappers.end(), mapper) == mappers.end()) {
      mappers.push_back(mapper);
    }
  };
  const std::size_t count = std::max(frontActors.size(), backActors.size());
  for (std::size_t i = 0; i < count; ++i) {
    if (i < frontActors.size()) {
      addMapperOf(frontActors[i]);
    }
    if (i < backActors.size()) {
      addMapperOf(backActors[i]);
    }
  }
  return mappers;
}
