#include "loading/Console.h"

#include <iostream>

void
printLine(const std::string& text)
{
  std::cout << text << std::endl;
}
