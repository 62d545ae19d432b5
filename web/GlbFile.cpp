#include "web/GlbFile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

// glTF's numbers for the kinds of data and of buffer views.
constexpr int floatComponent = 5126;
constexpr int unsignedShortComponent = 5123;
constexpr int unsignedIntComponent = 5125;
constexpr int arrayBufferTarget = 34962;
constexpr int elementArrayBufferTarget = 34963;
constexpr int trianglesMode = 4;

void
appendPadded(QByteArray& buffer, const void* data, qsizetype bytes)
{
  buffer.append(static_cast<const char*>(data), int(bytes));
  // Every buffer view starts on four bytes, as float accessors need.
  while (buffer.size() % 4 != 0) {
    buffer.append('\0');
  }
}

void
appendUint32(QByteArray& bytes, std::uint32_t value)
{
  for (int shift = 0; shift < 32; shift += 8) {
    bytes.append(char((value >> shift) & 0xFF));
  }
}

QJsonArray
numbers(const std::array<double, 3>& values)
{
  return QJsonArray{ values[0], values[1], values[2] };
}

} // namespace

QByteArray
glbFile(const std::vector<GlbMesh>& meshes)
{
  QByteArray binary;
  QJsonArray bufferViews;
  QJsonArray accessors;
  QJsonArray meshArray;
  QJsonArray materials;
  QJsonArray nodes;
  QJsonArray sceneNodes;
  for (const GlbMesh& mesh : meshes) {
    const auto vertexCount = qint64(mesh.positions.size() / 3);
    std::array<double, 3> minimum{ { 0, 0, 0 } };
    std::array<double, 3> maximum{ { 0, 0, 0 } };
    for (qint64 vertex = 0; vertex < vertexCount; ++vertex) {
      for (int axis = 0; axis < 3; ++axis) {
        const double value = mesh.positions[std::size_t(vertex * 3 + axis)];
        minimum[axis] = vertex == 0 ? value : std::min(minimum[axis], value);
        maximum[axis] = vertex == 0 ? value : std::max(maximum[axis], value);
      }
    }
    const int positionView = int(bufferViews.size());
    bufferViews.append(QJsonObject{ { "buffer", 0 },
                                    { "byteOffset", binary.size() },
                                    { "byteLength", qint64(mesh.positions.size() * 4) },
                                    { "target", arrayBufferTarget } });
    appendPadded(binary, mesh.positions.data(), qsizetype(mesh.positions.size()) * 4);

    const bool shortIndices = vertexCount <= 65536;
    const int indexView = int(bufferViews.size());
    const qsizetype indexBytes = qsizetype(mesh.indices.size()) * (shortIndices ? 2 : 4);
    bufferViews.append(QJsonObject{ { "buffer", 0 },
                                    { "byteOffset", binary.size() },
                                    { "byteLength", qint64(indexBytes) },
                                    { "target", elementArrayBufferTarget } });
    if (shortIndices) {
      std::vector<std::uint16_t> narrow(mesh.indices.begin(), mesh.indices.end());
      appendPadded(binary, narrow.data(), indexBytes);
    } else {
      appendPadded(binary, mesh.indices.data(), indexBytes);
    }

    const int positionAccessor = int(accessors.size());
    accessors.append(QJsonObject{ { "bufferView", positionView },
                                  { "componentType", floatComponent },
                                  { "count", vertexCount },
                                  { "type", "VEC3" },
                                  { "min", numbers(minimum) },
                                  { "max", numbers(maximum) } });
    const int indexAccessor = int(accessors.size());
    accessors.append(QJsonObject{
      { "bufferView", indexView },
      { "componentType", shortIndices ? unsignedShortComponent : unsignedIntComponent },
      { "count", qint64(mesh.indices.size()) },
      { "type", "SCALAR" } });

    const int index = int(meshArray.size());
    const bool blended = mesh.opacity < 1;
    materials.append(QJsonObject{
      { "name", mesh.name },
      { "pbrMetallicRoughness",
        QJsonObject{ { "baseColorFactor",
                       QJsonArray{ mesh.color[0], mesh.color[1], mesh.color[2], mesh.opacity } },
                     { "metallicFactor", 0 },
                     { "roughnessFactor", 1 } } },
      { "alphaMode", blended ? "BLEND" : "OPAQUE" },
      { "doubleSided", true } });
    meshArray.append(QJsonObject{
      { "name", mesh.name },
      { "primitives",
        QJsonArray{ QJsonObject{ { "attributes", QJsonObject{ { "POSITION", positionAccessor } } },
                                 { "indices", indexAccessor },
                                 { "material", index },
                                 { "mode", trianglesMode } } } } });
    nodes.append(QJsonObject{ { "name", mesh.name }, { "mesh", index } });
    sceneNodes.append(index);
  }

  const QJsonObject document{
    { "asset", QJsonObject{ { "version", "2.0" }, { "generator", "Cochlex" } } },
    { "scene", 0 },
    { "scenes", QJsonArray{ QJsonObject{ { "nodes", sceneNodes } } } },
    { "nodes", nodes },
    { "meshes", meshArray },
    { "materials", materials },
    { "accessors", accessors },
    { "bufferViews", bufferViews },
    { "buffers", QJsonArray{ QJsonObject{ { "byteLength", binary.size() } } } }
  };
  QByteArray json = QJsonDocument(document).toJson(QJsonDocument::Compact);
  // The JSON chunk is padded with spaces, the binary one with zeros, to four bytes.
  while (json.size() % 4 != 0) {
    json.append(' ');
  }

  QByteArray file;
  const std::uint32_t total =
    12 + 8 + std::uint32_t(json.size()) + 8 + std::uint32_t(binary.size());
  file.append("glTF", 4);
  appendUint32(file, 2);
  appendUint32(file, total);
  appendUint32(file, std::uint32_t(json.size()));
  file.append("JSON", 4);
  file.append(json);
  appendUint32(file, std::uint32_t(binary.size()));
  file.append("BIN\0", 4);
  file.append(binary);
  return file;
}
