#include "ui/TickLabels.h"

#include <QLabel>
#include <QResizeEvent>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>

#include <algorithm>

namespace {

// Between the texts, so that neighbours never touch.
constexpr int textGap = 8;

} // namespace

TickLabels::TickLabels(QSlider* slider, QWidget* parent)
  : QWidget(parent)
  , slider(slider)
{
  slider->setParent(this);
  QFont small = font();
  small.setBold(false);
  for (int value = slider->minimum(); value <= slider->maximum(); ++value) {
    auto* text = new QLabel(this);
    text->setObjectName(slider->objectName() + QStringLiteral("Tick") +
                        QString::number(value - slider->minimum()));
    text->setFont(small);
    text->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    labels.push_back(text);
  }
  setSizePolicy(slider->sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
}

void
TickLabels::setTexts(const QStringList& texts)
{
  for (std::size_t index = 0; index < labels.size(); ++index) {
    labels[index]->setText(int(index) < texts.size() ? texts[int(index)] : QString());
    labels[index]->adjustSize();
  }
  updateGeometry();
  placeLabels();
}

namespace {

// The slider's style option with the handle at value.
QStyleOptionSlider
sliderOption(const QSlider* slider, int value)
{
  QStyleOptionSlider option;
  option.initFrom(slider);
  option.orientation = slider->orientation();
  option.minimum = slider->minimum();
  option.maximum = slider->maximum();
  option.sliderPosition = value;
  option.sliderValue = value;
  option.tickPosition = slider->tickPosition();
  option.tickInterval = slider->tickInterval();
  option.upsideDown = slider->invertedAppearance();
  return option;
}

} // namespace

int
TickLabels::handleLength() const
{
  const QStyleOptionSlider option = sliderOption(slider, slider->value());
  return slider->style()->pixelMetric(QStyle::PM_SliderLength, &option, slider);
}

int
TickLabels::margin() const
{
  // The outer texts are centred on the outer ticks, half a handle in from the slider's ends.
  int widest = 0;
  for (QLabel* text : labels) {
    widest = std::max(widest, text->sizeHint().width());
  }
  return std::max(0, (widest - handleLength()) / 2 + 1);
}

int
TickLabels::tickX(int value) const
{
  // Where the style draws the handle at that value: its tick is under the handle's middle.
  const QStyleOptionSlider option = sliderOption(slider, value);
  const QRect handle =
    slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider);
  return slider->x() + handle.center().x();
}

QSize
TickLabels::sizeHint() const
{
  int height = 0;
  for (QLabel* text : labels) {
    height = std::max(height, text->sizeHint().height());
  }
  // Neighbouring ticks far enough apart for their texts, centred on them, not to touch.
  int tickStep = 0;
  for (std::size_t index = 1; index < labels.size(); ++index) {
    const int halves =
      (labels[index - 1]->sizeHint().width() + labels[index]->sizeHint().width() + 1) / 2;
    tickStep = std::max(tickStep, halves + textGap);
  }
  const int span = tickStep * std::max(0, int(labels.size()) - 1);
  const int width = std::max(slider->sizeHint().width(), span + handleLength()) + 2 * margin();
  return { width, slider->sizeHint().height() + height };
}

QSize
TickLabels::minimumSizeHint() const
{
  return sizeHint();
}

void
TickLabels::resizeEvent(QResizeEvent* event)
{
  QWidget::resizeEvent(event);
  placeLabels();
}

void
TickLabels::placeLabels()
{
  const int side = margin();
  slider->setGeometry(side, 0, std::max(0, width() - 2 * side), slider->sizeHint().height());
  for (std::size_t index = 0; index < labels.size(); ++index) {
    QLabel* text = labels[index];
    const QSize size = text->sizeHint();
    const int centre = tickX(slider->minimum() + int(index));
    text->setGeometry(centre - size.width() / 2, slider->height(), size.width(), size.height());
  }
}
