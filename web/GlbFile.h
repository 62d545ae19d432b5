#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <vector>

// One structure as a mesh of a binary glTF 2.0 file: triangles only, positions in model
// millimetres, no normals (the page computes smooth ones: they would add half again to the file
// that the page must hold in memory twice, as text and as bytes).
struct GlbMesh
{
  QString name;
  std::array<double, 3> color{ { 1, 1, 1 } };
  double opacity = 1;
  std::vector<float> positions;       // x, y, z per vertex
  std::vector<std::uint32_t> indices; // three per triangle
};

// The whole file: a JSON chunk (one node, mesh and material per structure, in order) and one
// binary chunk. Indices are 16-bit where a mesh has at most 65,536 vertices, which halves them
// for every structure of the sample model.
QByteArray
glbFile(const std::vector<GlbMesh>& meshes);
