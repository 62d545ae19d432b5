// The sample teaching model: its files in the layout and formats the viewer reads, closed
// surfaces facing outward, a head facing the viewer, section voxels that agree with the
// surfaces, and the same bytes on every run.

#include "TestDriver.h"
#include "loading/LegacyPolyDataCheck.h"
#include "loading/PageFile.h"
#include "loading/SectionVolume.h"
#include "loading/StructureList.h"
#include "tools/SampleAnatomy.h"
#include "tools/SampleModel.h"

#include <vtkDataArray.h>
#include <vtkFeatureEdges.h>
#include <vtkImageData.h>
#include <vtkMath.h>
#include <vtkNew.h>
#include <vtkPointData.h>
#include <vtkPolyData.h>
#include <vtkTransform.h>

#include <QMap>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QtTest>

#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>
#include <functional>
#include <iterator>

class SampleModelTest : public QObject
{
  Q_OBJECT

  QTemporaryDir directory;
  QString model = directory.path() + "/model";
  QString file(const QString& relative) const { return model + relative; }
  // Through the viewer's checks, as the viewer reads it; problem tells what they found.
  std::string problem;
  vtkSmartPointer<vtkPolyData> readSurface(const QString& relative)
  {
    SurfaceRead read = readCheckedPolyData(file(relative).toStdString());
    problem = read.problem;
    return read.surface;
  }

  QMap<QString, double> measures;
  // The structure's surface points in anatomical axes centred on the joint.
  std::vector<sample::Vec3> anatomicalPoints(int structure)
  {
    const sample::JointAnatomy anatomy;
    const sample::Vec3 joint = anatomy.jointCentreInModel();
    vtkSmartPointer<vtkPolyData> surface =
      readSurface(sample::structureInfos()[structure].relativePath);
    std::vector<sample::Vec3> points;
    for (vtkIdType i = 0; surface && i < surface->GetNumberOfPoints(); ++i) {
      double p[3];
      surface->GetPoint(i, p);
      points.push_back({ p[0] - joint.x, p[1] - joint.y, p[2] - joint.z });
    }
    return points;
  }
  static double extent(const std::vector<sample::Vec3>& points, double sample::Vec3::*axis)
  {
    double low = 1e9, high = -1e9;
    for (const sample::Vec3& p : points) {
      low = std::min(low, p.*axis);
      high = std::max(high, p.*axis);
    }
    return high - low;
  }
  static std::vector<sample::Vec3> where(const std::vector<sample::Vec3>& points,
                                         const std::function<bool(const sample::Vec3&)>& keep)
  {
    std::vector<sample::Vec3> kept;
    std::copy_if(points.begin(), points.end(), std::back_inserter(kept), keep);
    return kept;
  }
  void measureShapes()
  {
    using sample::Vec3;
    const std::vector<Vec3> stapes = anatomicalPoints(sample::Stapes);
    const std::vector<Vec3> incus = anatomicalPoints(sample::Incus);
    QVERIFY(!stapes.empty() && !incus.empty());
    // The stapes stands along x: its head's articular face lateral, the footplate medial.
    double headFace = 1e9, footplateFace = -1e9;
    for (const Vec3& p : stapes) {
      headFace = std::min(headFace, p.x);
      footplateFace = std::max(footplateFace, p.x);
    }
    measures["stapes height"] = footplateFace - headFace;
    // The footplate: the medial quarter millimetre, below the crura's feet.
    const auto footplate = where(stapes, [&](const Vec3& p) { return p.x > footplateFace - 0.2; });
    measures["footplate length"] = extent(footplate, &Vec3::y);
    measures["footplate width"] = extent(footplate, &Vec3::z);
    // The head, parallel to the footplate's long axis, before the neck narrows.
    const auto head = where(stapes, [&](const Vec3& p) { return p.x < headFace + 0.45; });
    measures["stapes head width"] = extent(head, &Vec3::y);

    // The incus: the top of its body, the short process's tip (its most posterior point) and
    // the long process's tip (its lowest point, on the lenticular process).
    Vec3 top = incus[0], shortTip = incus[0], longTip = incus[0];
    for (const Vec3& p : incus) {
      top = p.z > top.z ? p : top;
      shortTip = p.y > shortTip.y ? p : shortTip;
      longTip = p.z < longTip.z ? p : longTip;
    }
    measures["incus length"] = top.z - longTip.z;
    measures["incus process tips apart"] = sample::length(shortTip - longTip);
    // The axes meet in the body: its centre is the middle of its top 1.5 mm.
    Vec3 body{ 0, 0, 0 };
    const auto bodyPoints = where(incus, [&](const Vec3& p) { return p.z > top.z - 1.5; });
    for (const Vec3& p : bodyPoints) {
      body = body + (1.0 / bodyPoints.size()) * p;
    }
    const Vec3 toShort = shortTip - body, toLong = longTip - body;
    measures["incus angle of axes"] =
      std::acos(sample::dot(toShort, toLong) / (sample::length(toShort) * sample::length(toLong))) *
      180.0 / 3.14159265358979;
    // The long process 1.5 mm above its tip, where a prosthesis is crimped: its widest extent in
    // the horizontal plane.
    const double level = longTip.z + 1.5;
    const auto ring = where(incus, [&](const Vec3& p) {
      return std::abs(p.z - level) < 0.05 && p.y < 1.0 && sample::length(p - body) > 2.0;
    });
    measures["long process diameter"] = std::max(extent(ring, &Vec3::x), extent(ring, &Vec3::y));
  }

private slots:
  void initTestCase()
  {
    QString error;
    QVERIFY2(writeSampleModel(model, &error), qPrintable(error));
  }

  void listNamesEveryFileInOrder()
  {
    // The viewer's own reader: nine entries in the order of the window's rows. (The pages are
    // read below, and the load of the whole model is checked by test_readonly.)
    std::ifstream listFile(QFile::encodeName(file("/Joint_transformed.txt")).constData());
    const StructureList list = parseStructureList(listFile, "Joint_transformed.txt");
    QCOMPARE(list.problem, std::string());
    QCOMPARE(int(list.entries.size()), 9);
    const QStringList names = QString("Incus Incus_Articular_Cartilage Incus_Blood_Vessels "
                                      "Incus_Areolar_Tissue Stapes Stapes_Articular_Cartilage "
                                      "Capsular_Ligamental_Fibers Stapedius_Tendon Joint_Space")
                                .split(' ');
    std::array<std::array<double, 3>, 9> colors{};
    for (int row = 0; row < 9; ++row) {
      const StructureEntry& entry = list.entries[row];
      QCOMPARE(QString::fromStdString(entry.relativePath), "/Joint/" + names[row] + ".vtk");
      // The slider's truncated tenths agree with the spin box's rounding.
      QVERIFY(entry.opacity > 0 && entry.opacity <= 1);
      QCOMPARE(std::floor(entry.opacity * 10 + 1e-9), std::round(entry.opacity * 10));
      std::ifstream colorFile(
        file(QString::fromStdString(entry.relativePath) + ".color").toStdString());
      std::array<double, 3>& color = colors[row];
      QVERIFY2(colorFile >> color[0] >> color[1] >> color[2], qPrintable(names[row]));
      QVERIFY(*std::min_element(color.begin(), color.end()) >= 0 &&
              *std::max_element(color.begin(), color.end()) <= 1);
    }
    // A student tells the structures apart by colour: no two may look alike.
    for (int first = 0; first < 9; ++first) {
      for (int second = first + 1; second < 9; ++second) {
        double squared = 0;
        for (int channel = 0; channel < 3; ++channel) {
          squared += std::pow(colors[first][channel] - colors[second][channel], 2);
        }
        QVERIFY2(std::sqrt(squared) >= 0.2, qPrintable(names[first] + " and " + names[second]));
      }
    }
    QVERIFY(!QImage(file("/../Cochlex_KT_source/icon.png")).isNull());
    QVERIFY(!QImage(file("/TB.png")).isNull());
    for (const QString& track : { "/Track_1.wma", "/Track_2.wma" }) {
      QFile recording(file(track));
      QVERIFY(recording.open(QIODevice::ReadOnly));
      QCOMPARE(recording.read(4), QByteArray::fromHex("3026b275")); // an ASF container
    }
  }

  void surfacesAreClosedAndFaceOutward()
  {
    QStringList surfaces = { "/Joint/Head_bone_transformed.vtp" };
    for (const auto& info : sample::structureInfos()) {
      surfaces << info.relativePath;
    }
    for (const QString& name : surfaces) {
      vtkSmartPointer<vtkPolyData> surface = readSurface(name);
      QVERIFY2(problem.empty() && surface->GetNumberOfPolys() > 200 &&
                 surface->GetPointData()->GetNormals(),
               qPrintable(name + ": " + QString::fromStdString(problem)));
      vtkNew<vtkFeatureEdges> edges;
      edges->SetInputData(surface);
      edges->FeatureEdgesOff();
      edges->ManifoldEdgesOff();
      edges->Update();
      QVERIFY2(edges->GetOutput()->GetNumberOfCells() == 0, qPrintable(name));
      // Counter-clockwise seen from outside (positive enclosed volume), so that the viewer's
      // back-face culling keeps the outside.
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
      QVERIFY2(volume > 0, qPrintable(name));
    }
  }

  void headFacesForwardWithFewTriangles()
  {
    // The face looks toward -y: the head's foremost point is the tip of the nose, on the
    // midline, between chin and crown, with the crown up.
    vtkSmartPointer<vtkPolyData> head = readSurface("/Joint/Head_bone_transformed.vtp");
    // The head view is a few hundred pixels wide and redraws on every turn of the model: a
    // software renderer pays for each triangle, and a few thousand show the face in full.
    QVERIFY2(head->GetNumberOfPolys() <= 5000,
             qPrintable(QString::number(head->GetNumberOfPolys())));
    double bounds[6], nose[3] = { 0, std::numeric_limits<double>::max(), 0 };
    head->GetBounds(bounds);
    for (vtkIdType i = 0; i < head->GetNumberOfPoints(); ++i) {
      if (head->GetPoint(i)[1] < nose[1]) {
        head->GetPoint(i, nose);
      }
    }
    const double width = bounds[1] - bounds[0], height = bounds[5] - bounds[4];
    QVERIFY(std::abs(nose[0] - 0.5 * (bounds[0] + bounds[1])) < 0.05 * width);
    QVERIFY(nose[2] > bounds[4] + 0.25 * height && nose[2] < bounds[4] + 0.7 * height);
    QVERIFY(height > width);
  }

  void pagesSurviveLineJoiningAndTheirLinksLead()
  {
    // The viewer drops the pages' line breaks: a line must end in a tag so that no two words
    // are glued together, and hold printable ASCII only.
    for (const char* name : { "/help2.html", "/about2.html" }) {
      QFile page(file(name));
      QVERIFY(page.open(QIODevice::ReadOnly));
      for (const QByteArray& line : page.readAll().split('\n')) {
        QVERIFY2((line.isEmpty() || line.endsWith('>')) &&
                   std::all_of(line.begin(), line.end(), [](char c) { return c >= 32 && c < 127; }),
                 line.constData());
      }
    }
    // Read as the viewer reads it, every link within the help page leads to an anchor.
    QTextDocument page;
    const PageRead read = readPageFile(file("/help2.html"));
    QVERIFY(read.problem.empty());
    page.setHtml(read.page);
    QStringList links, anchors;
    for (QTextBlock block = page.begin(); block.isValid(); block = block.next()) {
      for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
        const QTextCharFormat format = fragment.fragment().charFormat();
        if (format.anchorHref().startsWith('#')) {
          links << format.anchorHref().mid(1);
        }
        anchors << format.anchorNames();
      }
    }
    QVERIFY(links.size() >= 10);
    for (const QString& link : links) {
      QVERIFY2(anchors.contains(link), qPrintable(link));
    }
  }

  void sectionVoxelsAgreeWithSurfaces()
  {
    // Read as the viewer reads it; the nearest voxel's grey value, -1 outside the volume.
    const SectionVolumeRead read = readSectionVolume(file("/Joint/Joint.raw").toStdString());
    QCOMPARE(read.bytesRead, sectionVolumeByteCount);
    vtkImageData* volume = read.volume;
    auto voxelAt = [&volume](double* point) {
      const vtkIdType id = volume->FindPoint(point);
      return id < 0 ? -1 : int(static_cast<unsigned char*>(volume->GetScalarPointer())[id]);
    };
    vtkNew<vtkTransform> toVolume;
    sample::buildVolumePlacement(toVolume);
    toVolume->Inverse();
    // Partial volume blurs a boundary over about a voxel; the probes stand off farther.
    constexpr double standOff = 0.03, tolerance = 15;
    for (const auto& info : sample::structureInfos()) {
      vtkSmartPointer<vtkPolyData> surface = readSurface(info.relativePath);
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
        const int inside = voxelAt(inner), outside = voxelAt(outer);
        if (inside >= 0 && outside >= 0) { // else beyond the slab the volume covers
          ++probed;
          insideAgrees += std::abs(inside - info.greyValue) <= tolerance;
          outsideDiffers += std::abs(outside - info.greyValue) > tolerance;
        }
      }
      const QString summary = QString::asprintf(
        "%s: %d probed, %d agree, %d differ", info.name, probed, insideAgrees, outsideDiffers);
      // Every structure reaches into the section volume.
      QVERIFY2(probed >= 100, qPrintable(summary));
      QVERIFY2(insideAgrees >= 0.9 * probed && outsideDiffers >= 0.9 * probed, qPrintable(summary));
    }
  }

  // The shapes against the published measurements of adult human ossicles that the generator
  // cites, measured on the written surfaces in the anatomical axes (x medial, y posterior,
  // z superior); an expectation from the literature, not from the generator's constants.
  void shapesMeasureAsPublished_data()
  {
    QTest::addColumn<QString>("measure");
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("high");
    QTest::newRow("stapes height") << "stapes height" << 2.80 << 3.93;
    QTest::newRow("footplate length") << "footplate length" << 2.52 << 3.36;
    QTest::newRow("footplate width") << "footplate width" << 1.08 << 1.66;
    QTest::newRow("stapes head width") << "stapes head width" << 0.91 << 1.49;
    QTest::newRow("incus length") << "incus length" << 5.87 << 7.15;
    QTest::newRow("incus process tips apart") << "incus process tips apart" << 5.36 << 6.76;
    QTest::newRow("incus angle of axes") << "incus angle of axes" << 58.0 << 77.0;
    QTest::newRow("long process diameter") << "long process diameter" << 0.52 << 1.15;
  }
  void shapesMeasureAsPublished()
  {
    QFETCH(QString, measure);
    QFETCH(double, low);
    QFETCH(double, high);
    if (measures.isEmpty()) {
      measureShapes();
    }
    QVERIFY2(measures.contains(measure), qPrintable(measure));
    const double value = measures.value(measure);
    QVERIFY2(value >= low && value <= high,
             qPrintable(
               QString("%1 is %2, published %3 to %4").arg(measure).arg(value).arg(low).arg(high)));
  }

  void generationIsDeterministic()
  {
    QString error;
    QVERIFY2(writeSampleModel(directory.path() + "/again/model", &error), qPrintable(error));
    for (const QString& folder : { "/model", "/Cochlex_KT_source" }) {
      QCOMPARE(
        QProcess::execute(
          "diff", { "-r", "-q", directory.path() + folder, directory.path() + "/again" + folder }),
        0);
    }
  }

  void unwritableFolderIsReported()
  {
    // A model folder below a plain file cannot be made: reported, not a crash.
    QVERIFY(QFile(directory.path() + "/blocker").open(QIODevice::WriteOnly));
    QString error;
    QVERIFY(!writeSampleModel(directory.path() + "/blocker/model", &error));
    QVERIFY(error.contains("blocker"));
  }
};

COCHLEX_TEST_CLASS(SampleModelTest)
#include "test_sample_model.moc"
