// Which of a structure's points in sight its label's leader ends on: the window side finds the
// candidates in the last frame, and the choice here spreads anchors that would crowd one spot.

#include "viewer/teaching/LabelLayout.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

std::vector<int>
chooseAnchors(const std::vector<AnchorCandidates>& structures, double spacing)
{
  const std::size_t count = structures.size();
  std::vector<int> chosen(count, -1);
  const auto distance = [](const QPointF& a, const QPointF& b) {
    return std::hypot(a.x() - b.x(), a.y() - b.y());
  };
  // Each structure's points from the most central outwards.
  std::vector<std::vector<int>> central(count);
  for (std::size_t structure = 0; structure < count; ++structure) {
    const std::vector<QPointF>& points = structures[structure].points;
    std::vector<double> summed(points.size(), 0.0);
    for (std::size_t first = 0; first < points.size(); ++first) {
      for (std::size_t second = first + 1; second < points.size(); ++second) {
        const double apart = distance(points[first], points[second]);
        summed[first] += apart;
        summed[second] += apart;
      }
    }
    std::vector<int>& order = central[structure];
    order.resize(points.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
      return summed[std::size_t(a)] < summed[std::size_t(b)];
    });
  }
  std::vector<std::size_t> turn(count);
  std::iota(turn.begin(), turn.end(), 0);
  std::stable_sort(turn.begin(), turn.end(), [&](std::size_t a, std::size_t b) {
    return structures[a].points.size() < structures[b].points.size();
  });

  std::vector<QPointF> taken;
  const auto clearance = [&](const QPointF& point) {
    double nearest = std::numeric_limits<double>::infinity();
    for (const QPointF& other : taken) {
      nearest = std::min(nearest, distance(point, other));
    }
    return nearest;
  };
  for (std::size_t structure : turn) {
    const AnchorCandidates& candidates = structures[structure];
    const int kept = candidates.kept;
    if (kept >= 0 && std::size_t(kept) < candidates.points.size() &&
        clearance(candidates.points[std::size_t(kept)]) >= spacing) {
      chosen[structure] = kept;
      taken.push_back(candidates.points[std::size_t(kept)]);
    }
  }
  for (std::size_t structure : turn) {
    if (chosen[structure] >= 0 || central[structure].empty()) {
      continue;
    }
    const std::vector<QPointF>& points = structures[structure].points;
    int best = -1;
    double bestClearance = -1;
    for (int index : central[structure]) {
      const double clear = clearance(points[std::size_t(index)]);
      if (clear >= spacing) {
        best = index;
        break;
      }
      if (clear > bestClearance) {
        bestClearance = clear;
        best = index;
      }
    }
    chosen[structure] = best;
    taken.push_back(points[std::size_t(best)]);
  }
  return chosen;
}
