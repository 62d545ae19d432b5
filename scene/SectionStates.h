#pragma once

#include <QObject>

#include <array>

// One section axis as the student has set it.
struct SectionRecord
{
  int number = 1;     // the section number the controls show, from 1
  bool shown = false; // the section image is in the main view
  int cut = 0;        // -1 or 1: the structures are cut on that side of the image; 0: not cut
  int count = 0;      // the sections along the axis, the slices of the volume; 0: no volume
};

// The three section axes, x, y and z, the one record of their state: the section controls
// write it as they act, and lessons, labels and caps read it.
class SectionStates : public QObject
{
  Q_OBJECT

public:
  explicit SectionStates(QObject* parent = nullptr);

  const SectionRecord& at(int axis) const { return records[std::size_t(axis)]; }
  // Any axis cuts the structures.
  bool anyCut() const;

  void setNumber(int axis, int number);
  void setShown(int axis, bool shown);
  void setCut(int axis, int side);
  // The number of sections along the axis, from the loaded volume's grid; the number is kept
  // within 1 to count.
  void setCount(int axis, int count);

signals:
  void sectionChanged(int axis);

private:
  std::array<SectionRecord, 3> records{};
};
