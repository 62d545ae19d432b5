// The main view with section images shown and the structures cut along them, compared with
// reference images kept in tests/baselines.
//
// To regenerate the reference images after an intended change of the picture, run the test
// with COCHLEX_UPDATE_BASELINES=1 from the build folder:
//   COCHLEX_UPDATE_BASELINES=1 xvfb-run -a -s "-screen 0 1280x1024x24" ctest -R section_rendering
// and look at the written PNG files before keeping them. A failing run saves the view and a
// map of the differing pixels into section_rendering/ under COCHLEX_BINARY_DIR.

#include "ModelFixture.h"
#include "tools/SampleModel.h"
#include "viewer/CochlexUI.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QSlider>
#include <QSurfaceFormat>
#include <QTemporaryDir>
#include <QTest>
#include <QVTKOpenGLNativeWidget.h>

#include <vtkRenderWindow.h>

#include <cstdlib>
#include <memory>

namespace {

// Window size the reference images were taken at.
constexpr int windowWidth = 1144;
constexpr int windowHeight = 800;

// A pixel counts as different when a channel is off by more than this.
constexpr int pixelTolerance = 24;
// Allowed share of different pixels and mean channel difference: room for rasteriser
// rounding, not for a moved or missing cut.
constexpr double maximumDifferentShare = 0.001;
constexpr double maximumMeanDifference = 0.3;

QString
sourceDirectory()
{
  const QByteArray fromEnvironment = qgetenv("COCHLEX_SOURCE_DIR");
  return fromEnvironment.isEmpty() ? QStringLiteral(COCHLEX_SOURCE_DIR_DEFAULT)
                                   : QString::fromLocal8Bit(fromEnvironment);
}

QString
outputDirectory()
{
  const QByteArray fromEnvironment = qgetenv("COCHLEX_BINARY_DIR");
  const QString root =
    fromEnvironment.isEmpty() ? QDir::currentPath() : QString::fromLocal8Bit(fromEnvironment);
  return root + QStringLiteral("/section_rendering");
}

bool
updatingBaselines()
{
  return qgetenv("COCHLEX_UPDATE_BASELINES") == "1";
}

struct Difference
{
  double meanDifference = 0.0;
  double differentShare = 0.0;
};

Difference
compareImages(const QImage& actual, const QImage& expected, QImage* differenceImage)
{
  Difference result;
  const int width = actual.width();
  const int height = actual.height();
  *differenceImage = QImage(width, height, QImage::Format_RGB32);
  qint64 sum = 0;
  qint64 different = 0;
  for (int y = 0; y < height; ++y) {
    const QRgb* a = reinterpret_cast<const QRgb*>(actual.constScanLine(y));
    const QRgb* e = reinterpret_cast<const QRgb*>(expected.constScanLine(y));
    QRgb* d = reinterpret_cast<QRgb*>(differenceImage->scanLine(y));
    for (int x = 0; x < width; ++x) {
      const int red = std::abs(qRed(a[x]) - qRed(e[x]));
      const int green = std::abs(qGreen(a[x]) - qGreen(e[x]));
      const int blue = std::abs(qBlue(a[x]) - qBlue(e[x]));
      sum += red + green + blue;
      const bool differs = red > pixelTolerance || green > pixelTolerance || blue > pixelTolerance;
      if (differs) {
        ++different;
      }
      d[x] = differs ? qRgb(255, 0, 0) : qRgb(qGray(e[x]) / 3, qGray(e[x]) / 3, qGray(e[x]) / 3);
    }
  }
  const double pixels = double(width) * height;
  result.meanDifference = pixels > 0 ? sum / (3.0 * pixels) : 0.0;
  result.differentShare = pixels > 0 ? different / pixels : 0.0;
  return result;
}

} // namespace

class SectionRenderingTest : public QObject
{
  Q_OBJECT

private slots:
  void initTestCase();
  void cleanupTestCase();
  void cutViewMatchesBaseline_data();
  void cutViewMatchesBaseline();

private:
  void clearSections();

  std::unique_ptr<QTemporaryDir> folder;
  std::unique_ptr<_CochlexUI> window;
};

void
SectionRenderingTest::initTestCase()
{
  folder = std::make_unique<QTemporaryDir>();
  QVERIFY(folder->isValid());
  // The generator puts the window icon beside the model folder.
  const QString modelDirectory = folder->path() + QStringLiteral("/model");
  QString error;
  QVERIFY2(writeSampleModel(modelDirectory, &error), qPrintable(error));
  {
    fixture::WorkingDirectory workingDirectory(modelDirectory);
    window = std::make_unique<_CochlexUI>();
    window->resize(windowWidth, windowHeight);
    window->move(0, 0);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    window->loadTB();
  }
  QVERIFY(window->hasSectionVolume());
  // Loading shows the docks; let the layout settle at the fixed size.
  window->resize(windowWidth, windowHeight);
  QTest::qWait(200);
}

void
SectionRenderingTest::cleanupTestCase()
{
  window.reset();
  folder.reset();
}

void
SectionRenderingTest::clearSections()
{
  for (QCheckBox* box : { window->showXPlane, window->showYPlane, window->showZPlane }) {
    if (box->isChecked()) {
      box->click();
    }
  }
  for (QSlider* clip : { window->clipX, window->clipY, window->clipZ }) {
    clip->setValue(0);
  }
}

void
SectionRenderingTest::cutViewMatchesBaseline_data()
{
  QTest::addColumn<QString>("name");
  QTest::addColumn<int>("clipSideX");
  QTest::addColumn<int>("clipSideY");
  QTest::addColumn<int>("clipSideZ");
  // Zero: section hidden and its clipping off.
  QTest::newRow("X") << "section_x_clipped" << 1 << 0 << 0;
  QTest::newRow("Y") << "section_y_clipped" << 0 << 1 << 0;
  QTest::newRow("Z, far side") << "section_z_clipped" << 0 << 0 << -1;
  QTest::newRow("all three, mixed sides") << "sections_all_clipped" << -1 << 1 << -1;
}

void
SectionRenderingTest::cutViewMatchesBaseline()
{
  QFETCH(QString, name);
  QFETCH(int, clipSideX);
  QFETCH(int, clipSideY);
  QFETCH(int, clipSideZ);

  clearSections();
  const int sides[3] = { clipSideX, clipSideY, clipSideZ };
  QCheckBox* boxes[3] = { window->showXPlane, window->showYPlane, window->showZPlane };
  QSlider* clips[3] = { window->clipX, window->clipY, window->clipZ };
  for (int axis = 0; axis < 3; ++axis) {
    if (sides[axis] != 0) {
      boxes[axis]->click();
      clips[axis]->setValue(sides[axis]);
    }
  }
  QTest::qWait(100);
  window->mainRenderWindow()->Render();
  const QImage actual = window->qvtkWidget->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
  QVERIFY(!actual.isNull());

  const QString baselinePath =
    sourceDirectory() + QStringLiteral("/tests/baselines/%1.png").arg(name);
  if (updatingBaselines()) {
    QVERIFY(QDir().mkpath(QFileInfo(baselinePath).absolutePath()));
    QVERIFY(actual.save(baselinePath));
    qInfo("wrote %s", qPrintable(baselinePath));
    return;
  }

  const QImage expected = QImage(baselinePath).convertToFormat(QImage::Format_RGB32);
  const QString failurePath = outputDirectory() + QStringLiteral("/%1").arg(name);
  const auto saveActual = [&](const QImage* difference) {
    QDir().mkpath(outputDirectory());
    actual.save(failurePath + QStringLiteral("_actual.png"));
    if (difference) {
      difference->save(failurePath + QStringLiteral("_difference.png"));
    }
    qWarning("actual image saved as %s_actual.png", qPrintable(failurePath));
  };
  if (expected.isNull()) {
    saveActual(nullptr);
    QFAIL(qPrintable(QStringLiteral("no reference image %1").arg(baselinePath)));
  }
  if (expected.size() != actual.size()) {
    saveActual(nullptr);
    QFAIL(qPrintable(QStringLiteral("view is %1 x %2, reference image %3 x %4")
                       .arg(actual.width())
                       .arg(actual.height())
                       .arg(expected.width())
                       .arg(expected.height())));
  }
  QImage differenceImage;
  const Difference difference = compareImages(actual, expected, &differenceImage);
  const bool matches = difference.differentShare <= maximumDifferentShare &&
                       difference.meanDifference <= maximumMeanDifference;
  qInfo("%s: %.4f%% of the pixels differ, mean difference %.4f",
        qPrintable(name),
        difference.differentShare * 100.0,
        difference.meanDifference);
  if (!matches) {
    saveActual(&differenceImage);
  }
  QVERIFY2(matches,
           qPrintable(QStringLiteral("%1% of the pixels differ, mean difference %2")
                        .arg(difference.differentShare * 100.0)
                        .arg(difference.meanDifference)));
}

int
main(int argc, char** argv)
{
  QSurfaceFormat::setDefaultFormat(QVTKOpenGLNativeWidget::defaultFormat());
  QApplication application(argc, argv);
  SectionRenderingTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "test_section_rendering.moc"
