#pragma once

#include <QFlags>
#include <QObject>
#include <QString>

#include <array>
#include <vector>

// One structure of the teaching model as the viewer shows it: what the model says of it, and
// what the student has made of it since.
struct StructureRecord
{
  QString name;
  QString group;       // a heading of the control panel; empty: the model names none
  QString file;        // the surface file, as the load found it
  QString description; // its HTML page; null when it has none
  std::array<double, 3> color{ 0.5, 0.5, 0.5 };
  bool loaded = false;  // its surface was read and can be drawn
  QString problem;      // why it could not be loaded; empty when it was
  bool rowShown = true; // the control panel shows its row
  // The title its row shows; empty: the row keeps the layout's title, as a folder without a
  // manifest always showed.
  QString rowTitle;
  bool shown = false;
  double transparency = 0.0; // 0 opaque to 1 invisible

  // Something a student can see: drawn, and not faded out entirely.
  bool visible() const { return loaded && shown && transparency < 1.0; }
};

// What a lesson view says of one structure, which it names.
struct StructureSetting
{
  QString name;
  bool shown = false;
  double transparency = 0.0;
};

// The structures of the model in list order, the one record of their state. Widgets, views and
// teaching features observe it and change it; none of them keeps a copy. A change notifies as it
// happens; batchFinished() follows once at the end of the outermost batch that changed anything,
// so that a lesson view or Show All draws once.
class StructureTable : public QObject
{
  Q_OBJECT

public:
  enum Field
  {
    Shown = 0x1,
    Transparency = 0x2,
    Loaded = 0x4,
  };
  Q_DECLARE_FLAGS(Fields, Field)

  // The most structures a model may have: rows, labels and the quiz stay usable up to this.
  static constexpr int largestCount = 64;

  explicit StructureTable(QObject* parent = nullptr);

  int count() const { return int(records.size()); }
  bool contains(int index) const { return index >= 0 && index < count(); }
  // The record at index; index must be contained.
  const StructureRecord& at(int index) const { return records[std::size_t(index)]; }
  // The first structure of that name, or -1.
  int indexNamed(const QString& name) const;
  // Structures a student can see now, in list order.
  std::vector<int> visibleStructures() const;

  void clear();
  // Appends a structure; beyond largestCount it is refused and -1 returned.
  int append(const StructureRecord& record);

  void setShown(int index, bool shown);
  // Kept within 0 to 1; a value that is not a number changes nothing.
  void setTransparency(int index, double transparency);
  // The surface could not be used: the structure cannot be shown.
  void setUnavailable(int index, const QString& problem);

  // Every structure's setting, in list order.
  std::vector<StructureSetting> settings() const;
  // Each structure takes the setting of its name, in one batch; a structure the settings do not
  // name keeps its state, and one that failed to load stays hidden.
  void applySettings(const std::vector<StructureSetting>& settings);

  // Changes between beginBatch() and the matching endBatch() notify batchFinished() once.
  void beginBatch();
  void endBatch();

signals:
  void structureChanged(int index, StructureTable::Fields fields);
  void structureAdded(int index);
  void cleared();
  void batchFinished();

private:
  void changed(int index, Fields fields);

  std::vector<StructureRecord> records;
  int batchDepth = 0;
  bool changedInBatch = false;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(StructureTable::Fields)
Q_DECLARE_METATYPE(StructureTable::Fields)

// A batch for the length of a scope.
class StructureBatch
{
public:
  explicit StructureBatch(StructureTable& table)
    : table(table)
  {
    table.beginBatch();
  }
  ~StructureBatch() { table.endBatch(); }
  StructureBatch(const StructureBatch&) = delete;
  StructureBatch& operator=(const StructureBatch&) = delete;

private:
  StructureTable& table;
};

// The transparency a structure listed with opacity has once the load has set its row. The
// load sets the row's slider to the truncated tenths and its spin box to one decimal; each
// change runs the other control's handler, and the last one sets the opacity. So the listed
// opacity survives exactly only when neither control moved from where it stood (0, 0.0);
// otherwise the structure ends at the spin box's rounded value. opacity lies within 0 to 1.
double
transparencyAfterLoading(double opacity);

// What the row's controls show for a transparency: the slider in tenths, truncated toward zero,
// and the spin box's one decimal.
int
transparencySliderTenths(double transparency);
double
transparencySpinBoxValue(double transparency);
