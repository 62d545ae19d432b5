#pragma once

#include <string>

// The console is the load's progress report: every line goes out, flushed, at once, so that a
// student watching the terminal sees each structure as it arrives. A line longer than
// longestShownLine is shortened in the middle.
void
printLine(const std::string& text);
