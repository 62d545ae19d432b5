#pragma once

#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <vector>

// One structure a round asks for: its index in the window's structure lists and its name.
struct QuizStructure
{
  int index = -1;
  QString name;
};

// The rules of one round of "find the named structure", free of widgets and scene: each
// structure of the round is asked once, in an order drawn from the seed; a click on the asked
// structure moves on, a click on another one counts a miss against the asked one and asks again.
class QuizRound
{
public:
  // Fewer than this and there is nothing to choose between.
  static constexpr std::size_t minimumStructures = 2;

  enum class Outcome
  {
    Ignored, // off the model, or the round is over
    Correct,
    Wrong,
  };

  // The same structures and seed always give the same order.
  QuizRound(std::vector<QuizStructure> structures, std::uint64_t seed);

  bool finished() const { return ended || position >= order.size(); }
  // Whether keepOnly() ended the round before everything was found.
  bool cutShort() const { return ended; }
  // The structure asked for now; only while the round is not finished.
  const QuizStructure& asked() const { return order[position]; }
  // The structures in the order they are (or were) asked.
  const std::vector<QuizStructure>& askingOrder() const { return order; }

  // A click on the structure of this index, or -1 for a click off the model.
  Outcome answer(int clickedIndex);

  // Only the structures of these indices can be seen now: the others not found yet leave the
  // round, the asked one too (a hidden structure cannot be found), and with fewer than
  // minimumStructures to choose between the round ends. Returns whether the question changed.
  bool keepOnly(const std::vector<int>& availableIndices);

  std::size_t structureCount() const { return order.size(); }
  // Wrong clicks while this structure was asked for (index into the asking order).
  int missesAt(std::size_t position) const { return misses[position]; }
  std::size_t foundAtFirstTry() const;
  // Names of the structures found only after a wrong click, in the order they were found.
  QStringList missedNames() const;

  static QString promptText(const QString& name);
  // Where the round stands: "3 of 9" while the third of nine structures is asked for. The count
  // is what the round can still ask, with those already found.
  QString progressText() const;
  static QString correctText(const QString& name);
  static QString wrongText(const QString& clickedName);
  QString scoreText() const;

private:
  std::vector<QuizStructure> order;
  std::vector<int> misses;
  std::size_t position = 0;
  bool ended = false;
};
