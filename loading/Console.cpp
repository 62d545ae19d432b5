#include "loading/Console.h"
#include "loading/ModelFile.h"

#include <iostream>

void
printLine(const std::string& text)
{
  // A file name of megabytes must not flood the terminal.
  std::cout << shortenedInMiddle(text, longestShownLine) << std::endl;
}

std::string
listedBriefly(const std::vector<std::string>& items, std::size_t shown)
{
  std::string text;
  for (std::size_t index = 0; index < items.size() && index < shown; ++index) {
    text += (index == 0 ? "" : ", ") + items[index];
  }
  if (items.size() > shown) {
    text += " and " + std::to_string(items.size() - shown) + " more";
  }
  return text;
}

QString
listedNames(const QStringList& names)
{
  if (names.isEmpty()) {
    return QStringLiteral("none");
  }
  std::vector<std::string> shortNames;
  shortNames.reserve(std::size_t(names.size()));
  for (const QString& name : names) {
    shortNames.push_back(shortenedInMiddle(name.toStdString(), 40));
  }
  return QString::fromStdString(listedBriefly(shortNames, 6));
}
