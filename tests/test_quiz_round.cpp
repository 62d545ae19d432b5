// The rules of a quiz round without any window: the asking order, answers and the score.

#include "TestDriver.h"
#include "viewer/QuizRound.h"

#include <QTest>

#include <algorithm>
#include <set>

namespace {

std::vector<QuizStructure>
structures(int count)
{
  std::vector<QuizStructure> list;
  list.reserve(std::size_t(count));
  for (int index = 0; index < count; ++index) {
    list.push_back({ index * 10, QStringLiteral("Structure %1").arg(index) });
  }
  return list;
}

std::vector<int>
askedIndices(const QuizRound& round)
{
  std::vector<int> indices;
  for (const QuizStructure& structure : round.askingOrder()) {
    indices.push_back(structure.index);
  }
  return indices;
}

// Answers the round right, with wrongClicks[n] wrong clicks before the n-th answer.
void
playRound(QuizRound& round, const std::vector<int>& wrongClicks)
{
  for (std::size_t asked = 0; !round.finished(); ++asked) {
    const int right = round.asked().index;
    const int wrong = right == 0 ? 10 : 0;
    for (int click = 0; asked < wrongClicks.size() && click < wrongClicks[asked]; ++click) {
      QCOMPARE(round.answer(wrong), QuizRound::Outcome::Wrong);
    }
    QCOMPARE(round.answer(right), QuizRound::Outcome::Correct);
  }
}

} // namespace

class QuizRoundTest : public QObject
{
  Q_OBJECT

private slots:
  void everyStructureIsAskedOnceInASeededOrder()
  {
    std::set<std::vector<int>> orders;
    for (std::uint64_t seed = 0; seed < 40; ++seed) {
      const QuizRound round(structures(9), seed);
      std::vector<int> asked = askedIndices(round);
      // The same seed gives the same order again.
      QVERIFY(askedIndices(QuizRound(structures(9), seed)) == asked);
      orders.insert(asked);
      std::sort(asked.begin(), asked.end());
      const std::vector<int> all{ 0, 10, 20, 30, 40, 50, 60, 70, 80 };
      QVERIFY2(asked == all, qPrintable(QStringLiteral("seed %1").arg(seed)));
      // Names stay with their structures.
      for (const QuizStructure& structure : round.askingOrder()) {
        QCOMPARE(structure.name, QStringLiteral("Structure %1").arg(structure.index / 10));
      }
    }
    // The seed changes the order, and each structure can come first.
    QVERIFY(orders.size() > 30);
    std::set<int> firsts;
    for (const std::vector<int>& order : orders) {
      firsts.insert(order.front());
    }
    QCOMPARE(firsts.size(), std::size_t(9));

    // Two structures come in both orders.
    std::set<int> firstOfTwo;
    for (std::uint64_t seed = 0; seed < 20; ++seed) {
      firstOfTwo.insert(QuizRound(structures(2), seed).asked().index);
    }
    QCOMPARE(firstOfTwo.size(), std::size_t(2));
  }

  void onlyTheAskedStructureMovesTheRoundOn()
  {
    QuizRound round(structures(3), 5);
    const QuizStructure first = round.asked();
    const int other = first.index == 0 ? 10 : 0;

    // Off the model: nothing happens, and nothing is counted.
    QCOMPARE(round.answer(-1), QuizRound::Outcome::Ignored);
    QCOMPARE(round.answer(other), QuizRound::Outcome::Wrong);
    QCOMPARE(round.answer(other), QuizRound::Outcome::Wrong);
    QCOMPARE(round.asked().index, first.index);
    QCOMPARE(round.missesAt(0), 2);

    QCOMPARE(round.answer(first.index), QuizRound::Outcome::Correct);
    QVERIFY(round.asked().index != first.index);
    QCOMPARE(round.missesAt(1), 0);
    // The structure just found is now a wrong answer like any other.
    QCOMPARE(round.answer(first.index), QuizRound::Outcome::Wrong);
    QCOMPARE(round.missesAt(1), 1);

    QCOMPARE(round.answer(round.asked().index), QuizRound::Outcome::Correct);
    QCOMPARE(round.answer(round.asked().index), QuizRound::Outcome::Correct);
    QVERIFY(round.finished());
    // A finished round takes no more answers.
    QCOMPARE(round.answer(first.index), QuizRound::Outcome::Ignored);
    QCOMPARE(round.answer(other), QuizRound::Outcome::Ignored);
  }

  void scoreCountsEachMissedStructureOnce()
  {
    QuizRound perfect(structures(8), 1);
    playRound(perfect, {});
    QCOMPARE(perfect.scoreText(), QString("8 of 8 found at the first try"));
    QVERIFY(perfect.missedNames().isEmpty());

    // Three wrong clicks for the second structure asked, one for the fifth.
    QuizRound round(structures(8), 2);
    const std::vector<QuizStructure> order = round.askingOrder();
    playRound(round, { 0, 3, 0, 0, 1 });
    QCOMPARE(round.foundAtFirstTry(), std::size_t(6));
    QCOMPARE(round.scoreText(), QString("6 of 8 found at the first try"));
    QCOMPARE(round.missedNames(), QStringList({ order[1].name, order[4].name }));

    QuizRound none(structures(2), 3);
    playRound(none, { 1, 1 });
    QCOMPARE(none.scoreText(), QString("0 of 2 found at the first try"));
  }
};

COCHLEX_TEST_CLASS(QuizRoundTest)
#include "test_quiz_round.moc"
