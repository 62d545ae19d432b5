#include "ui/RenderView.h"

#include <QCoreApplication>
#include <QCursor>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QToolTip>
#include <QVBoxLayout>
#include <QVTKInteractor.h>
#include <QVTKOpenGLWindow.h>
#include <QVTKRenderWindowAdapter.h>

#include <vtkGenericOpenGLRenderWindow.h>
#include <vtkNew.h>
#include <vtkUnsignedCharArray.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// The VTK window as Qt shows it, with one more thing: its size can be set to a share of the
// native window's, which the frame's copy to the screen scales up again.
class ScalableOpenGLWindow : public QVTKOpenGLWindow
{
public:
  void resizeToScale(double scale)
  {
    // At the full resolution the ratio goes back to none of its own, so that the screen's ratio
    // keeps applying when the window moves to another screen.
    const double ratio = scale < 1 ? scale * devicePixelRatio() : 0;
    setCustomDevicePixelRatio(ratio);
    if (RenderWindowAdapter != nullptr) {
      RenderWindowAdapter->setCustomDevicePixelRatio(ratio);
      RenderWindowAdapter->resize(width(), height());
    }
  }
};

} // namespace

RenderView::RenderView(QWidget* parent)
  : QWidget(parent)
  , openGLWindow(new ScalableOpenGLWindow())
{
  // Keys reach the view through this widget only (see keyPressEvent): a native window with the
  // keyboard would take it from the main window's shortcuts.
  openGLWindow->setFlag(Qt::WindowDoesNotAcceptFocus);
  QWidget* container = QWidget::createWindowContainer(openGLWindow, this);
  container->setFocusPolicy(Qt::NoFocus);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(container);

  connect(openGLWindow, &QVTKOpenGLWindow::windowEvent, this, &RenderView::handOnFromWindow);
  connect(openGLWindow, &QOpenGLWindow::frameSwapped, this, &RenderView::frameSwapped);
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);

  toolTipTimer.setSingleShot(true);
  connect(&toolTipTimer, &QTimer::timeout, this, &RenderView::showToolTip);
}

RenderView::~RenderView()
{
  // The container deletes the window only after this object has stopped being a RenderView, and
  // the window still reports events as it goes.
  disconnect(openGLWindow, nullptr, this, nullptr);
}

void
RenderView::setRenderWindow(vtkGenericOpenGLRenderWindow* window)
{
  openGLWindow->setRenderWindow(window);
}

void
RenderView::setResolutionScale(double scale)
{
  if (scale == scaleOfResolution) {
    return;
  }
  const double ratio = scale / scaleOfResolution;
  scaleOfResolution = scale;
  static_cast<ScalableOpenGLWindow*>(openGLWindow)->resizeToScale(scale);
  // A drag goes on from where the pointer is, in the new size's pixels.
  if (vtkRenderWindowInteractor* viewInteractor = interactor()) {
    const int* position = viewInteractor->GetEventPosition();
    const int* last = viewInteractor->GetLastEventPosition();
    const int scaledLast[2] = { int(std::lround(last[0] * ratio)),
                                int(std::lround(last[1] * ratio)) };
    viewInteractor->SetEventPosition(int(std::lround(position[0] * ratio)),
                                     int(std::lround(position[1] * ratio)));
    viewInteractor->SetLastEventPosition(scaledLast[0], scaledLast[1]);
  }
}

int
RenderView::textSize(double points) const
{
  vtkRenderWindow* window = renderWindow();
  const int dpi = window != nullptr ? std::max(1, window->GetDPI()) : 72;
  return std::max(1, int(std::lround(points * renderPixelRatio() * 72.0 / dpi)));
}

vtkRenderWindow*
RenderView::renderWindow() const
{
  return openGLWindow->renderWindow();
}

QVTKInteractor*
RenderView::interactor() const
{
  return openGLWindow->interactor();
}

QImage
RenderView::grabFramebuffer()
{
  vtkRenderWindow* window = renderWindow();
  if (window == nullptr || !openGLWindow->isValid() || !openGLWindow->isExposed()) {
    return {};
  }
  const int width = window->GetSize()[0];
  const int height = window->GetSize()[1];
  if (width <= 0 || height <= 0) {
    return {};
  }
  // VTK keeps the frame it last showed in its display buffer until the next render; that is
  // what the window shows.
  vtkNew<vtkUnsignedCharArray> pixels;
  if (window->GetPixelData(0, 0, width - 1, height - 1, 1, pixels, 0) == 0 ||
      pixels->GetNumberOfValues() < vtkIdType(width) * height * 3) {
    return {};
  }
  QImage image(width, height, QImage::Format_RGB888);
  const auto rowBytes = std::size_t(width) * 3;
  for (int row = 0; row < height; ++row) {
    // VTK counts rows from the bottom up.
    std::memcpy(image.scanLine(height - 1 - row),
                pixels->GetPointer(vtkIdType(row) * vtkIdType(rowBytes)),
                rowBytes);
  }
  image.setDevicePixelRatio(devicePixelRatioF());
  return image;
}

void
RenderView::handOnFromWindow(QEvent* event)
{
  switch (event->type()) {
    case QEvent::MouseButtonPress:
      toolTipTimer.stop();
      // Qt gives focus on a click only to the widget the window system reported it for; that
      // was the native window.
      if ((focusPolicy() & Qt::ClickFocus) == Qt::ClickFocus) {
        setFocus(Qt::MouseFocusReason);
      }
      break;
    case QEvent::MouseMove:
      watchForToolTip(*static_cast<QMouseEvent*>(event));
      break;
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::Enter:
    case QEvent::Leave:
      toolTipTimer.stop();
      break;
    default:
      // Keys and the window's own events stay with the window.
      return;
  }
  // The window fills this widget: positions in the one are positions in the other.
  QCoreApplication::sendEvent(this, event);
}

void
RenderView::watchForToolTip(const QMouseEvent& move)
{
  if (move.buttons() != Qt::NoButton) {
    toolTipTimer.stop();
    return;
  }
  // As Qt does for pointers over widgets: a wait before the first tip, next to none while a tip
  // is up.
  toolTipPoint = move.pos();
  toolTipTimer.start(QToolTip::isVisible() ? 20
                                           : style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay));
}

void
RenderView::showToolTip()
{
  if (!rect().contains(mapFromGlobal(QCursor::pos()))) {
    return;
  }
  QHelpEvent help(QEvent::ToolTip, toolTipPoint, mapToGlobal(toolTipPoint));
  QCoreApplication::sendEvent(this, &help);
}

void
RenderView::keyPressEvent(QKeyEvent* event)
{
  // The window hands no keys back (handOnFromWindow), so this cannot come round again.
  QCoreApplication::sendEvent(openGLWindow, event);
}

void
RenderView::keyReleaseEvent(QKeyEvent* event)
{
  QCoreApplication::sendEvent(openGLWindow, event);
}

bool
RenderView::event(QEvent* event)
{
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
      // The window has already turned the model for the pointer's events; they end here rather
      // than reaching the dock or main window behind the view.
      QWidget::event(event);
      event->accept();
      return true;
    default:
      return QWidget::event(event);
  }
}
