#include "ViewerSession.h"

#include "viewer/CochlexUI.h"

#include <QApplication>
#include <QDir>
#include <QSurfaceFormat>
#include <QVTKOpenGLNativeWidget.h>

#include <vtkActor.h>
#include <vtkActorCollection.h>
#include <vtkCallbackCommand.h>
#include <vtkRenderWindow.h>
#include <vtkRenderer.h>

#include <iostream>
#include <sstream>

ViewerSession::ViewerSession()
  : workingDirectory(std::make_unique<fixture::WorkingDirectory>(directory.path()))
{
}

ViewerSession::~ViewerSession()
{
  viewer.reset();
  workingDirectory.reset();
}

QString
ViewerSession::folder() const
{
  return directory.path();
}

QString
ViewerSession::canonicalFolder() const
{
  return QDir(directory.path()).canonicalPath();
}

_CochlexUI&
ViewerSession::open(int width, int height)
{
  viewer = std::make_unique<_CochlexUI>();
  if (width > 0 && height > 0) {
    viewer->resize(width, height);
    viewer->show();
    if (!QTest::qWaitForWindowExposed(viewer.get())) {
      qWarning("The viewer window was not exposed");
    }
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

RenderCounter::RenderCounter(vtkRenderWindow* window)
  : window(window)
{
  command->SetClientData(&count);
  command->SetCallback(
    [](vtkObject*, unsigned long, void* clientData, void*) { ++*static_cast<int*>(clientData); });
  tag = window->AddObserver(vtkCommand::EndEvent, command);
}

RenderCounter::~RenderCounter()
{
  window->RemoveObserver(tag);
}

int
runViewerTest(QObject* test, int argc, char** argv)
{
  QSurfaceFormat::setDefaultFormat(QVTKOpenGLNativeWidget::defaultFormat());
  QApplication application(argc, argv);
  return QTest::qExec(test, argc, argv);
}
