// The atlas layout of labels without any window: columns at the margins, no overlaps, nothing
// outside the view, no label dropped, and leader lines that do not cross where they need not;
// where the leader lines end among the points in sight; the label sizes a screen starts with.

#include "TestDriver.h"
#include "viewer/teaching/LabelLayout.h"
#include "viewer/teaching/LabelSize.h"

#include <QLineF>
#include <QTest>

#include <cmath>

Q_DECLARE_METATYPE(std::vector<LabelRequest>)
Q_DECLARE_METATYPE(std::vector<AnchorCandidates>)
Q_DECLARE_METATYPE(std::vector<QPointF>)
Q_DECLARE_METATYPE(LabelSize)

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

// The points of a square grid, 4 pixels apart, inside a ring from inner to outer radius: a
// structure's part in sight, such as a capsule around what it holds (inner > 0) or a disc.
AnchorCandidates
ring(QPointF centre, double inner, double outer)
{
  AnchorCandidates candidates;
  for (double y = -outer; y <= outer; y += 4) {
    for (double x = -outer; x <= outer; x += 4) {
      const double radius = std::hypot(x, y);
      if (radius >= inner && radius <= outer) {
        candidates.points.push_back(centre + QPointF(x, y));
      }
    }
  }
  return candidates;
}

AnchorCandidates
keeping(AnchorCandidates candidates, QPointF point)
{
  for (std::size_t index = 0; index < candidates.points.size(); ++index) {
    if (QLineF(candidates.points[index], point).length() < 0.5) {
      candidates.kept = int(index);
    }
  }
  return candidates;
}

const QPointF anywhere(-1e9, -1e9);

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

  // A structure at the picture's edge, under a column: no label covers its anchor, and every
  // label still fits in the view without overlaps.
  void noLabelCoversAnAnchorUnderItsColumn_data()
  {
    QTest::addColumn<std::vector<LabelRequest>>("requests");
    const QSizeF size(150, 18);
    QTest::newRow("right edge, among its neighbours' heights") << std::vector<LabelRequest>{
      { { 560, 370 }, size }, { { 620, 372 }, size }, { { 805, 368 }, size }, { { 600, 300 }, size }
    };
    QTest::newRow("right edge, top corner")
      << std::vector<LabelRequest>{ { { 820, 735 }, size }, { { 600, 700 }, size } };
    QTest::newRow("left edge, near the bottom")
      << std::vector<LabelRequest>{ { { 30, 20 }, size }, { { 200, 40 }, size } };
  }
  void noLabelCoversAnAnchorUnderItsColumn()
  {
    QFETCH(std::vector<LabelRequest>, requests);
    LabelLayoutSettings settings;
    settings.viewSize = QSizeF(840, 740);
    const std::vector<PlacedLabel> placed = layOutLabels(requests, settings);
    const QRectF inside(QPointF(0, 0), settings.viewSize);
    for (std::size_t index = 0; index < placed.size(); ++index) {
      QVERIFY(inside.contains(placed[index].box));
      for (std::size_t other = 0; other < placed.size(); ++other) {
        QVERIFY2(!placed[index].box.contains(requests[other].anchor),
                 qPrintable(QStringLiteral("label %1 covers anchor %2").arg(index).arg(other)));
        QVERIFY(other == index || !placed[index].box.intersects(placed[other].box));
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

  void anchorsOnDistinctPartsInSight_data()
  {
    QTest::addColumn<std::vector<AnchorCandidates>>("structures");
    // Where each anchor must be, within a quarter of the spacing; anywhere: no such demand.
    QTest::addColumn<std::vector<QPointF>>("near");

    const QPointF centre(300, 200);
    QTest::newRow("a disc: its middle")
      << std::vector<AnchorCandidates>{ ring(centre, 0, 60) } << std::vector<QPointF>{ centre };
    // Seen end-on, a capsule, two cartilages and the space between them all centre on one spot.
    QTest::newRow("nested around one middle") << std::vector<AnchorCandidates>{
      ring(centre, 70, 100), ring(centre, 40, 70), ring(centre, 0, 40), ring(centre, 0, 12)
    } << std::vector<QPointF>{ anywhere, anywhere, anywhere, centre };
    QTest::newRow("two discs on top of each other")
      << std::vector<AnchorCandidates>{ ring(centre, 0, 50), ring(centre + QPointF(4, 0), 0, 50) }
      << std::vector<QPointF>{ anywhere, anywhere };
    QTest::newRow("nothing in sight")
      << std::vector<AnchorCandidates>{ ring(centre, 0, 50), AnchorCandidates() }
      << std::vector<QPointF>{ centre, anywhere };
    // Looked at again, an anchor off the middle but clear of the others stays.
    const QPointF aside = centre + QPointF(-28, 20);
    QTest::newRow("kept where it was")
      << std::vector<AnchorCandidates>{ keeping(ring(centre, 0, 60), aside),
                                        ring(centre + QPointF(300, 0), 0, 30) }
      << std::vector<QPointF>{ aside, centre + QPointF(300, 0) };
    // The first point in sight is kept like any other.
    const QPointF top = centre + QPointF(0, -60);
    QTest::newRow("kept at the first point in sight")
      << std::vector<AnchorCandidates>{ keeping(ring(centre, 0, 60), top) }
      << std::vector<QPointF>{ top };
    // Two kept anchors that now crowd each other: one of them moves.
    QTest::newRow("kept but crowded")
      << std::vector<AnchorCandidates>{ keeping(ring(centre, 0, 60), centre),
                                        keeping(ring(centre, 0, 60), centre + QPointF(4, 4)) }
      << std::vector<QPointF>{ anywhere, anywhere };
  }

  void anchorsOnDistinctPartsInSight()
  {
    QFETCH(std::vector<AnchorCandidates>, structures);
    QFETCH(std::vector<QPointF>, near);
    const double spacing = 30;
    const std::vector<int> chosen = chooseAnchors(structures, spacing);
    QCOMPARE(chosen.size(), structures.size());
    std::vector<QPointF> anchors;
    for (std::size_t structure = 0; structure < structures.size(); ++structure) {
      const std::vector<QPointF>& points = structures[structure].points;
      const QString which = QStringLiteral("structure %1").arg(structure);
      // On a point in sight of its own structure; none for a structure with no point in sight.
      QVERIFY2(points.empty() == (chosen[structure] < 0), qPrintable(which));
      if (points.empty()) {
        continue;
      }
      QVERIFY2(chosen[structure] < int(points.size()), qPrintable(which));
      const QPointF anchor = points[std::size_t(chosen[structure])];
      if (near[structure] != anywhere) {
        QVERIFY2(QLineF(anchor, near[structure]).length() <= spacing / 4, qPrintable(which));
      }
      // Every structure has room here: no two anchors crowd.
      for (const QPointF& other : anchors) {
        QVERIFY2(QLineF(anchor, other).length() >= spacing, qPrintable(which));
      }
      anchors.push_back(anchor);
    }
  }

  void labelSizeForTheScreen_data()
  {
    QTest::addColumn<int>("screenHeight");
    QTest::addColumn<LabelSize>("expected");
    QTest::newRow("1366x768 laptop") << 768 << LabelSize::Small;
    QTest::newRow("1280x1024") << 1024 << LabelSize::Medium;
    QTest::newRow("1920x1080 projector") << 1080 << LabelSize::Medium;
    QTest::newRow("2560x1440") << 1440 << LabelSize::Large;
    QTest::newRow("3840x2160 at one pixel a point") << 2160 << LabelSize::Large;
  }

  // Text of at least a sixtieth of the screen's height, from the back of the room; no larger
  // than that asks.
  void labelSizeForTheScreen()
  {
    QFETCH(int, screenHeight);
    QFETCH(LabelSize, expected);
    QCOMPARE(defaultLabelSize(screenHeight), expected);
    if (screenHeight <= 1440) {
      QVERIFY(labelTextPixels(expected) >= screenHeight / 60.0);
    }
    QVERIFY(labelTextPixels(LabelSize::Small) < labelTextPixels(LabelSize::Medium));
    QVERIFY(labelTextPixels(LabelSize::Medium) < labelTextPixels(LabelSize::Large));
    // 18 pixels on a 1080-line screen, not the 10 that could not be read.
    QVERIFY(labelTextPixels(defaultLabelSize(1080)) >= 18);
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
