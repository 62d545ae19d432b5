// The main view with section images shown and the structures cut along them, compared with
// reference images kept in tests/baselines.
//
// After an intended change of the picture, regenerate the references from the build folder with
//   COCHLEX_UPDATE_BASELINES=1 xvfb-run -a -s "-screen 0 1280x1024x24" ctest -R section_rendering
// and look at them before keeping them. A failing run saves the view and a map of the differing
// pixels into section_rendering/ under COCHLEX_BINARY_DIR.

#include "ViewerSession.h"
#include "tools/SampleModel.h"
#include "viewer/CochlexUI.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QSlider>
#include <QVTKOpenGLNativeWidget.h>

#include <vtkRenderWindow.h>

#include <algorithm>
#include <cstdlib>

namespace {

// A channel off by more than pixelTolerance makes a pixel different. The limits leave room for
// rasteriser rounding, not for a moved or missing cut.
constexpr int pixelTolerance = 24;
constexpr double maximumDifferentShare = 0.001;
constexpr double maximumMeanDifference = 0.3;

} // namespace

class SectionRenderingTest : public QObject
{
  Q_OBJECT

  std::unique_ptr<QTemporaryDir> folder;
  std::unique_ptr<_CochlexUI> window;

private slots:
  void initTestCase()
  {
    folder = std::make_unique<QTemporaryDir>();
    // The generator puts the window icon beside the model folder.
    const QString modelDirectory = folder->path() + QStringLiteral("/model");
    QString error;
    QVERIFY2(writeSampleModel(modelDirectory, &error), qPrintable(error));
    {
      fixture::WorkingDirectory workingDirectory(modelDirectory);
      window = std::make_unique<_CochlexUI>();
      window->resize(1144, 800);
      window->move(0, 0);
      window->show();
      QVERIFY(QTest::qWaitForWindowExposed(window.get()));
      captureOutput([this] { window->loadTB(); });
    }
    QVERIFY(window->hasSectionVolume());
    // Loading shows the docks; let the layout settle at the size the references were taken at.
    window->resize(1144, 800);
    QTest::qWait(200);
  }

  void cleanupTestCase()
  {
    window.reset();
    folder.reset();
  }

  void cutViewMatchesBaseline_data()
  {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QVector<int>>("sides"); // 0: section hidden, clipping off
    QTest::newRow("X") << "section_x_clipped" << QVector<int>{ 1, 0, 0 };
    QTest::newRow("Y") << "section_y_clipped" << QVector<int>{ 0, 1, 0 };
    QTest::newRow("Z, far side") << "section_z_clipped" << QVector<int>{ 0, 0, -1 };
    QTest::newRow("all three") << "sections_all_clipped" << QVector<int>{ -1, 1, -1 };
  }

  void cutViewMatchesBaseline()
  {
    QFETCH(QString, name);
    QFETCH(QVector<int>, sides);
    QCheckBox* const boxes[3] = { window->showXPlane, window->showYPlane, window->showZPlane };
    QSlider* const clips[3] = { window->clipX, window->clipY, window->clipZ };
    for (int axis = 0; axis < 3; ++axis) {
      if (boxes[axis]->isChecked()) {
        boxes[axis]->click();
      }
      clips[axis]->setValue(0);
    }
    for (int axis = 0; axis < 3; ++axis) {
      if (sides[axis] != 0) {
        boxes[axis]->click();
        clips[axis]->setValue(sides[axis]);
      }
    }
    QTest::qWait(100);
    window->mainRenderWindow()->Render();
    const QImage actual =
      window->qvtkWidget->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
    QVERIFY(!actual.isNull());

    const QString baselinePath =
      qEnvironmentVariable("COCHLEX_SOURCE_DIR", QStringLiteral(COCHLEX_SOURCE_DIR_DEFAULT)) +
      "/tests/baselines/" + name + ".png";
    if (qgetenv("COCHLEX_UPDATE_BASELINES") == "1") {
      QVERIFY(actual.save(baselinePath));
      qInfo("wrote %s", qPrintable(baselinePath));
      return;
    }
    const QImage expected = QImage(baselinePath).convertToFormat(QImage::Format_RGB32);
    const QString failurePath = qEnvironmentVariable("COCHLEX_BINARY_DIR", QDir::currentPath()) +
                                "/section_rendering/" + name;
    const auto save = [&failurePath](const QImage& image, const QString& suffix) {
      QDir().mkpath(QFileInfo(failurePath).absolutePath());
      image.save(failurePath + suffix);
    };
    if (expected.size() != actual.size()) {
      save(actual, "_actual.png");
      QCOMPARE(actual.size(), expected.size());
    }

    QImage difference(actual.size(), QImage::Format_RGB32);
    double sum = 0;
    double different = 0;
    for (int y = 0; y < actual.height(); ++y) {
      for (int x = 0; x < actual.width(); ++x) {
        const QRgb a = actual.pixel(x, y);
        const QRgb e = expected.pixel(x, y);
        const int channels[3] = { std::abs(qRed(a) - qRed(e)),
                                  std::abs(qGreen(a) - qGreen(e)),
                                  std::abs(qBlue(a) - qBlue(e)) };
        sum += channels[0] + channels[1] + channels[2];
        const bool differs = *std::max_element(channels, channels + 3) > pixelTolerance;
        different += differs;
        const int grey = qGray(e) / 3;
        difference.setPixel(x, y, differs ? qRgb(255, 0, 0) : qRgb(grey, grey, grey));
      }
    }
    const double pixels = double(actual.width()) * actual.height();
    const QString summary = QStringLiteral("%1: %2% of the pixels differ, mean difference %3")
                              .arg(name)
                              .arg(different / pixels * 100)
                              .arg(sum / (3 * pixels));
    qInfo("%s", qPrintable(summary));
    if (different / pixels > maximumDifferentShare || sum / (3 * pixels) > maximumMeanDifference) {
      save(actual, "_actual.png");
      save(difference, "_difference.png");
      QFAIL(qPrintable(summary + ", view saved as " + failurePath + "_actual.png"));
    }
  }
};

COCHLEX_VIEWER_TEST_MAIN(SectionRenderingTest)
#include "test_section_rendering.moc"
