// The rules behind the traps a new user met, without a window: which structure the pointer names
// along its ray, a quiz round losing structures, when a typed number is complete, and whether a
// screenshot can be drawn on the display at hand.

#include "app/ScreenshotCommand.h"
#include "viewer/ControlInput.h"
#include "viewer/QuizRound.h"
#include "viewer/StructurePicking.h"

#include <QTest>

Q_DECLARE_METATYPE(std::vector<RayHit>)

class TrapsRulesTest : public QObject
{
  Q_OBJECT

private slots:
  void pointingNamesWhatIsSeenThroughATranslucentShell_data()
  {
    QTest::addColumn<std::vector<RayHit>>("hits");
    QTest::addColumn<int>("named");
    QTest::newRow("nothing") << std::vector<RayHit>{} << -1;
    QTest::newRow("opaque alone") << std::vector<RayHit>{ { 2, 0.0 } } << 2;
    QTest::newRow("capsule over cartilage") << std::vector<RayHit>{ { 6, 0.5 }, { 1, 0.0 } } << 1;
    // 1 - 0.5 computed from the spin box's tenths.
    QTest::newRow("capsule a rounding step below")
      << std::vector<RayHit>{ { 6, 1 - 0.5 - 1e-15 }, { 1, 0.0 } } << 1;
    QTest::newRow("capsule with nothing behind") << std::vector<RayHit>{ { 6, 0.5 } } << 6;
    QTest::newRow("two shells, then the joint space")
      << std::vector<RayHit>{ { 3, 0.8 }, { 6, 0.5 }, { 8, 0.4 }, { 4, 0.0 } } << 8;
    QTest::newRow("only shells") << std::vector<RayHit>{ { 3, 0.8 }, { 6, 0.5 } } << 3;
    QTest::newRow("less translucent in front")
      << std::vector<RayHit>{ { 8, 0.4 }, { 1, 0.0 } } << 8;
  }
  void pointingNamesWhatIsSeenThroughATranslucentShell()
  {
    QFETCH(std::vector<RayHit>, hits);
    QFETCH(int, named);
    QCOMPARE(namedStructureAlongRay(hits), named);
  }

  void quizRoundLosesHiddenStructures()
  {
    std::vector<QuizStructure> structures;
    for (int index = 0; index < 5; ++index) {
      structures.push_back({ index, QStringLiteral("S%1").arg(index) });
    }
    QuizRound round(structures, 7);
    const std::vector<QuizStructure> order = round.askingOrder();
    QCOMPARE(round.answer(order[0].index), QuizRound::Outcome::Correct);
    QCOMPARE(round.answer(order[0].index), QuizRound::Outcome::Wrong);
    // The asked structure and a later one are hidden: the found one stays, the missed try with
    // the asked one goes with it.
    QVERIFY(round.keepOnly({ order[0].index, order[2].index, order[4].index }));
    QCOMPARE(round.structureCount(), std::size_t(3));
    QCOMPARE(round.asked().index, order[2].index);
    QCOMPARE(round.missesAt(1), 0);
    // Nothing asked changes: the question stays.
    QVERIFY(!round.keepOnly({ order[0].index, order[2].index, order[4].index, order[1].index }));
    QCOMPARE(round.answer(order[2].index), QuizRound::Outcome::Correct);
    // One structure left to choose from: the round ends, counting what was asked and found.
    QVERIFY(round.keepOnly({ order[4].index }));
    QVERIFY(round.finished() && round.cutShort());
    QCOMPARE(round.scoreText(), QString("2 of 2 found at the first try"));
    QCOMPARE(round.answer(order[4].index), QuizRound::Outcome::Ignored);
  }

  void typedNumberIsCompleteOnlyAtItsLastDigit_data()
  {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<double>("maximum");
    QTest::addColumn<bool>("complete");
    QTest::newRow("0 of 0.8") << "0" << 1 << 1.0 << false;
    QTest::newRow("0. of 0.8") << "0." << 1 << 1.0 << false;
    QTest::newRow("0.8") << "0.8" << 1 << 1.0 << true;
    QTest::newRow("0,8") << "0,8" << 1 << 1.0 << true;
    QTest::newRow("1 of 1.0") << "1" << 1 << 1.0 << true;
    QTest::newRow("empty") << "" << 1 << 1.0 << false;
    QTest::newRow("7 of 748") << "7" << 0 << 748.0 << false;
    QTest::newRow("74 of 748") << "74" << 0 << 748.0 << false;
    QTest::newRow("75 of 748") << "75" << 0 << 748.0 << true;
    QTest::newRow("374") << "374" << 0 << 748.0 << true;
  }
  void typedNumberIsCompleteOnlyAtItsLastDigit()
  {
    QFETCH(QString, text);
    QFETCH(int, decimals);
    QFETCH(double, maximum);
    QFETCH(bool, complete);
    QCOMPARE(typedValueComplete(text, decimals, maximum), complete);
  }

  void screenshotNeedsAnOpenGLDisplay_data()
  {
    QTest::addColumn<QString>("platform");
    QTest::addColumn<QString>("display");
    QTest::addColumn<QString>("missing");
    QTest::newRow("no DISPLAY") << ""
                                << ""
                                << "DISPLAY is not set";
    QTest::newRow("xcb, no DISPLAY") << "xcb"
                                     << ""
                                     << "DISPLAY is not set";
    QTest::newRow("offscreen") << "offscreen"
                               << ":0"
                               << "offscreen platform";
    QTest::newRow("unreachable") << ""
                                 << ":4711"
                                 << "cannot reach the display :4711";
    QTest::newRow("another platform") << "eglfs"
                                      << ""
                                      << "";
  }
  void screenshotNeedsAnOpenGLDisplay()
  {
    QFETCH(QString, platform);
    QFETCH(QString, display);
    QFETCH(QString, missing);
    const QString problem = screenshotDisplayProblem(platform, display);
    QVERIFY2(problem.contains(missing), qPrintable(problem));
    // One line, with the way out.
    QCOMPARE(problem.contains("xvfb-run"), !missing.isEmpty());
    QVERIFY(!problem.contains('\n'));
  }
};

QTEST_GUILESS_MAIN(TrapsRulesTest)
#include "test_traps_rules.moc"
