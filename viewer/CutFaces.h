#pragma once

#include <QObject>

#include <vtkSmartPointer.h>

#include <array>
#include <utility>
#include <vector>

class _CochlexUI;
class QAction;
class vtkActor;
class vtkObject;
class vtkPlane;
class vtkPolyData;
class vtkPolyDataMapper;
class vtkRenderWindow;
class vtkRenderer;

// Solid cut faces: while a section's clipping is on, every shown structure that its plane
// passes through is closed at the cut by a cap, the region of the plane inside the structure,
// in the structure's colour (a little darker, so that it reads as a cut) and opacity. Without
// caps a clipped structure is a hollow shell, and the student looks at the inside of its far
// wall exactly where the cut should show the bone.
//
// One cap actor per structure and plane in the main renderer, clipped by the other active
// planes, so that the kept part of the model is closed under two or three cuts as well. The
// caps are brought up to date at the start of every frame of the main view: whatever changed
// the cut, a structure's visibility, colour or opacity, the frame that shows the change shows
// its caps. Only a moved or flipped plane costs a new cap (the cut contour of each structure it
// crosses); the rest is comparing a few values per cap.
//
// View > "Solid Cut Faces" (actionSolid_Cut_Faces, checked at the start) switches them; off,
// the cut structures are the hollow shells of plain clipping.
class CutFaces : public QObject
{
  Q_OBJECT

public:
  explicit CutFaces(_CochlexUI& window);
  ~CutFaces() override;
  CutFaces(const CutFaces&) = delete;
  CutFaces& operator=(const CutFaces&) = delete;

  QAction* action() const { return toggle; }

  // The caps the main renderer holds, each with the index of its structure.
  std::vector<std::pair<vtkActor*, int>> shownCaps() const;

  // Brings every cap in line with the cuts and the structures. Runs before each frame.
  void refresh();

private:
  struct Cap
  {
    vtkSmartPointer<vtkActor> actor;
    vtkSmartPointer<vtkPolyDataMapper> mapper;
    // What the cap was cut from: the surface and the modification times of surface and plane.
    vtkPolyData* surface = nullptr;
    unsigned long surfaceTime = 0;
    unsigned long planeTime = 0;
  };

  // Whether the cap of structure index at plane axis belongs in the picture, cutting it anew
  // when its plane or surface changed.
  bool prepareCap(std::size_t index, int axis, vtkPolyData* surface);
  void styleCap(Cap& cap, std::size_t index, int axis, double lift);
  void hideCap(Cap& cap);
  // The surface a structure's caps are cut from: its full-detail surface, also while its mapper
  // draws a coarse copy during a drag.
  vtkPolyData* fullSurface(std::size_t index);
  std::array<vtkPlane*, 3> planes() const;
  void onRenderStart(vtkObject* caller, unsigned long event, void* callData);

  _CochlexUI& window;
  QAction* toggle;
  // Held so that the observer can be removed when the window has let them go.
  vtkSmartPointer<vtkRenderer> renderer;
  vtkSmartPointer<vtkRenderWindow> renderWindow;
  unsigned long renderObserver = 0;
  std::vector<std::array<Cap, 3>> caps;
  std::vector<vtkSmartPointer<vtkPolyData>> fullSurfaces;
};
