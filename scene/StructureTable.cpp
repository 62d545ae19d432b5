#include "scene/StructureTable.h"

#include <algorithm>
#include <cmath>

StructureTable::StructureTable(QObject* parent)
  : QObject(parent)
{
  // Queued connections and signal spies carry the fields.
  qRegisterMetaType<StructureTable::Fields>();
}

int
StructureTable::indexNamed(const QString& name) const
{
  for (int index = 0; index < count(); ++index) {
    if (at(index).name == name) {
      return index;
    }
  }
  return -1;
}

std::vector<int>
StructureTable::visibleStructures() const
{
  std::vector<int> visible;
  for (int index = 0; index < count(); ++index) {
    if (at(index).visible()) {
      visible.push_back(index);
    }
  }
  return visible;
}

void
StructureTable::clear()
{
  records.clear();
  emit cleared();
}

int
StructureTable::append(const StructureRecord& record)
{
  if (count() >= largestCount) {
    return -1;
  }
  records.push_back(record);
  const int index = count() - 1;
  emit structureAdded(index);
  return index;
}

void
StructureTable::setShown(int index, bool shown)
{
  if (!contains(index) || records[std::size_t(index)].shown == shown) {
    return;
  }
  records[std::size_t(index)].shown = shown;
  changed(index, Shown);
}

void
StructureTable::setTransparency(int index, double transparency)
{
  if (!contains(index) || std::isnan(transparency)) {
    return;
  }
  transparency = std::clamp(transparency, 0.0, 1.0);
  if (records[std::size_t(index)].transparency == transparency) {
    return;
  }
  records[std::size_t(index)].transparency = transparency;
  changed(index, Transparency);
}

void
StructureTable::setUnavailable(int index, const QString& problem)
{
  if (!contains(index)) {
    return;
  }
  StructureRecord& record = records[std::size_t(index)];
  Fields fields = Loaded;
  record.loaded = false;
  record.problem = problem;
  if (record.shown) {
    record.shown = false;
    fields |= Shown;
  }
  changed(index, fields);
}

std::vector<StructureSetting>
StructureTable::settings() const
{
  std::vector<StructureSetting> all;
  for (const StructureRecord& record : records) {
    all.push_back({ record.name, record.shown, record.transparency });
  }
  return all;
}

void
StructureTable::applySettings(const std::vector<StructureSetting>& settings)
{
  beginBatch();
  for (int index = 0; index < count(); ++index) {
    const auto setting =
      std::find_if(settings.begin(), settings.end(), [&](const StructureSetting& candidate) {
        return candidate.name == at(index).name;
      });
    if (setting == settings.end()) {
      continue;
    }
    setShown(index, setting->shown && at(index).loaded);
    setTransparency(index, setting->transparency);
  }
  endBatch();
}

void
StructureTable::beginBatch()
{
  ++batchDepth;
}

void
StructureTable::endBatch()
{
  if (batchDepth == 0) {
    return;
  }
  --batchDepth;
  if (batchDepth == 0 && changedInBatch) {
    changedInBatch = false;
    emit batchFinished();
  }
}

void
StructureTable::changed(int index, Fields fields)
{
  if (batchDepth > 0) {
    changedInBatch = true;
  }
  emit structureChanged(index, fields);
}

int
transparencySliderTenths(double transparency)
{
  if (!(transparency > 0)) {
    return 0;
  }
  if (transparency >= 1) {
    return 10;
  }
  return int(transparency * 10.0);
}

double
transparencySpinBoxValue(double transparency)
{
  // As the spin box rounds a value it is given: the decimal text of the binary value, so 0.25
  // stays 0.2 and 0.65 (a little above) becomes 0.7.
  return QString::number(std::clamp(transparency, 0.0, 1.0), 'f', 1).toDouble();
}

double
transparencyAfterLoading(double opacity)
{
  // The slider is set from the opacity as the list gives it, the spin box from 1 - opacity.
  const bool sliderMoved = int(std::clamp(10 - 10 * opacity, 0.0, 10.0)) != 0;
  const double spinBox = transparencySpinBoxValue(1 - opacity);
  return sliderMoved || spinBox != 0.0 ? spinBox : 1 - opacity;
}
