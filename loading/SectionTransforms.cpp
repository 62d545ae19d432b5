#include "SectionTransforms.h"

#include <vtkTransform.h>

void
buildSectionTransform(SectionAxis axis, vtkTransform* transform)
{
  transform->Identity();
  transform->PreMultiply();

  // Pre-multiply order: the operation applied last acts first on the image's points.
  switch (axis) {
    case SectionAxis::X:
      transform->Translate(18.438, 35.2684, 16.5279);
      break;
    case SectionAxis::Y:
      transform->Translate(-2.997, 42.8944, 10.4483);
      break;
    case SectionAxis::Z:
      transform->Translate(8.8953, 51.6554, 7.6864);
      break;
  }
  transform->Translate(57.0073, 97.0036, 89.5);
  transform->RotateWXYZ(194.716, 0.89277, -0.435593, 0.114975);
  switch (axis) {
    case SectionAxis::X:
      transform->RotateWXYZ(-180, 0, 0, 1);
      transform->RotateWXYZ(90, 1, 0, 0);
      transform->RotateWXYZ(-90, 0, 1, 0);
      transform->Translate(11.65, 3.75, -2.15);
      break;
    case SectionAxis::Y:
      transform->Translate(12.6, 1.95, 3.7);
      transform->RotateWXYZ(-90, 0, 1, 0);
      transform->RotateWXYZ(-90, 1, 0, 0);
      break;
    case SectionAxis::Z:
      transform->Translate(12.66, 11.5, -2.55);
      break;
  }
  transform->Update();
}
