#pragma once

#include "SampleAnatomy.h"

#include <vtkSmartPointer.h>

#include <functional>
#include <string>

class vtkImageData;
class vtkPolyData;

namespace sample {

using Field = std::function<double(const Vec3&)>;

// Samples a field that is negative inside and never steeper than the distance on a regular
// grid over box. Blocks far from the zero set get one value, which keeps every grid edge the
// surface crosses exact.
vtkSmartPointer<vtkImageData>
sampleField(const Field& field, const Box& box, double spacing);

// The closed zero-level surface of a sampled field, smoothed, its triangles wound
// counter-clockwise seen from outside, without normals.
vtkSmartPointer<vtkPolyData>
contourField(vtkImageData* samples);

// The head of the orientation view, with outward point normals.
vtkSmartPointer<vtkPolyData>
headSurface(const HeadShape& head);

// Writes the legacy VTK format, binary, in the classic 4.2 layout that every legacy reader
// understands.
bool
writeLegacyPolyData(vtkPolyData* surface,
                    const std::string& path,
                    const std::string& title,
                    std::string* error);

// Enclosed volume of a closed surface of polygons, positive when wound counter-clockwise seen
// from outside.
double
signedVolume(vtkPolyData* surface);

// The surface with point normals, as the viewer lights its structures.
vtkSmartPointer<vtkPolyData>
withNormals(vtkPolyData* surface);

// The surface wound counter-clockwise seen from outside (its cells reversed where needed).
vtkSmartPointer<vtkPolyData>
facingOutward(vtkSmartPointer<vtkPolyData> surface);

} // namespace sample
