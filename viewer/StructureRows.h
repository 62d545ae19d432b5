#pragma once

#include "scene/StructureTable.h"

#include <QObject>

class _CochlexUI;

// Binds the rows of the Visibility and Transparency page to the structure table: each row shows
// its record (title, colour swatch, shown, transparency, unavailable), and rows beyond the
// layout's nine are made for a model with more structures. The widgets are set with their
// signals blocked, so that a row never writes back what it was just shown; the user's changes
// reach the table through the window's structure slots.
class StructureRows : public QObject
{
  Q_OBJECT

public:
  StructureRows(_CochlexUI& window, StructureTable& table);

private:
  void structureAdded(int index);
  void structureChanged(int index, StructureTable::Fields fields);
  void makeRowsUpTo(int index);
  void showRecord(int index);
  void showTransparency(int index);

  _CochlexUI& window;
  StructureTable& table;
};
