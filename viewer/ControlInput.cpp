#include "viewer/ControlInput.h"

#include "viewer/CochlexUI.h"

#include <QAbstractScrollArea>
#include <QCoreApplication>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QWheelEvent>

namespace {

// Hands the wheel over an unfocused control to the scrolling list around it, if any.
class WheelToList : public QObject
{
public:
  explicit WheelToList(QObject* parent)
    : QObject(parent)
  {
    setObjectName(QStringLiteral("wheelToList"));
  }

  bool eventFilter(QObject* watched, QEvent* event) override
  {
    auto* control = qobject_cast<QWidget*>(watched);
    if (event->type() != QEvent::Wheel || control == nullptr || control->hasFocus()) {
      return false;
    }
    for (QWidget* outer = control->parentWidget(); outer != nullptr;
         outer = outer->parentWidget()) {
      if (auto* area = qobject_cast<QAbstractScrollArea*>(outer)) {
        QCoreApplication::sendEvent(area->verticalScrollBar(), event);
        break;
      }
    }
    // Outside a list the wheel does nothing: the control under the pointer is not the user's aim.
    return true;
  }
};

void
commitWhenComplete(QAbstractSpinBox* box, int decimals, double maximum)
{
  // Typed text waits for Enter or for the focus to leave; arrows and the wheel still act at once.
  box->setKeyboardTracking(false);
  // The wheel never takes the focus from the control the user is typing into.
  box->setFocusPolicy(Qt::StrongFocus);
  if (auto* editor = box->findChild<QLineEdit*>()) {
    QObject::connect(
      editor, &QLineEdit::textEdited, box, [box, decimals, maximum](const QString& text) {
        if (typedValueComplete(text, decimals, maximum)) {
          box->interpretText();
        }
      });
  }
}

} // namespace

bool
typedValueComplete(const QString& text, int decimals, double maximum)
{
  static const QRegularExpression number(QStringLiteral("^(\\d+)([.,](\\d*))?$"));
  const QRegularExpressionMatch match = number.match(text.trimmed());
  if (!match.hasMatch()) {
    return false;
  }
  if (!match.captured(2).isEmpty()) {
    return decimals > 0 && match.capturedLength(3) >= decimals;
  }
  // A whole number: complete when a further digit would pass the maximum and, with decimal
  // places, only at the maximum itself ("0" may still become "0.8").
  const double whole = match.captured(1).toDouble();
  return whole * 10 > maximum && (decimals == 0 || whole >= maximum);
}

void
setUpControlInput(_CochlexUI& window)
{
  auto* wheelToList = new WheelToList(&window);
  for (QDoubleSpinBox* box : window.controlPanel->findChildren<QDoubleSpinBox*>()) {
    commitWhenComplete(box, box->decimals(), box->maximum());
    box->installEventFilter(wheelToList);
  }
  for (QSpinBox* box : window.controlPanel->findChildren<QSpinBox*>()) {
    commitWhenComplete(box, 0, box->maximum());
    box->installEventFilter(wheelToList);
  }
  for (QSlider* slider : window.controlPanel->findChildren<QSlider*>()) {
    slider->setFocusPolicy(Qt::StrongFocus);
    slider->installEventFilter(wheelToList);
  }
  // The section scroll bars, not the list's own: a click gives them the focus, and with it the
  // wheel.
  for (QScrollBar* bar : window.controlPanel->findChildren<QScrollBar*>(
         QRegularExpression(QStringLiteral("^sectionNumber")))) {
    bar->setFocusPolicy(Qt::StrongFocus);
    bar->installEventFilter(wheelToList);
  }
}
