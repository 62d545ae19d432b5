// The atlas layout of labels without any window: columns at the margins, no overlaps, nothing
// outside the view, no label dropped, and leader lines that do not cross where they need not.

#include "TestDriver.h"
#include "viewer/teaching/LabelLayout.h"

#include <QLineF>
#include <QTest>

#include <cmath>

Q_DECLARE_METATYPE(std::vector<LabelRequest>)

namespace {

std::vector<LabelRequest>
circle(int count, QPointF centre, double radius, QSizeF size)
{
  std::vector<LabelRequest> requests;
  for (int index = 0; index < count; ++index) {
    const double angle = 2 * M_PI * (index + 0.5) / count;
    requests.push_back({ centre + radius * QPointF(std::cos(angle), std::sin(angle)), size });
  }
  return requests;
}

// A fixed scatter, so a failure repeats; widths vary as names do.
std::vector<LabelRequest>
scatter(int count, QRectF area)
{
  std::vector<LabelRequest> requests;
  unsigned state = 12345;
  const auto next = [&state] {
    state = state * 1103515245U + 12345U;
    return double((state >> 8U) % 10000U) / 10000.0;
  };
  for (int index = 0; index < count; ++index) {
    const QPointF anchor(area.left() + next() * area.width(), area.top() + next() * area.height());
    requests.push_back({ anchor, QSizeF(60 + 120 * next(), 17) });
  }
  return requests;
}

} // namespace

class LabelLayoutTest : public QObject
{
  Q_OBJECT

private slots:
  void placesEveryLabel_data()
  {
    QTest::addColumn<std::vector<LabelRequest>>("requests");
    QTest::addColumn<QSizeF>("view");
    QTest::addColumn<double>("leftBottom");
    // Simple pictures, where no leader line needs to cross another and each label can stay on
    // its anchor's side.
    QTest::addColumn<bool>("simple");

    QTest::newRow("nine around the centre")
      << circle(9, { 450, 350 }, 150, { 150, 18 }) << QSizeF(900, 700) << 0.0 << true;
    QTest::newRow("nine in a small view above the axes")
      << circle(9, { 300, 200 }, 80, { 150, 18 }) << QSizeF(600, 400) << 80.0 << true;
    // A full column pushed up from the bottom: sorted by height alone, the far anchor's line
    // would pass through the near one's.
    std::vector<LabelRequest> pushedUp = { { { 120, 100 }, { 100, 17 } },
                                           { { 600, 95 }, { 100, 17 } } };
    for (int index = 0; index < 10; ++index) {
      pushedUp.push_back({ { 300.0, 10.0 + 3 * index }, { 100, 17 } });
    }
    QTest::newRow("near anchor pushed up past a far one")
      << pushedUp << QSizeF(1400, 300) << 0.0 << true;
    QTest::newRow("all at one point") << std::vector<LabelRequest>(9, { { 200, 200 }, { 120, 18 } })
                                      << QSizeF(700, 500) << 0.0 << false;
    QTest::newRow("all far left, more than one column holds")
      << scatter(14, { 20, 20, 60, 160 }) << QSizeF(700, 200) << 0.0 << false;
    QTest::newRow("forty in a short view: second columns")
      << scatter(40, { 100, 50, 500, 200 }) << QSizeF(1200, 300) << 50.0 << false;
    QTest::newRow("anchors outside the view")
      << scatter(9, { -300, -300, 1600, 1300 }) << QSizeF(1000, 700) << 0.0 << false;
    QTest::newRow("one label") << circle(1, { 400, 300 }, 10, { 90, 18 }) << QSizeF(800, 600) << 0.0
                               << true;
  }

  void placesEveryLabel()
  {
    QFETCH(std::vector<LabelRequest>, requests);
    QFETCH(QSizeF, view);
    QFETCH(double, leftBottom);
    QFETCH(bool, simple);
    LabelLayoutSettings settings;
    settings.viewSize = view;
    settings.leftBottom = leftBottom;

    const std::vector<PlacedLabel> placed = layOutLabels(requests, settings);
    QCOMPARE(placed.size(), requests.size());
    const QRectF inside(QPointF(0, 0), view);
    for (std::size_t index = 0; index < placed.size(); ++index) {
      const QRectF box = placed[index].box;
      QVERIFY2(inside.contains(box), qPrintable(QStringLiteral("label %1 outside").arg(index)));
      QCOMPARE(box.size(), requests[index].size);
      if (placed[index].column >= 0) {
        QVERIFY(box.bottom() >= leftBottom);
      }
      for (std::size_t other = index + 1; other < placed.size(); ++other) {
        QVERIFY2(!box.intersects(placed[other].box),
                 qPrintable(QStringLiteral("labels %1 and %2 overlap").arg(index).arg(other)));
        if (simple) {
          QVERIFY2(!segmentsCross(requests[index].anchor,
                                  placed[index].leader,
                                  requests[other].anchor,
                                  placed[other].leader),
                   qPrintable(QStringLiteral("leaders %1 and %2 cross").arg(index).arg(other)));
        }
      }
      if (simple) {
        const bool leftOfCentre = requests[index].anchor.x() < view.width() / 2;
        QCOMPARE(placed[index].column == 0, leftOfCentre);
        QCOMPARE(placed[index].column == -1, !leftOfCentre);
      }
    }
  }

  // Anchors given from the bottom up end in a column from the top down: labels beside their
  // anchors' heights, in the same order.
  void keepsTheAnchorsOrderInAColumn()
  {
    std::vector<LabelRequest> requests;
    requests.reserve(4);
    for (int index = 0; index < 4; ++index) {
      requests.push_back({ { 300.0 + 20 * (index % 2), 100.0 + 60 * index }, { 100, 18 } });
    }
    LabelLayoutSettings settings;
    settings.viewSize = QSizeF(1000, 500);
    const std::vector<PlacedLabel> placed = layOutLabels(requests, settings);
    for (std::size_t index = 0; index < placed.size(); ++index) {
      QCOMPARE(placed[index].column, 0);
      QVERIFY(std::abs(placed[index].leader.y() - requests[index].anchor.y()) < 1);
    }
  }

  void segmentsCrossOnlyInside_data()
  {
    QTest::addColumn<QLineF>("first");
    QTest::addColumn<QLineF>("second");
    QTest::addColumn<bool>("cross");
    QTest::newRow("x") << QLineF(0, 0, 10, 10) << QLineF(0, 10, 10, 0) << true;
    QTest::newRow("parallel") << QLineF(0, 0, 10, 0) << QLineF(0, 1, 10, 1) << false;
    QTest::newRow("shared end") << QLineF(0, 0, 10, 10) << QLineF(10, 10, 20, 0) << false;
    QTest::newRow("apart") << QLineF(0, 0, 1, 1) << QLineF(5, 0, 6, -3) << false;
  }

  void segmentsCrossOnlyInside()
  {
    QFETCH(QLineF, first);
    QFETCH(QLineF, second);
    QFETCH(bool, cross);
    QCOMPARE(segmentsCross(first.p1(), first.p2(), second.p1(), second.p2()), cross);
  }
};

COCHLEX_TEST_CLASS(LabelLayoutTest)
#include "test_label_layout.moc"
