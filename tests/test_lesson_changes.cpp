// When leaving a lesson asks first, without a window: a teacher's steps (views added, saved,
// opened, answers to the question) and whether the next Quit asks and may go ahead.

#include "TestDriver.h"
#include "viewer/teaching/LessonChanges.h"

#include <QTest>

class TestLessonChanges : public QObject
{
  Q_OBJECT

private slots:
  void leavingAsksOnlyForUnsavedWork_data()
  {
    // Steps: "edit" a view changed; "file" saved to or opened from a file; "save", "save fails",
    // "discard", "cancel" the teacher's answer when asked; "stayed" the leaving did not happen.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<int>("views");
    QTest::addColumn<bool>("asks");
    QTest::addColumn<bool>("lastAnswerLeaves");
    QTest::newRow("a fresh window") << QStringList{} << 0 << false << false;
    QTest::newRow("a view added") << QStringList{ "edit" } << 1 << true << false;
    QTest::newRow("opened from a file") << QStringList{ "file" } << 3 << false << false;
    QTest::newRow("added, then saved") << QStringList{ "edit", "file" } << 1 << false << false;
    QTest::newRow("saved, then captioned")
      << QStringList{ "edit", "file", "edit" } << 1 << true << false;
    QTest::newRow("every view deleted") << QStringList{ "file", "edit" } << 0 << false << false;
    QTest::newRow("Save writes it") << QStringList{ "edit", "save" } << 2 << false << true;
    QTest::newRow("Save fails") << QStringList{ "edit", "save fails" } << 2 << true << false;
    QTest::newRow("Cancel") << QStringList{ "edit", "cancel" } << 2 << true << false;
    QTest::newRow("Discard") << QStringList{ "edit", "discard" } << 2 << false << true;
    QTest::newRow("Discard, then another change")
      << QStringList{ "edit", "discard", "edit" } << 2 << true << true;
    QTest::newRow("Discard, but the new viewer did not start")
      << QStringList{ "edit", "discard", "stayed" } << 2 << true << true;
    QTest::newRow("Discard, then another lesson opened")
      << QStringList{ "edit", "discard", "file" } << 2 << false << true;
  }

  void leavingAsksOnlyForUnsavedWork()
  {
    QFETCH(QStringList, steps);
    QFETCH(int, views);
    QFETCH(bool, asks);
    QFETCH(bool, lastAnswerLeaves);
    LessonChanges changes;
    bool leaves = false;
    int saves = 0;
    const auto save = [&](bool works) {
      return [&changes, &saves, works] {
        ++saves;
        if (works) {
          changes.matchFile();
        }
        return works;
      };
    };
    for (const QString& step : steps) {
      if (step == "edit") {
        changes.changed();
      } else if (step == "file") {
        changes.matchFile();
      } else if (step == "save") {
        leaves = changes.answer(LessonChanges::Answer::Save, save(true));
      } else if (step == "save fails") {
        leaves = changes.answer(LessonChanges::Answer::Save, save(false));
      } else if (step == "discard") {
        leaves = changes.answer(LessonChanges::Answer::Discard, save(true));
      } else if (step == "cancel") {
        leaves = changes.answer(LessonChanges::Answer::Cancel, save(true));
      } else if (step == "stayed") {
        changes.stayed();
      } else {
        QFAIL(qPrintable("unknown step " + step));
      }
    }
    QCOMPARE(changes.mustAsk(std::size_t(views)), asks);
    QCOMPARE(leaves, lastAnswerLeaves);
    // Only Save writes anything.
    QCOMPARE(saves, int(steps.contains("save") || steps.contains("save fails")));
  }
};

COCHLEX_TEST_CLASS(TestLessonChanges)
#include "test_lesson_changes.moc"
