#include "ModelFixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <vtkNew.h>
#include <vtkPolyDataWriter.h>
#include <vtkSphereSource.h>

namespace fixture {

namespace {

void
writeSphere(const QString& path, const std::array<double, 3>& center, double radius)
{
  vtkNew<vtkSphereSource> sphere;
  sphere->SetCenter(center[0], center[1], center[2]);
  sphere->SetRadius(radius);
  sphere->SetThetaResolution(16);
  sphere->SetPhiResolution(16);
  vtkNew<vtkPolyDataWriter> writer;
  writer->SetInputConnection(sphere->GetOutputPort());
  writer->WriteToOutputStringOn();
  writer->Write();
  writeFile(path, QByteArray::fromStdString(writer->GetOutputStdString()));
}

} // namespace

std::vector<Structure>
standardStructures()
{
  // One entry per structure row, in row order: name and colour file.
  const std::pair<const char*, const char*> entries[9] = {
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
  std::vector<Structure> structures(9);
  for (int index = 0; index < 9; ++index) {
    Structure& structure = structures[index];
    structure.relativePath = QStringLiteral("/Joint/%1_transformed.vtk").arg(entries[index].first);
    // A 3 x 3 grid with gaps between the spheres, tilted in depth so none hides another.
    const int column = index % 3;
    const int row = index / 3;
    structure.center = { 3.0 * column, 3.0 * row, 0.5 * index };
    structure.colorText = entries[index].second;
  }
  return structures;
}

void
writeVolume(const QString& directory,
            const std::function<std::uint8_t(int, int, int)>& voxel,
            qint64 byteCount)
{
  QByteArray bytes(int(byteCount), '\0');
  char* data = bytes.data();
  qint64 offset = 0;
  for (int k = 0; k < 115; ++k) {
    for (int j = 0; j < 552; ++j) {
      for (int i = 0; i < 748 && offset < byteCount; ++i, ++offset) {
        data[offset] = char(voxel(i, j, k));
      }
    }
  }
  writeFile(directory + QStringLiteral("/Joint/Joint.raw"), bytes);
}

void
writeModel(const QString& directory, const std::vector<Structure>& structures, bool withVolume)
{
  QByteArray list;
  for (const Structure& structure : structures) {
    list += structure.relativePath.toUtf8() + '\n' +
            QByteArray::number(structure.opacity, 'g', 17) + '\n';
    writeSphere(directory + structure.relativePath, structure.center, 1.0);
    if (!structure.colorText.isEmpty()) {
      writeFile(directory + structure.relativePath + ".color", structure.colorText);
    }
  }
  writeFile(directory + "/Joint_transformed.txt", list);
  writeSphere(directory + "/Joint/Head_bone_transformed.vtp", { 0.0, 0.0, 0.0 }, 5.0);
  if (withVolume) {
    writeVolume(directory,
                [](int i, int j, int k) { return std::uint8_t((i / 8 + j / 8 + k * 2) * 16); });
  }
}

void
writeFile(const QString& path, const QByteArray& bytes)
{
  QFile file(path);
  if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
    qFatal("fixture: cannot create the folder of %s", qPrintable(path));
  }
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
