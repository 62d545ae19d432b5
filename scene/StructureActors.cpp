#include "scene/StructureActors.h"

#include <vtkActor.h>
#include <vtkNew.h>
#include <vtkPolyData.h>
#include <vtkPolyDataMapper.h>
#include <vtkProperty.h>
#include <vtkRenderer.h>

namespace {

void
addPair(vtkRenderer* renderer, vtkActor* back, vtkActor* front)
{
  // Back faces are drawn before front faces: the renderer draws its actors in the order added.
  renderer->AddActor(back);
  renderer->AddActor(front);
}

} // namespace

StructureActors::StructureActors(const StructureTable& table, vtkRenderer* renderer)
  : table(table)
  , renderer(renderer)
{
}

void
StructureActors::append(vtkPolyData* surface,
                        const std::array<double, 3>& color,
                        double opacity,
                        bool drawn)
{
  vtkNew<vtkPolyDataMapper> mapper;
  mapper->SetInputData(surface);
  // The colour file, not scalars stored with the surface, colours the structure.
  mapper->ScalarVisibilityOff();

  vtkNew<vtkActor> front;
  front->SetMapper(mapper);
  front->GetProperty()->BackfaceCullingOn();
  vtkNew<vtkActor> back;
  back->SetMapper(mapper);
  back->GetProperty()->FrontfaceCullingOn();
  for (vtkActor* actor : { front.Get(), back.Get() }) {
    actor->GetProperty()->SetOpacity(opacity);
    actor->GetProperty()->SetColor(color[0], color[1], color[2]);
  }
  references.emplace_back(front.Get());
  references.emplace_back(back.Get());
  fronts.push_back(front);
  backs.push_back(back);
  if (drawn) {
    addPair(renderer, back, front);
  }
}

void
StructureActors::clear()
{
  for (std::size_t index = 0; index < fronts.size(); ++index) {
    renderer->RemoveActor(backs[index]);
    renderer->RemoveActor(fronts[index]);
  }
  fronts.clear();
  backs.clear();
  references.clear();
}

void
StructureActors::follow(int index, StructureTable::Fields fields) const
{
  if (index < 0 || index >= count() || !table.contains(index)) {
    return;
  }
  vtkActor* front = fronts[std::size_t(index)];
  vtkActor* back = backs[std::size_t(index)];
  const StructureRecord& record = table.at(index);
  if (fields & StructureTable::Shown) {
    if (record.shown) {
      // Adding an actor the renderer already holds leaves it where it is.
      addPair(renderer, back, front);
    } else {
      renderer->RemoveActor(back);
      renderer->RemoveActor(front);
    }
  }
  if (fields & StructureTable::Transparency) {
    const double opacity = 1 - record.transparency;
    front->GetProperty()->SetOpacity(opacity);
    back->GetProperty()->SetOpacity(opacity);
  }
}

vtkPolyDataMapper*
StructureActors::mapper(int index) const
{
  return index >= 0 && index < count()
           ? vtkPolyDataMapper::SafeDownCast(fronts[std::size_t(index)]->GetMapper())
           : nullptr;
}
