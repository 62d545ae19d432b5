#include "viewer/teaching/LabelLayout.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace {

struct Column
{
  std::vector<int> members; // indices into the requests, top to bottom once packed
  bool left = true;
  double innerEdge = 0; // the edge the labels align to and the leader lines leave from
};

double
stackHeight(const std::vector<LabelRequest>& requests, const std::vector<int>& members, double gap)
{
  double height = 0;
  for (int index : members) {
    height += requests[std::size_t(index)].size.height();
  }
  return members.empty() ? 0 : height + gap * double(members.size() - 1);
}

// Tops of the labels of one column, in the given order from the top, each as near its anchor's
// height as the others allow: labels that would overlap form a block centred on the mean of
// what its members want (least squares), and blocks are then kept between bottom and top.
std::vector<double>
packColumn(const std::vector<LabelRequest>& requests,
           const std::vector<int>& order,
           double bottom,
           double top,
           double gap)
{
  struct Block
  {
    std::size_t first = 0;
    std::size_t count = 0;
    double wantedTopSum = 0;
    double height = 0; // labels and the gaps between them
    double top() const { return wantedTopSum / double(count); }
  };
  std::vector<Block> blocks;
  for (std::size_t position = 0; position < order.size(); ++position) {
    const LabelRequest& request = requests[std::size_t(order[position])];
    const double labelHeight = request.size.height();
    Block block{ position, 1, request.anchor.y() + labelHeight / 2, labelHeight };
    // Merges with the blocks above while it would reach into them.
    while (!blocks.empty() && blocks.back().top() - blocks.back().height - gap < block.top()) {
      Block above = blocks.back();
      blocks.pop_back();
      const double offset = above.height + gap;
      above.wantedTopSum += block.wantedTopSum + offset * double(block.count);
      above.count += block.count;
      above.height += gap + block.height;
      block = above;
    }
    blocks.push_back(block);
  }

  std::vector<double> tops(order.size());
  for (const Block& block : blocks) {
    double labelTop = block.top();
    for (std::size_t position = block.first; position < block.first + block.count; ++position) {
      tops[position] = labelTop;
      labelTop -= requests[std::size_t(order[position])].size.height() + gap;
    }
  }
  // Down from the top, up from the bottom, and down again: the top wins when nothing fits.
  const auto heightAt = [&](std::size_t position) {
    return requests[std::size_t(order[position])].size.height();
  };
  double limit = top;
  for (std::size_t position = 0; position < tops.size(); ++position) {
    tops[position] = std::min(tops[position], limit);
    limit = tops[position] - heightAt(position) - gap;
  }
  limit = bottom;
  for (std::size_t position = tops.size(); position-- > 0;) {
    tops[position] = std::max(tops[position], limit + heightAt(position));
    limit = tops[position] + gap;
  }
  limit = top;
  for (std::size_t position = 0; position < tops.size(); ++position) {
    tops[position] = std::min(tops[position], limit);
    limit = tops[position] - heightAt(position) - gap;
  }
  return tops;
}

// Splits the labels of one side, ordered from the margin inwards, into columns that each fit
// the height available; the last column takes whatever is left.
std::vector<std::vector<int>>
fillColumns(const std::vector<LabelRequest>& requests,
            const std::vector<int>& side,
            double available,
            double gap)
{
  std::vector<std::vector<int>> columns(1);
  for (int index : side) {
    std::vector<int> extended = columns.back();
    extended.push_back(index);
    if (!columns.back().empty() && stackHeight(requests, extended, gap) > available) {
      columns.emplace_back();
    }
    columns.back().push_back(index);
  }
  return columns;
}

// An anchor under a column (a structure at the picture's edge) is covered by the labels packed
// at its height. Where that happens, the column's labels go down from the top in their order,
// each as high as it stood, and one that would cover an anchor steps below it, clear by two gaps;
// where the column then runs past its bottom, up from the bottom likewise, stepping above. When
// neither fits, the packing stays as it was.
void
keepAnchorsUncovered(const std::vector<LabelRequest>& requests,
                     const Column& column,
                     const LabelLayoutSettings& settings,
                     std::vector<PlacedLabel>& placed)
{
  if (column.members.empty()) {
    return;
  }
  double start = std::numeric_limits<double>::max();
  double end = std::numeric_limits<double>::lowest();
  for (int index : column.members) {
    start = std::min(start, placed[std::size_t(index)].box.left());
    end = std::max(end, placed[std::size_t(index)].box.right());
  }
  std::vector<double> under;
  for (const LabelRequest& request : requests) {
    if (request.anchor.x() >= start - settings.gap && request.anchor.x() <= end + settings.gap) {
      under.push_back(request.anchor.y());
    }
  }
  const auto covers = [&](double bottomEdge, double topEdge, double y) {
    return y > bottomEdge - 2 * settings.gap && y < topEdge + 2 * settings.gap;
  };
  const bool covered = std::any_of(column.members.begin(), column.members.end(), [&](int index) {
    const QRectF& box = placed[std::size_t(index)].box;
    return std::any_of(
      under.begin(), under.end(), [&](double y) { return covers(box.top(), box.bottom(), y); });
  });
  if (!covered) {
    return;
  }
  const double bottom =
    column.left ? std::max(settings.margin, settings.leftBottom) : settings.margin;
  const double top = settings.viewSize.height() - settings.margin;
  const std::size_t count = column.members.size();
  const auto heightOf = [&](std::size_t position) {
    return placed[std::size_t(column.members[position])].box.height();
  };
  // Down from the top: each label's top edge as high as it stood, below the one before it and
  // below an anchor it would cover.
  std::vector<double> tops(count);
  double ceiling = top;
  for (std::size_t position = 0; position < count; ++position) {
    const double height = heightOf(position);
    double labelTop = std::min(ceiling, placed[std::size_t(column.members[position])].box.bottom());
    // Each step passes one anchor for good: at most as many steps as anchors.
    for (std::size_t step = 0; step <= under.size(); ++step) {
      const auto hit = std::find_if(under.begin(), under.end(), [&](double y) {
        return covers(labelTop - height, labelTop, y);
      });
      if (hit == under.end()) {
        break;
      }
      labelTop = *hit - 2 * settings.gap;
    }
    tops[position] = labelTop;
    ceiling = labelTop - height - settings.gap;
  }
  if (ceiling + settings.gap < bottom) {
    // No room below: up from the bottom instead, each label above an anchor it would cover.
    double floor = bottom;
    for (std::size_t position = count; position-- > 0;) {
      const double height = heightOf(position);
      double labelBottom = std::max(floor, placed[std::size_t(column.members[position])].box.top());
      for (std::size_t step = 0; step <= under.size(); ++step) {
        const auto hit = std::find_if(under.begin(), under.end(), [&](double y) {
          return covers(labelBottom, labelBottom + height, y);
        });
        if (hit == under.end()) {
          break;
        }
        labelBottom = *hit + 2 * settings.gap;
      }
      tops[position] = labelBottom + height;
      floor = labelBottom + height + settings.gap;
    }
    if (floor - settings.gap > top) {
      return;
    }
  }
  for (std::size_t position = 0; position < tops.size(); ++position) {
    PlacedLabel& label = placed[std::size_t(column.members[position])];
    label.box.moveBottom(tops[position]);
    label.leader.setY(label.box.center().y());
  }
}

void
placeColumn(const std::vector<LabelRequest>& requests,
            Column& column,
            const LabelLayoutSettings& settings,
            std::vector<PlacedLabel>& placed)
{
  const double bottom =
    column.left ? std::max(settings.margin, settings.leftBottom) : settings.margin;
  const double top = settings.viewSize.height() - settings.margin;
  std::vector<int>& order = column.members;
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return requests[std::size_t(a)].anchor.y() > requests[std::size_t(b)].anchor.y();
  });

  const double viewWidth = settings.viewSize.width();
  const auto place = [&] {
    const std::vector<double> tops = packColumn(requests, order, bottom, top, settings.gap);
    for (std::size_t position = 0; position < order.size(); ++position) {
      const QSizeF size = requests[std::size_t(order[position])].size;
      double x = column.left ? column.innerEdge - size.width() : column.innerEdge;
      x = std::max(0.0, std::min(x, viewWidth - size.width()));
      PlacedLabel& label = placed[std::size_t(order[position])];
      label.box = QRectF(x, tops[position] - size.height(), size.width(), size.height());
      const double leaderX =
        column.left ? x + size.width() + settings.leaderInset : x - settings.leaderInset;
      label.leader = QPointF(leaderX, label.box.center().y());
    }
  };
  place();

  // Anchors at different depths into the picture can still make neighbours' leader lines
  // cross; swapping the two labels undoes that. A bounded number of swaps, in case of a cycle.
  const std::size_t count = order.size();
  for (std::size_t attempt = 0; attempt < count * count; ++attempt) {
    bool swapped = false;
    for (std::size_t first = 0; first + 1 < count && !swapped; ++first) {
      for (std::size_t second = first + 1; second < count && !swapped; ++second) {
        const PlacedLabel& a = placed[std::size_t(order[first])];
        const PlacedLabel& b = placed[std::size_t(order[second])];
        if (segmentsCross(requests[std::size_t(order[first])].anchor,
                          a.leader,
                          requests[std::size_t(order[second])].anchor,
                          b.leader)) {
          std::swap(order[first], order[second]);
          swapped = true;
        }
      }
    }
    if (!swapped) {
      break;
    }
    place();
  }
  keepAnchorsUncovered(requests, column, settings, placed);
}

} // namespace

bool
segmentsCross(const QPointF& a, const QPointF& b, const QPointF& c, const QPointF& d)
{
  const auto side = [](const QPointF& from, const QPointF& to, const QPointF& point) {
    const double cross =
      (to.x() - from.x()) * (point.y() - from.y()) - (to.y() - from.y()) * (point.x() - from.x());
    return cross > 1e-9 ? 1 : (cross < -1e-9 ? -1 : 0);
  };
  return side(a, b, c) * side(a, b, d) < 0 && side(c, d, a) * side(c, d, b) < 0;
}

std::vector<PlacedLabel>
layOutLabels(const std::vector<LabelRequest>& requests, const LabelLayoutSettings& settings)
{
  std::vector<PlacedLabel> placed(requests.size());
  if (requests.empty()) {
    return placed;
  }
  const double width = settings.viewSize.width();
  const double height = settings.viewSize.height();
  const double leftAvailable =
    height - settings.margin - std::max(settings.margin, settings.leftBottom);
  const double rightAvailable = height - 2 * settings.margin;

  // Left of the split go the anchors furthest left, so that no leader line of the left side
  // passes one of the right side.
  std::vector<int> byX(requests.size());
  std::iota(byX.begin(), byX.end(), 0);
  std::stable_sort(byX.begin(), byX.end(), [&](int a, int b) {
    return requests[std::size_t(a)].anchor.x() < requests[std::size_t(b)].anchor.x();
  });
  const auto sideOf = [&](std::size_t from, std::size_t to) {
    return std::vector<int>(byX.begin() + std::ptrdiff_t(from), byX.begin() + std::ptrdiff_t(to));
  };
  std::size_t split =
    std::size_t(std::count_if(requests.begin(), requests.end(), [&](const LabelRequest& request) {
      return request.anchor.x() < width / 2;
    }));
  const std::size_t count = requests.size();
  while (split > 0 && stackHeight(requests, sideOf(0, split), settings.gap) > leftAvailable &&
         stackHeight(requests, sideOf(split - 1, count), settings.gap) <= rightAvailable) {
    --split;
  }
  while (split < count &&
         stackHeight(requests, sideOf(split, count), settings.gap) > rightAvailable &&
         stackHeight(requests, sideOf(0, split + 1), settings.gap) <= leftAvailable) {
    ++split;
  }
  // Neither side holds its share in one column: both open more, half the labels each.
  if (stackHeight(requests, sideOf(0, split), settings.gap) > leftAvailable &&
      stackHeight(requests, sideOf(split, count), settings.gap) > rightAvailable) {
    split = count / 2;
  }

  std::vector<int> rightSide = sideOf(split, count);
  // From the margin inwards: the right side's outer column takes the anchors furthest right.
  std::reverse(rightSide.begin(), rightSide.end());
  std::vector<Column> columns;
  double leftEdge = settings.margin;
  for (const std::vector<int>& members :
       fillColumns(requests, sideOf(0, split), leftAvailable, settings.gap)) {
    double columnWidth = 0;
    for (int index : members) {
      columnWidth = std::max(columnWidth, requests[std::size_t(index)].size.width());
    }
    columns.push_back({ members, true, leftEdge + columnWidth });
    leftEdge += columnWidth + settings.gap;
  }
  double rightEdge = width - settings.margin;
  for (const std::vector<int>& members :
       fillColumns(requests, rightSide, rightAvailable, settings.gap)) {
    double columnWidth = 0;
    for (int index : members) {
      columnWidth = std::max(columnWidth, requests[std::size_t(index)].size.width());
    }
    columns.push_back({ members, false, rightEdge - columnWidth });
    rightEdge -= columnWidth + settings.gap;
  }

  int leftNumber = 0;
  int rightNumber = -1;
  for (Column& column : columns) {
    if (column.members.empty()) {
      continue;
    }
    placeColumn(requests, column, settings, placed);
    const int number = column.left ? leftNumber++ : rightNumber--;
    for (int index : column.members) {
      placed[std::size_t(index)].column = number;
    }
  }
  return placed;
}
