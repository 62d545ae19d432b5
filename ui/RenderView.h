#pragma once

#include <QImage>
#include <QPoint>
#include <QTimer>
#include <QVTKInteractor.h>
#include <QWidget>

class QVTKOpenGLWindow;
class vtkGenericOpenGLRenderWindow;
class vtkRenderWindow;

// A VTK view drawn in a native child window.
//
// A QOpenGLWidget draws into a texture that Qt then composes with the rest of the top-level
// window on every frame; on a computer that draws with the CPU that composition of the whole
// window cost about as much again as the head view's own render. Here the view's frame goes
// straight to its own window, and Qt never composes the top-level window with OpenGL (which also
// spares that window's OpenGL context and buffers).
//
// The native window takes the pointer; its events are handed on to this widget as well, so
// that event filters, tool tips and click-to-focus work on the widget as on any other. The
// keyboard stays with the widget, which passes key presses on to the VTK interactor: the
// window's own shortcuts then keep working whichever view was clicked last.
class RenderView : public QWidget
{
  Q_OBJECT

public:
  explicit RenderView(QWidget* parent = nullptr);
  ~RenderView() override;

  void setRenderWindow(vtkGenericOpenGLRenderWindow* window);
  vtkRenderWindow* renderWindow() const;
  QVTKInteractor* interactor() const;

  // The frame last shown, read from the view's own framebuffer; null while the view has not
  // drawn yet (hidden, or not shown so far).
  QImage grabFramebuffer();

  // The native window the view draws in.
  QVTKOpenGLWindow* embeddedOpenGLWindow() const { return openGLWindow; }

  // Draws the view's frames at `scale` times its resolution (0 < scale <= 1); they are scaled up
  // as they go to the screen. The VTK window takes the reduced size, so event positions, picks
  // and the frame's copies all happen at that size; the pointer's position in a drag is carried
  // over to the new size. 1 is the view's own resolution.
  void setResolutionScale(double scale);
  double resolutionScale() const { return scaleOfResolution; }
  // The VTK window's pixels to one of this widget's: the screen's device pixel ratio times the
  // resolution scale. Points in the widget map to the VTK window by it, and sizes drawn in the
  // VTK window (text, lines) scale by it.
  double renderPixelRatio() const { return devicePixelRatioF() * scaleOfResolution; }
  // The size to give a VTK text drawn in this view for text `points` of the widget's points tall.
  // VTK counts text in points of its window's DPI, which Qt's window sets to 72 for each device
  // pixel (144 at a pixel ratio of 2): a size in device pixels given as it is comes out twice as
  // large there.
  int textSize(double points) const;

signals:
  // A frame reached the screen.
  void frameSwapped();

protected:
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  bool event(QEvent* event) override;

private:
  void handOnFromWindow(QEvent* event);
  void watchForToolTip(const QMouseEvent& move);
  void showToolTip();

  QVTKOpenGLWindow* openGLWindow = nullptr;
  double scaleOfResolution = 1;
  // Qt shows a widget's tool tip when the window system reports the pointer resting on it; over
  // the native window it reports nothing to this widget, so the view keeps that time itself.
  QTimer toolTipTimer;
  QPoint toolTipPoint;
};
