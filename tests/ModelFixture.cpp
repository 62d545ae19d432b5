#include "ModelFixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtGlobal>

#include <vtkNew.h>
#include <vtkPolyDataWriter.h>
#include <vtkSphereSource.h>

#include <string>

namespace fixture {

namespace {

void
makeFolderFor(const QString& path)
{
  const QString folder = QFileInfo(path).absolutePath();
  if (!QDir().mkpath(folder)) {
    qFatal("fixture: cannot create folder %s", qPrintable(folder));
  }
}

void
writeSphere(const QString& path, const std::array<double, 3>& center, double radius)
{
  makeFolderFor(path);
  vtkNew<vtkSphereSource> sphere;
  sphere->SetCenter(center[0], center[1], center[2]);
  sphere->SetRadius(radius);
  sphere->SetThetaResolution(16);
  sphere->SetPhiResolution(16);
  vtkNew<vtkPolyDataWriter> writer;
  writer->SetInputConnection(sphere->GetOutputPort());
  writer->SetFileName(QFile::encodeName(path).constData());
  writer->SetFileTypeToASCII();
  if (writer->Write() != 1) {
    qFatal("fixture: cannot write %s", qPrintable(path));
  }
}

} // namespace

std::vector<Structure>
standardStructures()
{
  struct Entry
  {
    const char* name;
    const char* color;
  };
  // One entry per structure row, in row order.
  const Entry entries[9] = {
    { "Incus", "0.95 0.9 0.75\n" },
    { "Incus_Articular_Cartilage", "0.6 0.8 1\n" },
    { "Incus_Blood_Vessels", "0.9 0.1 0.1\n" },
    { "Incus_Areolar_Tissue", "1 0.7 0.5\n" },
    { "Stapes", "0.9 0.85 0.6\n" },
    { "Stapes_Articular_Cartilage", "0.5 0.7 1\n" },
    { "Capsular_Ligamental_Fibers", "0.8 0.8 0.3\n" },
    { "Stapedius_Tendon", "0.9 0.9 0.9\n" },
    { "Joint_Space", "0.3 0.9 0.5\n" },
  };
  std::vector<Structure> structures;
  for (int index = 0; index < 9; ++index) {
    Structure structure;
    structure.relativePath = QStringLiteral("/Joint/%1_transformed.vtk").arg(entries[index].name);
    structure.opacity = 1.0;
    // A 3 x 3 grid with gaps between the spheres, tilted in depth so none hides another.
    structure.center = { 3.0 * (index % 3), 3.0 * (index / 3), 0.5 * index };
    structure.radius = 1.0;
    structure.colorText = entries[index].color;
    structures.push_back(structure);
  }
  return structures;
}

void
writeStructureList(const QString& directory, const std::vector<Structure>& structures)
{
  QByteArray text;
  for (const Structure& structure : structures) {
    text += structure.relativePath.toUtf8();
    text += '\n';
    text += QByteArray::number(structure.opacity, 'g', 17);
    text += '\n';
  }
  writeFile(directory + QStringLiteral("/Joint_transformed.txt"), text);
}

void
writeStructureFiles(const QString& directory, const Structure& structure)
{
  const QString path = directory + structure.relativePath;
  writeSphere(path, structure.center, structure.radius);
  if (!structure.colorText.isEmpty()) {
    writeFile(path + QStringLiteral(".color"), structure.colorText);
  }
}

void
writeHeadModel(const QString& directory)
{
  writeSphere(
    directory + QStringLiteral("/Joint/Head_bone_transformed.vtp"), { 0.0, 0.0, 0.0 }, 5.0);
}

void
writeVolume(const QString& directory,
            const std::function<std::uint8_t(int, int, int)>& voxel,
            qint64 byteCount)
{
  const QString path = directory + QStringLiteral("/Joint/Joint.raw");
  makeFolderFor(path);
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
    qFatal("fixture: cannot write %s", qPrintable(path));
  }
  constexpr int columns = 748;
  constexpr int rows = 552;
  constexpr int slices = 115;
  constexpr std::size_t bufferSize = 1 << 20;
  std::string buffer;
  buffer.reserve(bufferSize + columns);
  auto flush = [&]() {
    if (file.write(buffer.data(), qint64(buffer.size())) != qint64(buffer.size())) {
      qFatal("fixture: cannot write %s", qPrintable(path));
    }
    buffer.clear();
  };
  qint64 offset = 0;
  for (int k = 0; k < slices && offset < byteCount; ++k) {
    for (int j = 0; j < rows && offset < byteCount; ++j) {
      for (int i = 0; i < columns && offset < byteCount; ++i, ++offset) {
        buffer.push_back(char(voxel(i, j, k)));
      }
      if (buffer.size() >= bufferSize) {
        flush();
      }
    }
  }
  // Bytes past the volume's end.
  for (; offset < byteCount; ++offset) {
    buffer.push_back('\0');
    if (buffer.size() >= bufferSize) {
      flush();
    }
  }
  flush();
}

void
writeStandardModel(const QString& directory)
{
  const std::vector<Structure> structures = standardStructures();
  writeStructureList(directory, structures);
  for (const Structure& structure : structures) {
    writeStructureFiles(directory, structure);
  }
  writeHeadModel(directory);
  // Stripes that change along every axis, so each section shows a distinct image.
  writeVolume(directory,
              [](int i, int j, int k) { return std::uint8_t((i / 8 + j / 8 + k * 2) * 16); });
}

void
writeFile(const QString& path, const QByteArray& bytes)
{
  makeFolderFor(path);
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
    qFatal("fixture: cannot write %s", qPrintable(path));
  }
}

WorkingDirectory::WorkingDirectory(const QString& directory)
  : previous(QDir::currentPath())
{
  if (!QDir::setCurrent(directory)) {
    qFatal("fixture: cannot enter %s", qPrintable(directory));
  }
}

WorkingDirectory::~WorkingDirectory()
{
  QDir::setCurrent(previous);
}

} // namespace fixture
