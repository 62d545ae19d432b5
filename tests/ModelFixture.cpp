#include "ModelFixture.h"

#include <QFile>
#include <QFileInfo>

#include <vtkNew.h>
#include <vtkPolyDataWriter.h>
#include <vtkSphereSource.h>

#include <algorithm>

namespace fixture {

namespace {

void
writeSphere(const QString& path, const std::array<double, 3>& center, double radius)
{
  vtkNew<vtkSphereSource> sphere;
  sphere->SetCenter(center.data());
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
  const QStringList entries =
    QStringLiteral(
      "Incus 0.95 0.9 0.75,Incus_Articular_Cartilage 0.6 0.8 1,Incus_Blood_Vessels 0.9 0.1 0.1,"
      "Incus_Areolar_Tissue 1 0.7 0.5,Stapes 0.9 0.85 0.6,Stapes_Articular_Cartilage 0.5 0.7 1,"
      "Capsular_Ligamental_Fibers 0.8 0.8 0.3,Stapedius_Tendon 0.9 0.9 0.9,Joint_Space 0.3 0.9 0.5")
      .split(',');
  std::vector<Structure> structures(9);
  for (int index = 0; index < 9; ++index) {
    structures[index].relativePath =
      "/Joint/" + entries[index].section(' ', 0, 0) + "_transformed.vtk";
    // A 3 x 3 grid with gaps between the spheres, tilted in depth so none hides another.
    structures[index].center = { 3.0 * (index % 3), double(index - index % 3), 0.5 * index };
    structures[index].colorText = entries[index].section(' ', 1).toUtf8() + '\n';
  }
  return structures;
}

void
writeVolume(const QString& directory,
            const std::function<std::uint8_t(int, int, int)>& voxel,
            qint64 byteCount)
{
  QByteArray bytes(int(byteCount), '\0');
  for (qint64 offset = 0; offset < std::min(byteCount, volumeByteCount); ++offset) {
    bytes[int(offset)] = char(voxel(offset % 748, offset / 748 % 552, offset / (748LL * 552)));
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
  // A missing page is a problem of the load like any other.
  writeFile(directory + "/help2.html", "<p>Help</p>");
  writeFile(directory + "/about2.html", "<p>About</p>");
  if (withVolume) {
    writeVolume(directory,
                [](int i, int j, int k) { return std::uint8_t((i / 8 + j / 8 + k * 2) * 16); });
  }
}

void
writeFile(const QString& path, const QByteArray& bytes)
{
  QFile file(path);
  if (!QDir().mkpath(QFileInfo(path).absolutePath()) ||
      !file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
    qFatal("fixture: cannot write %s", qPrintable(path));
  }
}

namespace {

quint32
crc32Of(const QByteArray& bytes)
{
  quint32 crc = 0xFFFFFFFFu;
  for (const char byte : bytes) {
    crc ^= quint8(byte);
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
  }
  return ~crc;
}

} // namespace

QByteArray
pngDeclaring(quint32 width, quint32 height)
{
  auto bigEndian = [](quint32 value) {
    const char bytes[4] = { char(value >> 24), char(value >> 16), char(value >> 8), char(value) };
    return QByteArray(bytes, 4);
  };
  auto chunk = [&](const QByteArray& type, const QByteArray& data) {
    const QByteArray body = type + data;
    return bigEndian(quint32(data.size())) + body + bigEndian(crc32Of(body));
  };
  const QByteArray header = bigEndian(width) + bigEndian(height) + QByteArray("\x08\x02\0\0\0", 5);
  return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) + chunk("IDAT", QByteArray()) +
         chunk("IEND", QByteArray());
}

} // namespace fixture
