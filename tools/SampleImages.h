#pragma once

#include "SampleAnatomy.h"

#include <QColor>
#include <QImage>

#include <vector>

class vtkPolyData;

namespace sample {

struct RenderItem
{
  vtkPolyData* surface; // with point normals
  QColor color;
  double opacity = 1.0;
};

// A small software renderer (depth buffer, two lights, translucent items blended over the
// opaque ones), so that images of the model can be made without a display or OpenGL. The view
// looks along viewDirection with up pointing up and fits all items into the image.
QImage
renderSurfaces(const std::vector<RenderItem>& items,
               int width,
               int height,
               const Vec3& viewDirection,
               const Vec3& up,
               double fill = 0.9);

// The splash image shown while the model loads.
QImage
splashImage(const std::vector<RenderItem>& items);

// The program's icon, size x size pixels.
QImage
iconImage(const std::vector<RenderItem>& items, int size);

} // namespace sample
