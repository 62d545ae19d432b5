#include "viewer/ModelViewKeys.h"

#include "viewer/CameraMath.h"
#include "viewer/CochlexUI.h"

#include "ui/RenderView.h"
#include <QEvent>
#include <QKeyEvent>
#include <QObject>

#include <vtkCommand.h>
#include <vtkNew.h>
#include <vtkRenderWindow.h>
#include <vtkRenderWindowInteractor.h>

namespace {

class KeyFilter : public QObject
{
public:
  explicit KeyFilter(_CochlexUI& window)
    : QObject(&window)
    , window(window)
  {
  }

  bool eventFilter(QObject* watched, QEvent* event) override
  {
    if (event->type() != QEvent::KeyPress) {
      return QObject::eventFilter(watched, event);
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    const KeyCameraStep step = keyCameraStep(
      key->key(), (modifiers & Qt::ShiftModifier) != 0, (modifiers & ~Qt::ShiftModifier) != 0);
    if (step.kind == KeyCameraStep::Kind::None) {
      return QObject::eventFilter(watched, event);
    }
    window.moveCameraByKey(step);
    return true;
  }

private:
  _CochlexUI& window;
};

// Zooms at the pointer and keeps the wheel from the interactor style, which would zoom towards
// the view's centre.
class WheelZoom : public vtkCommand
{
public:
  static WheelZoom* New() { return new WheelZoom; }

  _CochlexUI* window = nullptr;

  void Execute(vtkObject* caller, unsigned long eventId, void* /*callData*/) override
  {
    auto* interactor = vtkRenderWindowInteractor::SafeDownCast(caller);
    if (interactor == nullptr || window == nullptr) {
      return;
    }
    const int* at = interactor->GetEventPosition();
    const double factor =
      eventId == vtkCommand::MouseWheelForwardEvent ? wheelZoomFactor : 1.0 / wheelZoomFactor;
    window->zoomMainViewTowards(at[0], at[1], factor);
    AbortFlagOn();
  }
};

} // namespace

void
setUpModelViewKeys(_CochlexUI& window)
{
  window.qvtkWidget->installEventFilter(new KeyFilter(window));

  vtkRenderWindowInteractor* interactor = window.qvtkWidget->renderWindow()->GetInteractor();
  if (interactor == nullptr) {
    return;
  }
  vtkNew<WheelZoom> wheel;
  wheel->window = &window;
  // Ahead of the interactor style, whose observer has priority 0.
  constexpr float beforeTheStyle = 1.0F;
  interactor->AddObserver(vtkCommand::MouseWheelForwardEvent, wheel, beforeTheStyle);
  interactor->AddObserver(vtkCommand::MouseWheelBackwardEvent, wheel, beforeTheStyle);
}
