#include "viewer/QuizRound.h"

#include <algorithm>
#include <random>
#include <utility>

QuizRound::QuizRound(std::vector<QuizStructure> structures, std::uint64_t seed)
  : order(std::move(structures))
  , misses(order.size(), 0)
{
  // Fisher-Yates on the raw engine output: std::shuffle and the standard distributions may
  // differ between standard libraries, and a seed must give the same round everywhere.
  std::mt19937_64 engine(seed);
  for (std::size_t last = order.size(); last > 1; --last) {
    // The modulo bias over 2^64 values is far below anything a round could show.
    const std::size_t chosen = std::size_t(engine() % last);
    std::swap(order[last - 1], order[chosen]);
  }
}

QuizRound::Outcome
QuizRound::answer(int clickedIndex)
{
  if (finished() || clickedIndex < 0) {
    return Outcome::Ignored;
  }
  if (clickedIndex == asked().index) {
    ++position;
    return Outcome::Correct;
  }
  ++misses[position];
  return Outcome::Wrong;
}

bool
QuizRound::keepOnly(const std::vector<int>& availableIndices)
{
  if (finished()) {
    return false;
  }
  const auto available = [&availableIndices](const QuizStructure& structure) {
    return std::find(availableIndices.begin(), availableIndices.end(), structure.index) !=
           availableIndices.end();
  };
  const int askedBefore = asked().index;
  // Found structures stay: they were asked, and the score counts them.
  std::size_t kept = position;
  for (std::size_t next = position; next < order.size(); ++next) {
    if (available(order[next])) {
      order[kept] = order[next];
      misses[kept] = misses[next];
      ++kept;
    }
  }
  order.resize(kept);
  misses.resize(kept);
  if (availableIndices.size() < minimumStructures) {
    ended = true;
  }
  return finished() || asked().index != askedBefore;
}

std::size_t
QuizRound::foundAtFirstTry() const
{
  std::size_t count = 0;
  for (std::size_t asked = 0; asked < position; ++asked) {
    if (misses[asked] == 0) {
      ++count;
    }
  }
  return count;
}

QStringList
QuizRound::missedNames() const
{
  QStringList names;
  for (std::size_t asked = 0; asked < position; ++asked) {
    if (misses[asked] > 0) {
      names << order[asked].name;
    }
  }
  return names;
}

QString
QuizRound::promptText(const QString& name)
{
  return QStringLiteral("Find: %1").arg(name);
}

QString
QuizRound::progressText() const
{
  const std::size_t number = std::min(position + 1, order.size());
  return QStringLiteral("%1 of %2").arg(number).arg(order.size());
}

QString
QuizRound::correctText(const QString& name)
{
  return QStringLiteral("Correct: %1").arg(name);
}

QString
QuizRound::wrongText(const QString& clickedName)
{
  return QStringLiteral("That is the %1").arg(clickedName);
}

QString
QuizRound::scoreText() const
{
  // Only what was asked and found counts: a round cut short leaves out what it never asked.
  return QStringLiteral("%1 of %2 found at the first try").arg(foundAtFirstTry()).arg(position);
}
