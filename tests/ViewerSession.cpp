#include "ViewerSession.h"

#include "viewer/CochlexUI.h"

#include <QMouseEvent>
#include <QVTKOpenGLNativeWidget.h>

#include <vtkActor.h>
#include <vtkActorCollection.h>
#include <vtkRenderer.h>

#include <iostream>
#include <sstream>

ViewerSession::~ViewerSession() = default;

_CochlexUI&
ViewerSession::open(int width, int height)
{
  viewer = std::make_unique<_CochlexUI>();
  if (width > 0 && height > 0) {
    viewer->resize(width, height);
    viewer->show();
    static_cast<void>(QTest::qWaitForWindowExposed(viewer.get()));
  }
  return *viewer;
}

std::string
ViewerSession::load()
{
  return captureOutput([this] { viewer->loadTB(); });
}

std::string
captureOutput(const std::function<void()>& action)
{
  std::ostringstream captured;
  std::streambuf* previous = std::cout.rdbuf(captured.rdbuf());
  action();
  std::cout.rdbuf(previous);
  return captured.str();
}

std::vector<vtkActor*>
rendererActors(vtkRenderer* renderer)
{
  std::vector<vtkActor*> actors;
  vtkActorCollection* collection = renderer->GetActors();
  collection->InitTraversal();
  while (vtkActor* actor = collection->GetNextActor()) {
    actors.push_back(actor);
  }
  return actors;
}

QPoint
viewPointOf(_CochlexUI& window, const std::array<double, 3>& point)
{
  vtkRenderer* renderer = window.mainRenderer();
  renderer->SetWorldPoint(point[0], point[1], point[2], 1);
  renderer->WorldToDisplay();
  const double* display = renderer->GetDisplayPoint();
  const double ratio = window.qvtkWidget->devicePixelRatioF();
  const int height = window.mainRenderWindow()->GetSize()[1];
  return QPoint(qRound(display[0] / ratio), qRound((height - 1 - display[1]) / ratio));
}

void
movePointer(QWidget* view, const QPoint& at, Qt::MouseButtons held)
{
  QMouseEvent move(
    QEvent::MouseMove, at, view->mapToGlobal(at), Qt::NoButton, held, Qt::NoModifier);
  QApplication::sendEvent(view, &move);
}
