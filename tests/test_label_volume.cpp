// The model maker's label volume: a label map of any voxel type, with one layer or several,
// becomes 16-bit codes whose labels, voxel counts and extents are checked here against a count
// made voxel by voxel in the test; values that are not labels, and more labels than codes, are
// refused with their line.

#include "TestDriver.h"
#include "tools/make_model/LabelVolume.h"

#include <vtkDataArray.h>
#include <vtkImageData.h>
#include <vtkNew.h>
#include <vtkPointData.h>
#include <vtkSmartPointer.h>
#include <vtkType.h>

#include <QtTest>

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <random>
#include <utility>

using makemodel::LabelVolume;
using makemodel::makeLabelVolume;

namespace {

// An image of the given type and size whose components (layers) hold values drawn from the list:
// mostly the first (the background) and the others in runs along x, as label maps hold them.
vtkSmartPointer<vtkImageData>
labelImage(int type, const std::array<int, 3>& size, int layers, const QList<double>& values)
{
  auto image = vtkSmartPointer<vtkImageData>::New();
  image->SetDimensions(size[0], size[1], size[2]);
  image->AllocateScalars(type, layers);
  std::mt19937 generator(11);
  std::uniform_int_distribution<int> pick(0, int(values.size()) - 1);
  std::uniform_int_distribution<int> runLength(1, 9);
  const vtkIdType count = vtkIdType(size[0]) * size[1] * size[2];
  for (int layer = 0; layer < layers; ++layer) {
    for (vtkIdType index = 0; index < count;) {
      const double value = generator() % 3 == 0 ? values[pick(generator)] : values[0];
      for (int run = runLength(generator); run > 0 && index < count; --run, ++index) {
        image->GetPointData()->GetScalars()->SetComponent(index, layer, value);
      }
    }
  }
  return image;
}

struct Expected
{
  std::int64_t voxels = 0;
  std::array<int, 3> low{ { 1 << 30, 1 << 30, 1 << 30 } };
  std::array<int, 3> high{ { -1, -1, -1 } };
};

} // namespace

class LabelVolumeTest : public QObject
{
  Q_OBJECT

private slots:
  // Each type through whichever conversion reads it.
  void labelsCountsAndExtents_data()
  {
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("layers");
    QTest::addColumn<QList<double>>("values"); // the first is the background
    QTest::addColumn<double>("slope");
    QTest::addColumn<double>("intercept");
    QTest::newRow("uint8") << VTK_UNSIGNED_CHAR << 1 << QList<double>{ 0, 1, 7, 255 } << 1.0 << 0.0;
    QTest::newRow("int8 up to 127")
      << VTK_SIGNED_CHAR << 1 << QList<double>{ 0, 3, 127 } << 1.0 << 0.0;
    QTest::newRow("int16 up to 32767")
      << VTK_SHORT << 1 << QList<double>{ 0, 5, 32767 } << 1.0 << 0.0;
    QTest::newRow("uint16 up to 65535")
      << VTK_UNSIGNED_SHORT << 1 << QList<double>{ 0, 1, 400, 65535 } << 1.0 << 0.0;
    QTest::newRow("uint8, two overlapping layers")
      << VTK_UNSIGNED_CHAR << 2 << QList<double>{ 0, 4, 9 } << 1.0 << 0.0;
    QTest::newRow("uint16, three layers")
      << VTK_UNSIGNED_SHORT << 3 << QList<double>{ 0, 2, 60000 } << 1.0 << 0.0;
    QTest::newRow("int32 above 65535")
      << VTK_INT << 1 << QList<double>{ 0, 70000, 2147483647 } << 1.0 << 0.0;
    QTest::newRow("float, whole values")
      << VTK_FLOAT << 1 << QList<double>{ 0, 2, 9 } << 1.0 << 0.0;
    QTest::newRow("uint16, slope 5")
      << VTK_UNSIGNED_SHORT << 1 << QList<double>{ 0, 1, 3 } << 5.0 << 0.0;
    QTest::newRow("int16, intercept 1000")
      << VTK_SHORT << 1 << QList<double>{ -1000, 1, 3 } << 1.0 << 1000.0;
  }

  void labelsCountsAndExtents()
  {
    QFETCH(int, type);
    QFETCH(int, layers);
    QFETCH(QList<double>, values);
    QFETCH(double, slope);
    QFETCH(double, intercept);
    const std::array<int, 3> size{ { 37, 23, 19 } };
    const vtkSmartPointer<vtkImageData> image = labelImage(type, size, layers, values);
    const LabelVolume volume = makeLabelVolume(image, slope, intercept);
    QVERIFY2(volume.problem.empty(), volume.problem.c_str());
    QCOMPARE(volume.layers, layers);
    QCOMPARE(volume.dimensions, size);

    // The labels voxel by voxel, from the image itself.
    std::map<std::pair<int, std::int64_t>, Expected> expected;
    vtkDataArray* scalars = image->GetPointData()->GetScalars();
    vtkIdType index = 0;
    for (int k = 0; k < size[2]; ++k) {
      for (int j = 0; j < size[1]; ++j) {
        for (int i = 0; i < size[0]; ++i, ++index) {
          for (int layer = 0; layer < layers; ++layer) {
            const auto label =
              std::int64_t(scalars->GetComponent(index, layer) * slope + intercept);
            const int code = volume.at(i, j, k, layer);
            if ((code == 0) != (label == 0) ||
                (label != 0 && (volume.segments[std::size_t(code)].value != label ||
                                volume.segments[std::size_t(code)].layer != layer))) {
              QFAIL(qPrintable(QString("voxel %1, %2, %3 of layer %4: label %5, code %6")
                                 .arg(i)
                                 .arg(j)
                                 .arg(k)
                                 .arg(layer)
                                 .arg(label)
                                 .arg(code)));
            }
            if (label == 0) {
              continue;
            }
            Expected& extent = expected[{ layer, label }];
            ++extent.voxels;
            const std::array<int, 3> at{ { i, j, k } };
            for (std::size_t axis = 0; axis < 3; ++axis) {
              extent.low[axis] = std::min(extent.low[axis], at[axis]);
              extent.high[axis] = std::max(extent.high[axis], at[axis]);
            }
          }
        }
      }
    }
    // Every label present has a code, in order of value, then layer, with its count and extent.
    const std::vector<int> codes = volume.codes();
    QCOMPARE(codes.size(), expected.size());
    std::vector<std::pair<std::int64_t, int>> order;
    order.reserve(expected.size());
    for (const auto& entry : expected) {
      order.emplace_back(entry.first.second, entry.first.first);
    }
    std::sort(order.begin(), order.end());
    for (std::size_t n = 0; n < codes.size(); ++n) {
      const makemodel::LabelSegment& segment = volume.segments[std::size_t(codes[n])];
      QCOMPARE(segment.value, order[n].first);
      QCOMPARE(segment.layer, order[n].second);
      const Expected& extent = expected[{ segment.layer, segment.value }];
      QCOMPARE(segment.extent.voxels, extent.voxels);
      QCOMPARE(segment.extent.low, extent.low);
      QCOMPARE(segment.extent.high, extent.high);
      QCOMPARE(volume.codeOf(segment.layer, segment.value), codes[n]);
    }
  }

  void refused_data()
  {
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("layers");
    QTest::addColumn<QList<double>>("values");
    QTest::addColumn<double>("slope");
    QTest::addColumn<QString>("line");
    const QString notLabels(
      "holds values that are not labels (whole numbers from 0 to 2147483647)");
    QTest::newRow("int8, -1") << VTK_SIGNED_CHAR << 1 << QList<double>{ 0, 4, -1 } << 1.0
                              << notLabels;
    QTest::newRow("int16, CT padding")
      << VTK_SHORT << 1 << QList<double>{ 0, 4, -3024 } << 1.0 << notLabels;
    QTest::newRow("int16, second layer negative")
      << VTK_SHORT << 2 << QList<double>{ 0, 4, -2 } << 1.0 << notLabels;
    QTest::newRow("float, 2.5") << VTK_FLOAT << 1 << QList<double>{ 0, 2, 2.5 } << 1.0 << notLabels;
    QTest::newRow("uint16, slope 0.5 on odd values")
      << VTK_UNSIGNED_SHORT << 1 << QList<double>{ 0, 2, 3 } << 0.5
      << "holds values that do not scale to labels (whole numbers from 0 to 2147483647) with its "
         "slope and intercept";
  }

  void refused()
  {
    QFETCH(int, type);
    QFETCH(int, layers);
    QFETCH(QList<double>, values);
    QFETCH(double, slope);
    QFETCH(QString, line);
    const LabelVolume volume =
      makeLabelVolume(labelImage(type, { 9, 8, 7 }, layers, values), slope);
    QCOMPARE(QString::fromStdString(volume.problem), line);
    QVERIFY(volume.labels.empty());
    QVERIFY(volume.segments.empty());
  }

  // 65535 labels fit the 16-bit codes; one more is refused, whether they are values of one layer
  // or spread over layers.
  void moreLabelsThanCodes_data()
  {
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("layers");
    QTest::addColumn<int>("labels"); // different labels in all
    QTest::addColumn<bool>("taken");
    QTest::newRow("int32, 65535 labels") << VTK_INT << 1 << 65535 << true;
    QTest::newRow("int32, 65536 labels") << VTK_INT << 1 << 65536 << false;
    QTest::newRow("uint16, two layers, 65535 labels") << VTK_UNSIGNED_SHORT << 2 << 65535 << true;
    QTest::newRow("uint16, two layers, 65536 labels") << VTK_UNSIGNED_SHORT << 2 << 65536 << false;
  }

  void moreLabelsThanCodes()
  {
    QFETCH(int, type);
    QFETCH(int, layers);
    QFETCH(int, labels);
    QFETCH(bool, taken);
    // A voxel for each label and a background voxel in each layer.
    const int perLayer = (labels + layers - 1) / layers;
    vtkNew<vtkImageData> image;
    image->SetDimensions(perLayer + 1, 1, 1);
    image->AllocateScalars(type, layers);
    int given = 0;
    for (int layer = 0; layer < layers; ++layer) {
      image->GetPointData()->GetScalars()->SetComponent(0, layer, 0);
      for (int voxel = 1; voxel <= perLayer; ++voxel) {
        const bool label = given < labels;
        given += label ? 1 : 0;
        image->GetPointData()->GetScalars()->SetComponent(voxel, layer, label ? voxel + 1000 : 0);
      }
    }
    const LabelVolume volume = makeLabelVolume(image);
    QCOMPARE(QString::fromStdString(volume.problem),
             taken ? QString() : QString("holds more than 65535 different labels"));
    QCOMPARE(int(volume.codes().size()), taken ? labels : 0);
  }
};

COCHLEX_TEST_CLASS(LabelVolumeTest)
#include "test_label_volume.moc"
