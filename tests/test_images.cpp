// Pictures of the main view against tests/baselines/: the sample model cut at each section
// plane, and at all three, hollow and with solid cut faces. The view is drawn at a fixed size in a
// window that never appears on screen, as the command line's --screenshot draws it, so no font,
// window layout, screen size or window activation changes the picture.

#include "GuiTest.h"

namespace {

// Room for rasteriser rounding, not for a moved or missing cut: at most 0.1 % of the pixels
// differ by more than 24 in a channel, and the mean difference stays within 0.3.
QString
differenceFrom(const QImage& actual, const QImage& expected, QImage& difference)
{
  if (expected.isNull()) {
    return QStringLiteral("no baseline picture");
  }
  if (actual.size() != expected.size()) {
    return QStringLiteral("size mismatch: the view is %1x%2, the baseline %3x%4")
      .arg(actual.width())
      .arg(actual.height())
      .arg(expected.width())
      .arg(expected.height());
  }
  difference = QImage(actual.size(), QImage::Format_RGB32);
  const double pixels = double(actual.width()) * actual.height();
  double mean = 0;
  double different = 0;
  for (int y = 0; y < actual.height(); ++y) {
    for (int x = 0; x < actual.width(); ++x) {
      const QRgb a = actual.pixel(x, y);
      const QRgb e = expected.pixel(x, y);
      const int channels[3] = { std::abs(qRed(a) - qRed(e)),
                                std::abs(qGreen(a) - qGreen(e)),
                                std::abs(qBlue(a) - qBlue(e)) };
      const int worst = *std::max_element(channels, channels + 3);
      mean += (channels[0] + channels[1] + channels[2]) / (3 * pixels);
      different += worst > 24 ? 1 / pixels : 0;
      // Differences shown bright on a dark copy of the baseline.
      difference.setPixel(
        x, y, worst > 24 ? qRgb(255, 0, 255) : qRgb(qGray(e) / 4, qGray(e) / 4, qGray(e) / 4));
    }
  }
  if (different <= 0.001 && mean <= 0.3) {
    return {};
  }
  return QStringLiteral("%1 % of the pixels differ, mean difference %2")
    .arg(different * 100, 0, 'g', 3)
    .arg(mean, 0, 'g', 3);
}

} // namespace

class ImagesTest : public QObject
{
  Q_OBJECT

  std::unique_ptr<fixture::WorkingDirectory> inModel;
  std::unique_ptr<_CochlexUI> window;

private slots:
  void initTestCase()
  {
    // The sample model the build generates.
    inModel = std::make_unique<fixture::WorkingDirectory>(
      qEnvironmentVariable("COCHLEX_BINARY_DIR") + "/sample/model");
    window = std::make_unique<_CochlexUI>();
    window->setAttribute(Qt::WA_DontShowOnScreen);
    window->progressBar->setAttribute(Qt::WA_DontShowOnScreen);
    window->qvtkWidget->setFixedSize(ViewerSession::viewSize);
    window->show();
    static_cast<void>(captureOutput([this] { window->loadTB(); }));
    QVERIFY(window->hasSectionVolume());
  }
  void cleanupTestCase()
  {
    window.reset();
    inModel.reset();
  }

  // Each row: the side each plane cuts from (0: its section image hidden and uncut), and
  // whether the cuts show solid faces (capped) or the hollow cuts of plain clipping (clipped).
  // The capped rows cut away the side facing the camera, so that the caps face it.
  void cutViewsMatchBaselines_data()
  {
    QTest::addColumn<QVector<int>>("sides");
    QTest::addColumn<bool>("solid");
    QTest::newRow("section_x_clipped") << QVector<int>{ 1, 0, 0 } << false;
    QTest::newRow("section_y_clipped") << QVector<int>{ 0, 1, 0 } << false;
    QTest::newRow("section_z_clipped") << QVector<int>{ 0, 0, -1 } << false;
    QTest::newRow("sections_all_clipped") << QVector<int>{ -1, 1, -1 } << false;
    QTest::newRow("section_x_capped") << QVector<int>{ -1, 0, 0 } << true;
    QTest::newRow("section_y_capped") << QVector<int>{ 0, -1, 0 } << true;
    QTest::newRow("section_z_capped") << QVector<int>{ 0, 0, 1 } << true;
    QTest::newRow("sections_all_capped") << QVector<int>{ -1, 1, -1 } << true;
  }

  // A differing view is saved with a picture of its differences in image_differences/ under
  // COCHLEX_BINARY_DIR: after an intended change, look at both and copy the view over the
  // baseline.
  void cutViewsMatchBaselines()
  {
    QFETCH(QVector<int>, sides);
    QFETCH(bool, solid);
    const QString name = QTest::currentDataTag();
    window->findChild<QAction*>(QStringLiteral("actionSolid_Cut_Faces"))->setChecked(solid);
    QCheckBox* const boxes[] = { window->showXPlane, window->showYPlane, window->showZPlane };
    QSlider* const clips[] = { window->clipX, window->clipY, window->clipZ };
    for (int axis = 0; axis < 3; ++axis) { // all off first, then on in axis order
      clips[axis]->setValue(0);
      if (boxes[axis]->isChecked()) {
        boxes[axis]->click();
      }
    }
    for (int axis = 0; axis < 3; ++axis) {
      if (sides[axis] != 0) {
        boxes[axis]->click();
        clips[axis]->setValue(sides[axis]);
      }
    }
    const QImage actual = renderMainView(*window, 1).convertToFormat(QImage::Format_RGB32);
    const QString source = qEnvironmentVariable("COCHLEX_SOURCE_DIR", COCHLEX_SOURCE_DIR_DEFAULT);
    const QImage expected =
      QImage(source + "/tests/baselines/" + name + ".png").convertToFormat(QImage::Format_RGB32);
    QImage difference;
    const QString problem = differenceFrom(actual, expected, difference);
    if (!problem.isEmpty()) {
      const QString saved =
        qEnvironmentVariable("COCHLEX_BINARY_DIR", QCoreApplication::applicationDirPath()) +
        "/image_differences/";
      QDir().mkpath(saved);
      actual.save(saved + name + "_actual.png");
      if (!difference.isNull()) {
        difference.save(saved + name + "_difference.png");
      }
      QFAIL(qPrintable(name + ": " + problem + "; pictures in " + saved));
    }
  }
};

COCHLEX_VIEWER_TEST_MAIN(ImagesTest)
#include "test_images.moc"
