#include "loading/Console.h"
#include "loading/ModelFile.h"

#include <iostream>

void
printLine(const std::string& text)
{
  // A file name of megabytes must not flood the terminal.
  std::cout << shortenedInMiddle(text, longestShownLine) << std::endl;
}
