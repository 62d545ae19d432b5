#pragma once

#include <QString>
#include <QStringList>

#include <string>
#include <vector>

// The console is the load's progress report: every line goes out, flushed, at once, so that a
// student watching the terminal sees each structure as it arrives. A line longer than
// longestShownLine is shortened in the middle.
void
printLine(const std::string& text);

// A list for a message line: the first `shown` items, then "and N more", so that a line about
// thousands of items stays short enough to read.
std::string
listedBriefly(const std::vector<std::string>& items, std::size_t shown = 8);

// Names for a message: the first six, each cut in the middle to 40 characters, then "and N more";
// "none" for none. A lesson of 64 structures for another model still gives a box that fits a
// 1024-pixel screen.
QString
listedNames(const QStringList& names);
