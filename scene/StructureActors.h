#pragma once

#include "scene/StructureTable.h"

#include <vtkSmartPointer.h>

#include <array>
#include <vector>

class vtkActor;
class vtkPolyData;
class vtkPolyDataMapper;
class vtkRenderer;

// The two actors that draw each structure of the table in a renderer: one for its back faces,
// drawn first, and one for its front faces, so that a translucent structure shows its far side
// behind its near side without sorting its triangles. They are in the renderer while the table
// shows the structure, and take the opacity its transparency leaves; every view, pick and cap
// that draws or finds a structure uses these two.
class StructureActors
{
public:
  StructureActors(const StructureTable& table, vtkRenderer* renderer);

  // The next structure's pair, over one mapper of surface in the given colour and opacity; in
  // the renderer at once when drawn (a failed structure's empty surface draws nothing).
  void append(vtkPolyData* surface, const std::array<double, 3>& color, double opacity, bool drawn);
  // Takes every pair out of the renderer and lets them go.
  void clear();

  // Puts the structure's pair in the renderer or takes it out by the record's shown, and gives
  // both its opacity, for the fields that changed.
  void follow(int index, StructureTable::Fields fields) const;

  int count() const { return int(fronts.size()); }
  // Plain pointers, held here for as long as the pairs exist.
  const std::vector<vtkActor*>& frontActors() const { return fronts; }
  const std::vector<vtkActor*>& backActors() const { return backs; }
  vtkPolyDataMapper* mapper(int index) const;

private:
  const StructureTable& table;
  vtkRenderer* renderer;
  std::vector<vtkActor*> fronts;
  std::vector<vtkActor*> backs;
  std::vector<vtkSmartPointer<vtkActor>> references;
};
