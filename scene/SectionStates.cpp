#include "scene/SectionStates.h"

#include <algorithm>

SectionStates::SectionStates(QObject* parent)
  : QObject(parent)
{
}

bool
SectionStates::anyCut() const
{
  return std::any_of(
    records.begin(), records.end(), [](const SectionRecord& record) { return record.cut != 0; });
}

void
SectionStates::setNumber(int axis, int number)
{
  if (axis < 0 || axis > 2 || records[std::size_t(axis)].number == number) {
    return;
  }
  records[std::size_t(axis)].number = number;
  emit sectionChanged(axis);
}

void
SectionStates::setShown(int axis, bool shown)
{
  if (axis < 0 || axis > 2 || records[std::size_t(axis)].shown == shown) {
    return;
  }
  records[std::size_t(axis)].shown = shown;
  emit sectionChanged(axis);
}

void
SectionStates::setCut(int axis, int side)
{
  side = std::clamp(side, -1, 1);
  if (axis < 0 || axis > 2 || records[std::size_t(axis)].cut == side) {
    return;
  }
  records[std::size_t(axis)].cut = side;
  emit sectionChanged(axis);
}

void
SectionStates::setCount(int axis, int count)
{
  if (axis < 0 || axis > 2 || count < 0) {
    return;
  }
  SectionRecord& record = records[std::size_t(axis)];
  const int number = count > 0 ? std::clamp(record.number, 1, count) : record.number;
  if (record.count == count && record.number == number) {
    return;
  }
  record.count = count;
  record.number = number;
  emit sectionChanged(axis);
}
