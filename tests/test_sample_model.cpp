// The sample teaching model: its files in the layout and formats the viewer reads, closed
// surfaces facing outward, a head facing the viewer, section voxels that agree with the
// surfaces, and the same bytes on every run.

#include "loading/LegacyPolyDataCheck.h"
#include "loading/StructureList.h"
#include "tools/SampleAnatomy.h"
#include "tools/SampleModel.h"

#include <vtkDataArray.h>
#include <vtkFeatureEdges.h>
#include <vtkMath.h>
#include <vtkNew.h>
#include <vtkPointData.h>
#include <vtkPolyData.h>
#include <vtkPolyDataReader.h>
#include <vtkTransform.h>

#include <QDirIterator>
#include <QTemporaryDir>
#include <QtTest>

#include <fstream>

namespace {

vtkSmartPointer<vtkPolyData>
readSurface(const QString& file)
{
  vtkNew<vtkPolyDataReader> reader;
  reader->SetFileName(QFile::encodeName(file).constData());
  reader->Update();
  return reader->GetOutput();
}

// Volume enclosed by the triangles: positive when they turn counter-clockwise seen from outside.
double
signedVolume(vtkPolyData* surface)
{
  double volume = 0;
  for (vtkIdType cell = 0; cell < surface->GetNumberOfCells(); ++cell) {
    vtkIdType count = 0;
    const vtkIdType* ids = nullptr;
    surface->GetCellPoints(cell, count, ids);
    double a[3], b[3], c[3], cross[3];
    surface->GetPoint(ids[0], a);
    surface->GetPoint(ids[1], b);
    surface->GetPoint(ids[2], c);
    vtkMath::Cross(b, c, cross);
    volume += vtkMath::Dot(a, cross);
  }
  return volume / 6.0;
}

// Every file below root by its path relative to root, with its contents.
QMap<QString, QByteArray>
filesBelow(const QString& root)
{
  QMap<QString, QByteArray> files;
  for (QDirIterator paths(root, QDir::Files, QDirIterator::Subdirectories); paths.hasNext();) {
    QFile file(paths.next());
    file.open(QIODevice::ReadOnly);
    files.insert(QDir(root).relativeFilePath(file.fileName()), file.readAll());
  }
  return files;
}

// Grey value of the voxel nearest a point of the volume's own frame; -1 outside the volume.
int
voxelAt(const QByteArray& volume, const double p[3])
{
  qint64 at = 0, stride = 1;
  for (int axis = 0; axis < 3; ++axis) {
    const long index = std::lround(p[axis] / sample::volumeSpacing[axis]);
    if (index < 0 || index >= sample::volumeDimensions[axis]) {
      return -1;
    }
    at += index * stride;
    stride *= sample::volumeDimensions[axis];
  }
  return static_cast<unsigned char>(volume[int(at)]);
}

} // namespace

class SampleModelTest : public QObject
{
  Q_OBJECT

private slots:
  void initTestCase();
  void listNamesEveryFileInOrder();
  void surfacesAreClosedAndFaceOutward();
  void noseLiesAtTheHeadsMinimumY();
  void pagesSurviveLineJoining();
  void sectionVoxelsAgreeWithSurfaces();
  void blockShortcutMatchesEveryVoxel();
  void generationIsDeterministic();
  void unwritableFolderIsReported();

private:
  QString file(const QString& relative) const { return model + relative; }

  QTemporaryDir directory;
  QString model;
};

void
SampleModelTest::initTestCase()
{
  model = directory.path() + "/model";
  QString error;
  QVERIFY2(writeSampleModel(model, &error), qPrintable(error));
}

void
SampleModelTest::listNamesEveryFileInOrder()
{
  // The viewer's own reader: nine entries, structure N's file named after row N.
  std::ifstream listFile(QFile::encodeName(file("/Joint_transformed.txt")).constData());
  const StructureList list = parseStructureList(listFile, "Joint_transformed.txt");
  QCOMPARE(list.problem, std::string());
  const QStringList names = QString("Incus Incus_Articular_Cartilage Incus_Blood_Vessels "
                                    "Incus_Areolar_Tissue Stapes Stapes_Articular_Cartilage "
                                    "Capsular_Ligamental_Fibers Stapedius_Tendon Joint_Space")
                              .split(' ');
  QCOMPARE(int(list.entries.size()), 9);
  QStringList files = QString("/../Cochlex_KT_source/icon.png /TB.png /help2.html /about2.html "
                              "/Track_1.wma /Track_2.wma /Joint/Head_bone_transformed.vtp")
                        .split(' ');
  for (int row = 0; row < 9; ++row) {
    const StructureEntry& entry = list.entries[row];
    QCOMPARE(QString::fromStdString(entry.relativePath), "/Joint/" + names[row] + ".vtk");
    // The slider's truncated tenths agree with the spin box's rounding.
    QVERIFY(entry.opacity > 0 && entry.opacity <= 1);
    QCOMPARE(transparencySliderValue(entry.opacity), int(std::lround(10 * (1 - entry.opacity))));
    files << QString::fromStdString(entry.relativePath);

    std::ifstream colorFile(QFile::encodeName(file(files.last() + ".color")).constData());
    double color[3] = { -1, -1, -1 };
    QVERIFY2(colorFile >> color[0] >> color[1] >> color[2], qPrintable(names[row]));
    QVERIFY2(*std::min_element(color, color + 3) >= 0 && *std::max_element(color, color + 3) <= 1,
             qPrintable(names[row]));
  }
  for (const QString& name : files) {
    QVERIFY2(QFileInfo(file(name)).size() > 0, qPrintable(name));
  }
  QCOMPARE(QFileInfo(file("/Joint/Joint.raw")).size(), qint64(47483040));
  QVERIFY(!QImage(file(files[0])).isNull() && !QImage(file(files[1])).isNull());
  for (const QString& track : { "/Track_1.wma", "/Track_2.wma" }) {
    QFile recording(file(track));
    QVERIFY(recording.open(QIODevice::ReadOnly));
    QCOMPARE(recording.read(4), QByteArray::fromHex("3026b275")); // an ASF container
  }
}

void
SampleModelTest::surfacesAreClosedAndFaceOutward()
{
  QStringList surfaces = { "/Joint/Head_bone_transformed.vtp" };
  for (const auto& info : sample::structureInfos()) {
    surfaces << info.relativePath;
  }
  for (const QString& name : surfaces) {
    // The viewer screens every file before its reader sees it.
    const std::string problem =
      checkLegacyPolyDataFile(QFile::encodeName(file(name)).toStdString());
    QVERIFY2(problem.empty(), qPrintable(name + ": " + QString::fromStdString(problem)));
    vtkSmartPointer<vtkPolyData> surface = readSurface(file(name));
    QVERIFY2(surface->GetNumberOfPolys() > 200, qPrintable(name));
    QVERIFY2(surface->GetPointData()->GetNormals(), qPrintable(name));
    vtkNew<vtkFeatureEdges> edges;
    edges->SetInputData(surface);
    edges->FeatureEdgesOff();
    edges->ManifoldEdgesOff();
    edges->Update();
    QVERIFY2(edges->GetOutput()->GetNumberOfCells() == 0, qPrintable(name));
    // Counter-clockwise seen from outside, so the viewer's back-face culling keeps the outside.
    QVERIFY2(signedVolume(surface) > 0, qPrintable(name));
  }
}

void
SampleModelTest::noseLiesAtTheHeadsMinimumY()
{
  // The face looks toward -y: the head's foremost point is the tip of the nose, on the midline,
  // between chin and crown, with the crown up.
  vtkSmartPointer<vtkPolyData> head = readSurface(file("/Joint/Head_bone_transformed.vtp"));
  double bounds[6], nose[3] = { 0, std::numeric_limits<double>::max(), 0 };
  head->GetBounds(bounds);
  for (vtkIdType i = 0; i < head->GetNumberOfPoints(); ++i) {
    double p[3];
    head->GetPoint(i, p);
    if (p[1] < nose[1]) {
      std::copy(p, p + 3, nose);
    }
  }
  const double width = bounds[1] - bounds[0], height = bounds[5] - bounds[4];
  QVERIFY(std::abs(nose[0] - 0.5 * (bounds[0] + bounds[1])) < 0.05 * width);
  QVERIFY(nose[2] > bounds[4] + 0.25 * height && nose[2] < bounds[4] + 0.7 * height);
  QVERIFY(height > width);
}

void
SampleModelTest::pagesSurviveLineJoining()
{
  // The viewer drops the pages' line breaks: a line must end in a tag so that no two words are
  // glued together, and hold printable ASCII only.
  for (const char* name : { "/help2.html", "/about2.html" }) {
    QFile page(file(name));
    QVERIFY(page.open(QIODevice::ReadOnly));
    for (const QByteArray& line : page.readAll().split('\n')) {
      QVERIFY2(line.isEmpty() || line.endsWith('>'), line.constData());
      for (char byte : line) {
        QVERIFY2(byte >= 32 && byte < 127, name);
      }
    }
  }
}

void
SampleModelTest::sectionVoxelsAgreeWithSurfaces()
{
  QFile raw(file("/Joint/Joint.raw"));
  QVERIFY(raw.open(QIODevice::ReadOnly));
  const QByteArray volume = raw.readAll();
  vtkNew<vtkTransform> toVolume;
  sample::buildVolumePlacement(toVolume);
  toVolume->Inverse();

  // Partial volume blurs a boundary over about a voxel; the probes stand off farther than that.
  constexpr double standOff = 0.03, tolerance = 15;
  for (const auto& info : sample::structureInfos()) {
    vtkSmartPointer<vtkPolyData> surface = readSurface(file(info.relativePath));
    vtkDataArray* normals = surface->GetPointData()->GetNormals();
    const vtkIdType step = std::max<vtkIdType>(1, surface->GetNumberOfPoints() / 20000);
    int probed = 0, insideAgrees = 0, outsideDiffers = 0;
    for (vtkIdType i = 0; i < surface->GetNumberOfPoints(); i += step) {
      double p[3], n[3], inner[3], outer[3];
      toVolume->TransformPoint(surface->GetPoint(i), p);
      toVolume->TransformVector(normals->GetTuple(i), n);
      for (int axis = 0; axis < 3; ++axis) {
        inner[axis] = p[axis] - standOff * n[axis];
        outer[axis] = p[axis] + standOff * n[axis];
      }
      const int inside = voxelAt(volume, inner), outside = voxelAt(volume, outer);
      if (inside < 0 || outside < 0) {
        continue; // beyond the slab the volume covers
      }
      ++probed;
      insideAgrees += std::abs(inside - info.greyValue) <= tolerance;
      outsideDiffers += std::abs(outside - info.greyValue) > tolerance;
    }
    const QString summary = QString::asprintf("%s: %d probed, inside agrees %d, outside differs %d",
                                              info.name,
                                              probed,
                                              insideAgrees,
                                              outsideDiffers);
    // Every structure reaches into the section volume.
    QVERIFY2(probed >= 100, qPrintable(summary));
    QVERIFY2(insideAgrees >= 0.9 * probed && outsideDiffers >= 0.9 * probed, qPrintable(summary));
  }
}

void
SampleModelTest::blockShortcutMatchesEveryVoxel()
{
  // The volume is filled block by block where the anatomy says no boundary crosses a block;
  // every voxel of such a 4 x 4 x 2 block must have the grey value it gets on its own.
  const sample::JointAnatomy anatomy;
  const double* spacing = sample::volumeSpacing;
  const double radius = 0.5 * std::hypot(3 * spacing[0], 3 * spacing[1], spacing[2]);
  int uniformBlocks = 0;
  for (int k0 = 0; k0 + 2 <= sample::volumeDimensions[2]; k0 += 6) {
    for (int j0 = 0; j0 + 4 <= sample::volumeDimensions[1]; j0 += 17) {
      for (int i0 = 0; i0 + 4 <= sample::volumeDimensions[0]; i0 += 17) {
        bool uniform = false;
        const sample::Vec3 centre{ (i0 + 1.5) * spacing[0],
                                   (j0 + 1.5) * spacing[1],
                                   (k0 + 0.5) * spacing[2] };
        const int value = anatomy.greyValue(centre, radius, &uniform);
        uniformBlocks += uniform;
        for (int voxel = 0; uniform && voxel < 32; ++voxel) {
          const int i = i0 + voxel % 4, j = j0 + voxel / 4 % 4, k = k0 + voxel / 16;
          QCOMPARE(int(anatomy.greyValue({ i * spacing[0], j * spacing[1], k * spacing[2] })),
                   value);
        }
      }
    }
  }
  QVERIFY(uniformBlocks > 1000);
}

void
SampleModelTest::generationIsDeterministic()
{
  QString error;
  QVERIFY2(writeSampleModel(directory.path() + "/again/model", &error), qPrintable(error));
  const QMap<QString, QByteArray> first = filesBelow(directory.path() + "/model");
  const QMap<QString, QByteArray> again = filesBelow(directory.path() + "/again/model");
  QCOMPARE(again.keys(), first.keys());
  for (const QString& name : first.keys()) {
    QVERIFY2(again[name] == first[name], qPrintable(name));
  }
  QCOMPARE(filesBelow(directory.path() + "/again/Cochlex_KT_source"),
           filesBelow(directory.path() + "/Cochlex_KT_source"));
}

void
SampleModelTest::unwritableFolderIsReported()
{
  // A model folder below a plain file cannot be made: reported, not a crash.
  const QString blocker = directory.path() + "/blocker";
  QVERIFY(QFile(blocker).open(QIODevice::WriteOnly));
  QString error;
  QVERIFY(!writeSampleModel(blocker + "/model", &error));
  QVERIFY(error.contains("blocker"));
}

QTEST_MAIN(SampleModelTest)
#include "test_sample_model.moc"
