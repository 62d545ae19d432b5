#pragma once

#include <QString>

#include <string>

class _CochlexUI;
class vtkPolyData;

// What a broken model shows beside the Load Report: the row of a structure that failed to load
// as unavailable, a note in the head view without a head model, and a hint in the status bar
// whenever every structure is hidden.

// The row of the structure at index cannot be used: unticked and disabled, the problem as its
// tool tip with the surface file's name, no colour swatch. Its two actors stay in the view,
// empty: they draw nothing and nothing can be picked on them.
void
markStructureUnavailable(_CochlexUI& window,
                         std::size_t index,
                         const QString& path,
                         const QString& problem);

// A short text in the head view when head holds nothing to draw; no text otherwise.
void
noteMissingHeadModel(_CochlexUI& window, vtkPolyData* head);

// Shows the status bar's hint while every loaded structure's Show box is unticked.
void
followAllHidden(_CochlexUI& window);

// The hint itself.
QString
allHiddenHint();

// The problem of a Help or About page that could not be read, in words for the Load Report.
std::string
pageProblemText(const QString& fileName, const std::string& problem);
