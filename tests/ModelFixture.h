#pragma once

#include <QByteArray>
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

// Nine small spheres at distinct places, named like the teaching model's structures,
// opacity 1, each with a colour file.
std::vector<Structure>
standardStructures();

// Writes "Joint/Joint.raw" with byteCount bytes; voxel (i, j, k) gets voxel(i, j, k), bytes
// past the volume 0.
void
writeVolume(const QString& directory,
            const std::function<std::uint8_t(int, int, int)>& voxel,
            qint64 byteCount = volumeByteCount);

// Writes "Joint_transformed.txt" naming the structures in order, their surfaces (spheres in the
// legacy format) and colour files, the head model and, withVolume, a volume whose sections all
// differ.
void
writeModel(const QString& directory,
           const std::vector<Structure>& structures = standardStructures(),
           bool withVolume = true);

// Writes bytes to a file, creating its folder.
void
writeFile(const QString& path, const QByteArray& bytes);

// Makes directory the working directory until destroyed: the viewer reads the model from
// its working directory.
class WorkingDirectory
{
public:
  explicit WorkingDirectory(const QString& directory);
  ~WorkingDirectory();
  WorkingDirectory(const WorkingDirectory&) = delete;
  WorkingDirectory& operator=(const WorkingDirectory&) = delete;

private:
  QString previous;
};

} // namespace fixture
