#include "viewer/teaching/LabelSize.h"

#include <array>

namespace {

struct SizeEntry
{
  LabelSize size;
  int pixels;
  const char* key;
};

// Small is the text of the window's own controls; each step half as large again, so that the
// three tell apart at a glance.
constexpr std::array<SizeEntry, 3> sizes = { { { LabelSize::Small, 14, "small" },
                                               { LabelSize::Medium, 20, "medium" },
                                               { LabelSize::Large, 28, "large" } } };

} // namespace

int
labelTextPixels(LabelSize size)
{
  for (const SizeEntry& entry : sizes) {
    if (entry.size == size) {
      return entry.pixels;
    }
  }
  return sizes[0].pixels;
}

LabelSize
defaultLabelSize(int screenHeight)
{
  for (const SizeEntry& entry : sizes) {
    if (entry.pixels * 60 >= screenHeight) {
      return entry.size;
    }
  }
  return LabelSize::Large;
}

QString
labelSizeKey(LabelSize size)
{
  for (const SizeEntry& entry : sizes) {
    if (entry.size == size) {
      return QLatin1String(entry.key);
    }
  }
  return QLatin1String(sizes[0].key);
}

std::optional<LabelSize>
labelSizeFromKey(const QString& key)
{
  for (const SizeEntry& entry : sizes) {
    if (key == QLatin1String(entry.key)) {
      return entry.size;
    }
  }
  return std::nullopt;
}
