#pragma once

#include <cstddef>
#include <functional>

// Whether the lesson a teacher is making holds work that no file has, and what leaving it
// (quitting, opening another lesson or another model) takes. Without a window: the window asks
// the question and runs the save; this keeps the record and the rules.
class LessonChanges
{
public:
  // The teacher's answer to "Save the lesson's changes?".
  enum class Answer
  {
    Save,
    Discard,
    Cancel,
  };

  // A view was added, replaced, deleted, moved, renamed or given another caption.
  void changed();
  // The views are now those of a file: written to it or read from it.
  void matchFile();

  // Whether the views differ from every file the teacher has. A lesson without views has
  // nothing to lose: there is nothing to save.
  bool unsaved(std::size_t viewCount) const;
  // Whether leaving must ask first: unsaved work the teacher has not already let go.
  bool mustAsk(std::size_t viewCount) const;

  // Acts on the teacher's answer and says whether leaving may go ahead. save runs for Save
  // only and says whether the lesson reached its file; a failed or cancelled save stays.
  // Discard lets the work go until the next change.
  bool answer(Answer answer, const std::function<bool()>& save);
  // Leaving did not happen after all (the new viewer did not start): the work let go by
  // Discard is the teacher's again and is asked about next time.
  void stayed();

private:
  unsigned long edits = 0;
  unsigned long savedEdits = 0;
  bool letGo = false;
};
