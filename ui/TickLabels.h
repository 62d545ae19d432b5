#pragma once

#include <QStringList>
#include <QWidget>

#include <vector>

class QLabel;
class QSlider;

// A horizontal slider with a text under each of its values, centred on the value's tick (a few
// values only, such as the three positions of a clipping slider). The slider stays the control;
// this widget holds it and places the texts as the slider's style places the ticks, with room at
// both ends for the outer texts.
class TickLabels : public QWidget
{
  Q_OBJECT

public:
  // Takes slider into this widget; one text per value of its range, empty to begin with.
  explicit TickLabels(QSlider* slider, QWidget* parent = nullptr);

  // One text per value, from the minimum up; missing ones are empty.
  void setTexts(const QStringList& texts);
  QLabel* label(int index) const { return labels[std::size_t(index)]; }
  int count() const { return int(labels.size()); }
  // The x of a value's tick in this widget's coordinates.
  int tickX(int value) const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

protected:
  void resizeEvent(QResizeEvent* event) override;

private:
  int margin() const;
  int handleLength() const;
  void placeLabels();

  QSlider* slider;
  std::vector<QLabel*> labels;
};
