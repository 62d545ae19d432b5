#pragma once

#include "scene/StructureTable.h"

#include <QObject>
#include <QString>

#include <vector>

class QCheckBox;
class QWidget;

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

  // For a model whose manifest names its structures: the rows in structure order under their
  // groups' headings (collapsible, with a box that shows or hides the whole group), a field
  // above them that finds structures by part of their name, and no row for the layout's rows
  // beyond the last structure.
  void arrangeByModel();

  // The rows the filter field leaves: those whose name holds text, ignoring case.
  void filterRows(const QString& text);

  // While hidden (a quiz round), the rows show neither their structures' names nor their
  // colours, and the filter field, which would find a row by its name, is disabled and lets
  // every row through; the Show boxes and transparency controls keep working. Shown again, the
  // rows read their records afresh.
  void setNamesHidden(bool hidden);
  bool namesHidden() const { return hidingNames; }

private:
  void structureAdded(int index);
  void structureChanged(int index, StructureTable::Fields fields);
  void makeRowsUpTo(int index);
  void showRecord(int index);
  void showTransparency(int index);
  void showName(int index);

  void refreshGroupBoxes();
  QWidget* groupHeading(const QString& group);

  _CochlexUI& window;
  StructureTable& table;
  // Per group heading: the group's name, its show box and whether it is folded.
  struct GroupHeading
  {
    QString name;
    QWidget* heading;
    QCheckBox* showBox;
    bool folded = false;
  };
  std::vector<GroupHeading> groups;
  QString filterText;
  QWidget* filterField = nullptr;
  // The rows' titles when their names were hidden.
  std::vector<QString> titlesBeforeHiding;
  bool hidingNames = false;
};
