#include "ViewerSession.h"

#include "loading/ModelManifest.h"
#include "viewer/CochlexUI.h"
#include "viewer/StructurePicking.h"

#include "ui/RenderView.h"

#include <QMouseEvent>
#include <QVTKOpenGLWindow.h>

#include <vtkActor.h>
#include <vtkActorCollection.h>
#include <vtkRenderer.h>

#include <iostream>
#include <set>
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
    static_cast<void>(waitForViews(*viewer));
  }
  return *viewer;
}

_CochlexUI&
ViewerSession::openModel(const std::vector<fixture::Structure>& structures,
                         bool withVolume,
                         const std::function<void(const QString& folder)>& change)
{
  fixture::writeModel(folder(), structures, withVolume);
  if (change) {
    change(folder());
  }
  open();
  viewer->qvtkWidget->setFixedSize(viewSize);
  load();
  static_cast<void>(waitForViews(*viewer));
  viewer->mainRenderWindow()->Render();
  QCoreApplication::processEvents();
  return *viewer;
}

std::string
ViewerSession::load()
{
  std::string output = captureOutput([this] { viewer->loadTB(); });
  // Loading shows the docks.
  if (viewer->isVisible()) {
    static_cast<void>(waitForViews(*viewer));
  }
  return output;
}

int
colourCount(const QImage& image)
{
  std::set<QRgb> colours;
  for (int y = 0; y < image.height(); y += 2) {
    for (int x = 0; x < image.width(); x += 2) {
      colours.insert(image.pixel(x, y));
    }
  }
  return int(colours.size());
}

QStringList
folderEntries(const QString& folder)
{
  return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
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

QString
fixtureStructureName(int index)
{
  return structureNameFromPath(fixture::standardStructures()[std::size_t(index)].relativePath);
}

QPoint
structureCentreInView(_CochlexUI& window, int index)
{
  return viewPointOf(window, fixture::standardStructures()[std::size_t(index)].center);
}

bool
waitForViews(_CochlexUI& window)
{
  return QTest::qWaitFor([&window] {
    for (RenderView* view : { window.qvtkWidget, window.qvtkHead }) {
      if (!view->isVisible()) {
        continue;
      }
      const QSize size = view->size() * view->devicePixelRatioF();
      const int* renderSize = view->renderWindow()->GetSize();
      if (!view->embeddedOpenGLWindow()->isExposed() || renderSize[0] != size.width() ||
          renderSize[1] != size.height()) {
        return false;
      }
    }
    return true;
  });
}

void
movePointer(QWidget* view, const QPoint& at, Qt::MouseButtons held)
{
  QMouseEvent move(
    QEvent::MouseMove, at, view->mapToGlobal(at), Qt::NoButton, held, Qt::NoModifier);
  QApplication::sendEvent(view, &move);
}
