#pragma once

// The joint sample's structures turned into surfaces the way cochlex-make-model turns a label
// map into them, so that every build of the sample also runs the model maker's surface path.

#include "tools/SampleAnatomy.h"

#include <vtkSmartPointer.h>

class vtkPolyData;

namespace sample {

// One structure's closed surface in model space, with outward point normals.
vtkSmartPointer<vtkPolyData>
structureSurface(const JointAnatomy& anatomy, int structure);

} // namespace sample
