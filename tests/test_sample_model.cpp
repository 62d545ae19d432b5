// The sample teaching model: its files in the layout and formats the viewer reads, surfaces that
// are closed and face outward, a head that faces the viewer, section voxels that agree with the
// surfaces, and the same bytes on every run.

#include "loading/LegacyPolyDataCheck.h"
#include "tools/SampleAnatomy.h"
#include "tools/SampleModel.h"

#include <vtkDataArray.h>
#include <vtkFeatureEdges.h>
#include <vtkNew.h>
#include <vtkPointData.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkPolyDataReader.h>
#include <vtkSelectEnclosedPoints.h>
#include <vtkTransform.h>

#include <QCryptographicHash>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <fstream>
#include <limits>
#include <string>

namespace {

struct ListEntry
{
  std::string path;
  double opacity;
};

// Reads the structure list the way the viewer does: a line of at most 999 characters, a number,
// then whitespace up to the next entry.
std::vector<ListEntry>
readStructureList(const QString& file)
{
  std::vector<ListEntry> entries;
  std::ifstream stream(QFile::encodeName(file).constData());
  while (stream && !stream.eof()) {
    char line[1000];
    stream.getline(line, 1000);
    double opacity = -1;
    stream >> opacity;
    stream >> std::ws;
    if (stream.fail()) {
      break;
    }
    entries.push_back({ line, opacity });
  }
  return entries;
}

vtkSmartPointer<vtkPolyData>
readSurface(const QString& file)
{
  vtkNew<vtkPolyDataReader> reader;
  reader->SetFileName(QFile::encodeName(file).constData());
  reader->Update();
  vtkSmartPointer<vtkPolyData> surface = reader->GetOutput();
  return surface;
}

double
signedVolume(vtkPolyData* surface)
{
  double volume = 0;
  for (vtkIdType cell = 0; cell < surface->GetNumberOfCells(); ++cell) {
    vtkIdType count = 0;
    const vtkIdType* ids = nullptr;
    surface->GetCellPoints(cell, count, ids);
    double a[3], b[3], c[3];
    surface->GetPoint(ids[0], a);
    surface->GetPoint(ids[1], b);
    surface->GetPoint(ids[2], c);
    volume += a[0] * (b[1] * c[2] - b[2] * c[1]) - a[1] * (b[0] * c[2] - b[2] * c[0]) +
              a[2] * (b[0] * c[1] - b[1] * c[0]);
  }
  return volume / 6.0;
}

QByteArray
fileHash(const QString& path)
{
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    return {};
  }
  QCryptographicHash hash(QCryptographicHash::Sha256);
  hash.addData(&file);
  return hash.result().toHex();
}

QMap<QString, QByteArray>
hashesBelow(const QString& root)
{
  QMap<QString, QByteArray> hashes;
  QDirIterator files(root, QDir::Files, QDirIterator::Subdirectories);
  while (files.hasNext()) {
    const QString path = files.next();
    hashes.insert(QDir(root).relativeFilePath(path), fileHash(path));
  }
  return hashes;
}

// Trilinear grey value of the section volume at a point of its own frame; NaN outside.
double
sampleVolume(const QByteArray& volume, const double p[3])
{
  double index[3];
  int base[3];
  for (int axis = 0; axis < 3; ++axis) {
    index[axis] = p[axis] / sample::volumeSpacing[axis];
    base[axis] = int(std::floor(index[axis]));
    if (base[axis] < 0 || base[axis] + 1 >= sample::volumeDimensions[axis]) {
      return std::numeric_limits<double>::quiet_NaN();
    }
  }
  const auto* bytes = reinterpret_cast<const unsigned char*>(volume.constData());
  double value = 0;
  for (int corner = 0; corner < 8; ++corner) {
    const int offset[3] = { corner & 1, (corner >> 1) & 1, (corner >> 2) & 1 };
    double weight = 1;
    qint64 at = 0;
    qint64 stride = 1;
    for (int axis = 0; axis < 3; ++axis) {
      const double fraction = index[axis] - base[axis];
      weight *= offset[axis] ? fraction : 1 - fraction;
      at += (base[axis] + offset[axis]) * stride;
      stride *= sample::volumeDimensions[axis];
    }
    value += weight * bytes[at];
  }
  return value;
}

} // namespace

class SampleModelTest : public QObject
{
  Q_OBJECT

private slots:
  void initTestCase();
  void structureListNamesNineStructuresInOrder();
  void everyFileTheViewerReadsExists();
  void colourFilesHoldThreeFractions();
  void volumeHasTheExactSize();
  void surfacesAreClosedAndFaceOutward();
  void headFacesForwardAroundTheEar();
  void pagesSurviveLineJoiningAndDescribeTheControls();
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
  QVERIFY(directory.isValid());
  model = directory.path() + QStringLiteral("/model");
  QString error;
  QVERIFY2(writeSampleModel(model, &error), qPrintable(error));
}

void
SampleModelTest::structureListNamesNineStructuresInOrder()
{
  const std::vector<ListEntry> entries = readStructureList(file("/Joint_transformed.txt"));
  QCOMPARE(int(entries.size()), 9);
  // Structure N's file carries its name, so entry N names the structure of row N.
  const char* names[9] = { "Incus",
                           "Incus Articular Cartilage",
                           "Incus Blood Vessels",
                           "Incus Areolar Tissue",
                           "Stapes",
                           "Stapes Articular Cartilage",
                           "Capsular Ligamental Fibers",
                           "Stapedius Tendon",
                           "Joint Space" };
  for (int i = 0; i < 9; ++i) {
    const QString expected =
      QStringLiteral("/Joint/%1.vtk").arg(QString::fromLatin1(names[i]).replace(' ', '_'));
    QCOMPARE(QString::fromStdString(entries[i].path), expected);
    QVERIFY(entries[i].opacity > 0 && entries[i].opacity <= 1);
    // The slider shows the transparency in tenths; it must agree with the spin box.
    const int slider = int(10 - 10 * entries[i].opacity);
    QCOMPARE(slider, int(std::lround(10 * (1 - entries[i].opacity))));
  }
  // Bones and cartilage start opaque, the capsule and the joint space see-through.
  QCOMPARE(entries[0].opacity, 1.0);
  QCOMPARE(entries[4].opacity, 1.0);
  QVERIFY(entries[6].opacity < 1.0);
  QVERIFY(entries[8].opacity < 1.0);
}

void
SampleModelTest::everyFileTheViewerReadsExists()
{
  QStringList files = { "/Joint_transformed.txt",
                        "/Joint/Head_bone_transformed.vtp",
                        "/Joint/Joint.raw",
                        "/TB.png",
                        "/help2.html",
                        "/about2.html",
                        "/Track_1.wma",
                        "/Track_2.wma",
                        "/../Cochlex_KT_source/icon.png" };
  for (const auto& info : sample::structureInfos()) {
    files << QString::fromLatin1(info.relativePath)
          << QString::fromLatin1(info.relativePath) + QStringLiteral(".color");
  }
  for (const QString& name : files) {
    QFileInfo info(file(name));
    QVERIFY2(info.isFile() && info.size() > 0, qPrintable(name));
  }
  QImage splash(file("/TB.png"));
  QVERIFY(!splash.isNull());
  QVERIFY(splash.width() >= 300 && splash.height() >= 200);
  const QImage icon(file("/../Cochlex_KT_source/icon.png"));
  QCOMPARE(icon.size(), QSize(64, 64));

  // The recordings are Windows Media Audio: an ASF container.
  for (const char* track : { "/Track_1.wma", "/Track_2.wma" }) {
    QFile recording(file(QLatin1String(track)));
    QVERIFY(recording.open(QIODevice::ReadOnly));
    QCOMPARE(recording.read(4), QByteArray::fromHex("3026b275"));
  }
}

void
SampleModelTest::colourFilesHoldThreeFractions()
{
  for (const auto& info : sample::structureInfos()) {
    std::ifstream stream(
      QFile::encodeName(file(QString::fromLatin1(info.relativePath) + QStringLiteral(".color")))
        .constData());
    double color[3] = { -1, -1, -1 };
    stream >> color[0] >> color[1] >> color[2];
    QVERIFY2(!stream.fail(), info.name);
    for (double component : color) {
      QVERIFY2(component >= 0 && component <= 1, info.name);
    }
  }
}

void
SampleModelTest::volumeHasTheExactSize()
{
  QCOMPARE(QFileInfo(file("/Joint/Joint.raw")).size(), qint64(47483040));
}

void
SampleModelTest::surfacesAreClosedAndFaceOutward()
{
  QStringList surfaces;
  for (const auto& info : sample::structureInfos()) {
    surfaces << QString::fromLatin1(info.relativePath);
  }
  surfaces << QStringLiteral("/Joint/Head_bone_transformed.vtp");
  for (const QString& name : surfaces) {
    QFile raw(file(name));
    QVERIFY(raw.open(QIODevice::ReadOnly));
    const QByteArray header = raw.read(200);
    QVERIFY2(header.contains("\nBINARY\n"), qPrintable(name));
    QVERIFY2(header.contains("DATASET POLYDATA"), qPrintable(name));

    // The viewer screens every file before its reader sees it.
    const std::string problem =
      checkLegacyPolyDataFile(QFile::encodeName(file(name)).toStdString());
    QVERIFY2(problem.empty(),
             qPrintable(name + QStringLiteral(": ") + QString::fromStdString(problem)));

    vtkSmartPointer<vtkPolyData> surface = readSurface(file(name));
    QVERIFY2(surface->GetNumberOfPolys() > 200, qPrintable(name));
    QVERIFY2(surface->GetPointData()->GetNormals(), qPrintable(name));

    vtkNew<vtkFeatureEdges> edges;
    edges->SetInputData(surface);
    edges->BoundaryEdgesOn();
    edges->NonManifoldEdgesOn();
    edges->FeatureEdgesOff();
    edges->ManifoldEdgesOff();
    edges->Update();
    QVERIFY2(edges->GetOutput()->GetNumberOfCells() == 0, qPrintable(name));

    // Counter-clockwise seen from outside, so the viewer's back-face culling keeps the outside.
    QVERIFY2(signedVolume(surface) > 0, qPrintable(name));
  }
}

void
SampleModelTest::headFacesForwardAroundTheEar()
{
  vtkSmartPointer<vtkPolyData> head = readSurface(file("/Joint/Head_bone_transformed.vtp"));
  double bounds[6];
  head->GetBounds(bounds);
  const double width = bounds[1] - bounds[0], height = bounds[5] - bounds[4];
  const double midline = 0.5 * (bounds[0] + bounds[1]);

  // The tip of the nose is the head's foremost point (the face looks toward -y), on the
  // midline, between the chin and the crown.
  double nose[3] = { 0, std::numeric_limits<double>::max(), 0 };
  for (vtkIdType i = 0; i < head->GetNumberOfPoints(); ++i) {
    double p[3];
    head->GetPoint(i, p);
    if (p[1] < nose[1]) {
      std::copy(p, p + 3, nose);
    }
  }
  QVERIFY(std::abs(nose[0] - midline) < 0.05 * width);
  QVERIFY(nose[2] > bounds[4] + 0.25 * height && nose[2] < bounds[4] + 0.7 * height);
  QVERIFY(height > width); // the crown up, not lying on its side

  // The joint lies inside the head, in the temporal region of the right side (toward -x).
  vtkSmartPointer<vtkPolyData> stapes =
    readSurface(file(QString::fromLatin1(sample::structureInfos()[sample::Stapes].relativePath)));
  double stapesBounds[6];
  stapes->GetBounds(stapesBounds);
  const double joint[3] = { 0.5 * (stapesBounds[0] + stapesBounds[1]),
                            0.5 * (stapesBounds[2] + stapesBounds[3]),
                            0.5 * (stapesBounds[4] + stapesBounds[5]) };
  vtkNew<vtkSelectEnclosedPoints> enclosed;
  enclosed->Initialize(head);
  QVERIFY(enclosed->IsInsideSurface(joint[0], joint[1], joint[2]));
  enclosed->Complete();
  QVERIFY(joint[0] < midline - 0.2 * width);
  QVERIFY(joint[0] > bounds[0] + 0.05 * width);
  QVERIFY(std::abs(joint[2] - nose[2]) < 0.2 * height);
}

void
SampleModelTest::pagesSurviveLineJoiningAndDescribeTheControls()
{
  for (const char* name : { "/help2.html", "/about2.html" }) {
    QFile page(file(QLatin1String(name)));
    QVERIFY(page.open(QIODevice::ReadOnly));
    const QByteArray bytes = page.readAll();
    for (char byte : bytes) {
      QVERIFY2(byte == '\n' || (byte >= 32 && byte < 127), name);
    }
    // The viewer drops the line breaks; a line ending in a tag cannot glue two words together.
    for (const QByteArray& line : bytes.split('\n')) {
      QVERIFY2(line.size() < 1000, name);
      QVERIFY2(line.isEmpty() || line.endsWith('>'), line.constData());
    }
  }
  QFile help(file("/help2.html"));
  QVERIFY(help.open(QIODevice::ReadOnly));
  const QString text = QString::fromLatin1(help.readAll());
  const QStringList mentioned = { "Frontal View",
                                  "Center Models",
                                  "Show All",
                                  "Hide All",
                                  "Audio Guide",
                                  "Rotate",
                                  "Pan",
                                  "Zoom",
                                  "Clipping",
                                  "Section #",
                                  "Show X Plane",
                                  "X Plane",
                                  "Y Plane",
                                  "Z Plane",
                                  "View Model",
                                  "View Head",
                                  "Show Stereo",
                                  "Full Screen",
                                  "Head Front View",
                                  "Cochlex Help",
                                  "Left button",
                                  "Right button",
                                  "Middle button",
                                  "<b>x</b>",
                                  "<b>y</b>",
                                  "<b>z</b>",
                                  "Head view",
                                  "Visibility and Transparency" };
  for (const QString& words : mentioned) {
    QVERIFY2(text.contains(words), qPrintable(words));
  }
  for (const auto& info : sample::structureInfos()) {
    QVERIFY2(text.contains(QStringLiteral("<h3>%1</h3>").arg(QLatin1String(info.name))), info.name);
  }
}

void
SampleModelTest::sectionVoxelsAgreeWithSurfaces()
{
  QFile raw(file("/Joint/Joint.raw"));
  QVERIFY(raw.open(QIODevice::ReadOnly));
  const QByteArray volume = raw.readAll();
  QCOMPARE(volume.size(), 47483040);

  vtkNew<vtkTransform> placement;
  sample::buildVolumePlacement(placement);
  vtkNew<vtkTransform> toVolume;
  toVolume->SetMatrix(placement->GetMatrix());
  toVolume->Inverse();

  // Partial volume blurs a boundary over about a voxel; the probes stand off farther than that.
  constexpr double standOff = 0.03;
  constexpr double tolerance = 15;
  for (const auto& info : sample::structureInfos()) {
    vtkSmartPointer<vtkPolyData> surface =
      readSurface(file(QString::fromLatin1(info.relativePath)));
    vtkDataArray* normals = surface->GetPointData()->GetNormals();
    QVERIFY(normals);
    const vtkIdType step = std::max<vtkIdType>(1, surface->GetNumberOfPoints() / 20000);
    int probed = 0, insideAgrees = 0, outsideDiffers = 0;
    for (vtkIdType i = 0; i < surface->GetNumberOfPoints(); i += step) {
      double point[3], normal[3];
      surface->GetPoint(i, point);
      normals->GetTuple(i, normal);
      double p[3], n[3];
      toVolume->TransformPoint(point, p);
      toVolume->TransformVector(normal, n);
      double inner[3], outer[3];
      for (int axis = 0; axis < 3; ++axis) {
        inner[axis] = p[axis] - standOff * n[axis];
        outer[axis] = p[axis] + standOff * n[axis];
      }
      const double inside = sampleVolume(volume, inner);
      const double outside = sampleVolume(volume, outer);
      if (std::isnan(inside) || std::isnan(outside)) {
        continue; // beyond the slab the volume covers
      }
      ++probed;
      insideAgrees += std::abs(inside - info.greyValue) <= tolerance;
      outsideDiffers += std::abs(outside - info.greyValue) > tolerance;
    }
    const QString summary = QStringLiteral("%1: %2 probed, inside agrees %3, outside differs %4")
                              .arg(QLatin1String(info.name))
                              .arg(probed)
                              .arg(insideAgrees)
                              .arg(outsideDiffers);
    qInfo().noquote() << summary;
    // Every structure reaches into the section volume.
    QVERIFY2(probed >= 100, qPrintable(summary));
    QVERIFY2(insideAgrees >= 0.9 * probed, qPrintable(summary));
    QVERIFY2(outsideDiffers >= 0.9 * probed, qPrintable(summary));
  }
}

void
SampleModelTest::blockShortcutMatchesEveryVoxel()
{
  // The volume is filled block by block where the anatomy says no boundary crosses a block;
  // every voxel of such a block must have the grey value it gets on its own.
  const sample::JointAnatomy anatomy;
  const double* spacing = sample::volumeSpacing;
  const int size[3] = { 4, 4, 2 };
  int uniformBlocks = 0;
  for (int k0 = 0; k0 + size[2] <= sample::volumeDimensions[2]; k0 += 6) {
    for (int j0 = 0; j0 + size[1] <= sample::volumeDimensions[1]; j0 += 17) {
      for (int i0 = 0; i0 + size[0] <= sample::volumeDimensions[0]; i0 += 17) {
        const double extent[3] = { (size[0] - 1) * spacing[0],
                                   (size[1] - 1) * spacing[1],
                                   (size[2] - 1) * spacing[2] };
        const double radius =
          0.5 * std::sqrt(extent[0] * extent[0] + extent[1] * extent[1] + extent[2] * extent[2]);
        const sample::Vec3 centre{ (i0 + 0.5 * (size[0] - 1)) * spacing[0],
                                   (j0 + 0.5 * (size[1] - 1)) * spacing[1],
                                   (k0 + 0.5 * (size[2] - 1)) * spacing[2] };
        bool uniform = false;
        const int blockValue = anatomy.greyValue(centre, radius, &uniform);
        if (!uniform) {
          continue;
        }
        ++uniformBlocks;
        for (int k = k0; k < k0 + size[2]; ++k) {
          for (int j = j0; j < j0 + size[1]; ++j) {
            for (int i = i0; i < i0 + size[0]; ++i) {
              const int value =
                anatomy.greyValue({ i * spacing[0], j * spacing[1], k * spacing[2] });
              if (value != blockValue) {
                QFAIL(qPrintable(QStringLiteral("voxel %1 %2 %3: %4 in a block of %5")
                                   .arg(i)
                                   .arg(j)
                                   .arg(k)
                                   .arg(value)
                                   .arg(blockValue)));
              }
            }
          }
        }
      }
    }
  }
  QVERIFY(uniformBlocks > 1000);
}

void
SampleModelTest::generationIsDeterministic()
{
  const QString second = directory.path() + QStringLiteral("/again/model");
  QString error;
  QVERIFY2(writeSampleModel(second, &error), qPrintable(error));
  const QMap<QString, QByteArray> first = hashesBelow(directory.path() + QStringLiteral("/model"));
  const QMap<QString, QByteArray> repeated = hashesBelow(second);
  QCOMPARE(repeated.keys(), first.keys());
  for (const QString& name : first.keys()) {
    QVERIFY2(repeated.value(name) == first.value(name), qPrintable(name));
  }
  QCOMPARE(fileHash(directory.path() + QStringLiteral("/again/Cochlex_KT_source/icon.png")),
           fileHash(directory.path() + QStringLiteral("/Cochlex_KT_source/icon.png")));
}

void
SampleModelTest::unwritableFolderIsReported()
{
  // A model folder below a plain file cannot be made: reported, not a crash.
  const QString blocker = directory.path() + QStringLiteral("/blocker");
  QFile file(blocker);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.close();
  QString error;
  QVERIFY(!writeSampleModel(blocker + QStringLiteral("/model"), &error));
  QVERIFY(error.contains(QStringLiteral("blocker")));
}

QTEST_MAIN(SampleModelTest)
#include "test_sample_model.moc"
