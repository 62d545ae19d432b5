// The rules behind the traps a new user met, without a window: which structure the pointer names
// along its ray, a quiz round losing structures, and when a typed number is complete.

#include "TestDriver.h"
#include "viewer/ControlInput.h"
#include "viewer/QuizRound.h"
#include "viewer/StructurePicking.h"

#include <QTest>

using Hits = std::vector<RayHit>;
Q_DECLARE_METATYPE(Hits)

class TrapsRulesTest : public QObject
{
  Q_OBJECT

private slots:
  void pointingNamesWhatIsSeenThroughATranslucentShell_data()
  {
    QTest::addColumn<Hits>("hits");
    QTest::addColumn<int>("named");
    QTest::newRow("nothing") << Hits{} << -1;
    QTest::newRow("capsule over cartilage") << Hits{ { 6, 0.5 }, { 1, 0.0 } } << 1;
    // 1 - 0.5 as computed from the spin box's tenths.
    QTest::newRow("a rounding step below 0.5") << Hits{ { 6, 0.5 - 1e-15 }, { 1, 0.0 } } << 1;
    QTest::newRow("capsule, nothing behind") << Hits{ { 6, 0.5 } } << 6;
    QTest::newRow("two shells, joint space") << Hits{ { 3, 0.8 }, { 6, 0.5 }, { 8, 0.4 } } << 8;
    QTest::newRow("only shells") << Hits{ { 3, 0.8 }, { 6, 0.5 } } << 3;
  }
  void pointingNamesWhatIsSeenThroughATranslucentShell()
  {
    QFETCH(Hits, hits);
    QFETCH(int, named);
    QCOMPARE(namedStructureAlongRay(hits), named);
  }

  void quizRoundLosesHiddenStructures()
  {
    QuizRound round({ { 0, "a" }, { 1, "b" }, { 2, "c" }, { 3, "d" } }, 7);
    const std::vector<QuizStructure> order = round.askingOrder();
    round.answer(order[0].index);
    round.answer(order[0].index); // a miss, against the structure asked now
    // The asked one and the last hidden: the found one stays, the miss goes with the asked one.
    QVERIFY(round.keepOnly({ order[0].index, order[2].index }));
    QCOMPARE(round.structureCount(), std::size_t(2));
    QVERIFY(round.asked().index == order[2].index && round.missesAt(1) == 0);
    // One left to choose from: the round ends, counting only what was asked.
    QVERIFY(round.keepOnly({ order[2].index }) && round.finished());
    QCOMPARE(round.scoreText(), QString("1 of 1 found at the first try"));
  }

  void typedNumberIsCompleteOnlyAtItsLastDigit_data()
  {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<double>("maximum");
    QTest::addColumn<bool>("complete");
    QTest::newRow("0 of 0.8") << "0" << 1 << 1.0 << false;
    QTest::newRow("0,8") << "0,8" << 1 << 1.0 << true;
    QTest::newRow("1 of 1.0") << "1" << 1 << 1.0 << true;
    QTest::newRow("74 of 748") << "74" << 0 << 748.0 << false;
    QTest::newRow("75 of 748") << "75" << 0 << 748.0 << true;
  }
  void typedNumberIsCompleteOnlyAtItsLastDigit()
  {
    QFETCH(QString, text);
    QFETCH(int, decimals);
    QFETCH(double, maximum);
    QFETCH(bool, complete);
    QCOMPARE(typedValueComplete(text, decimals, maximum), complete);
  }
};

COCHLEX_TEST_CLASS(TrapsRulesTest)
#include "test_traps_rules.moc"
