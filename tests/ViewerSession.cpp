#include "ViewerSession.h"

#include "viewer/CochlexUI.h"

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
