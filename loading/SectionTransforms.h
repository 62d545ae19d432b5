#pragma once

class vtkTransform;

// The three section images, named by the letter of their plane widget. The tabs of the
// control panel name them differently (X sits on "Y Plane", Y on "Z Plane", Z on "X Plane").
enum class SectionAxis
{
  X = 0,
  Y = 1,
  Z = 2
};

// Fills transform with the fixed placement of one section image in model space. The
// transform is reset first and left in VTK's pre-multiply mode, so translations appended
// later act along the image's own normal.
void
buildSectionTransform(SectionAxis axis, vtkTransform* transform);
