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
