#include "viewer/teaching/LessonChanges.h"

void
LessonChanges::changed()
{
  ++edits;
  letGo = false;
}

void
LessonChanges::matchFile()
{
  savedEdits = edits;
  letGo = false;
}

bool
LessonChanges::unsaved(std::size_t viewCount) const
{
  return viewCount > 0 && edits != savedEdits;
}

bool
LessonChanges::mustAsk(std::size_t viewCount) const
{
  return unsaved(viewCount) && !letGo;
}

bool
LessonChanges::answer(Answer answer, const std::function<bool()>& save)
{
  switch (answer) {
    case Answer::Save:
      return save && save();
    case Answer::Discard:
      letGo = true;
      return true;
    case Answer::Cancel:
      break;
  }
  return false;
}

void
LessonChanges::stayed()
{
  letGo = false;
}
