#pragma once

#include <QByteArray>
#include <QDir>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

// Small teaching models written into temporary folders, in the file layout the viewer reads.
namespace fixture {

constexpr qint64 volumeByteCount = 748LL * 552 * 115;

struct Structure
{
  QString relativePath;           // as written in the structure list, beginning with "/"
  double opacity = 1.0;           // written to the list with full precision
  std::array<double, 3> center{}; // centre of its sphere, of radius 1, in model space
  QByteArray colorText;           // content of the ".color" file; empty: no colour file
};

// Nine spheres at distinct places, named like the teaching model's, each with a colour file.
std::vector<Structure>
standardStructures();

// Writes "Joint/Joint.raw" with byteCount bytes: voxel(i, j, k), bytes past the volume 0.
void
writeVolume(const QString& directory,
            const std::function<std::uint8_t(int, int, int)>& voxel,
            qint64 byteCount = volumeByteCount);

// Writes the structure list, surfaces, colour files, head model, the Help and About pages and,
// withVolume, a volume.
void
writeModel(const QString& directory,
           const std::vector<Structure>& structures = standardStructures(),
           bool withVolume = true);

void
writeFile(const QString& path, const QByteArray& bytes);

// A PNG that declares width x height pixels but holds no image data: cheap to write, and a
// decoder that trusted it would allocate the whole picture.
QByteArray
pngDeclaring(quint32 width, quint32 height);

// The viewer reads its model from the working directory: directory is it until destroyed.
class WorkingDirectory
{
public:
  explicit WorkingDirectory(const QString& directory)
  {
    if (!QDir::setCurrent(directory)) {
      qFatal("fixture: cannot enter %s", qPrintable(directory));
    }
  }
  ~WorkingDirectory() { QDir::setCurrent(previous); }

private:
  const QString previous = QDir::currentPath();
};

} // namespace fixture
