#pragma once

#include <QObject>

#include <vtkSmartPointer.h>

#include <cstddef>
#include <deque>
#include <functional>
#include <thread>
#include <vector>

class QAbstractSlider;
class vtkObject;
class vtkPolyData;
class vtkPolyDataMapper;
class vtkRenderWindow;
class vtkRenderWindowInteractor;
class vtkRenderer;

// Levels of detail while the user moves the model. When a full-detail frame of the window takes
// longer than the frame budget (a software renderer on a large window), each structure gets a
// coarse copy, built once after the model is shown, off the GUI thread. While the user drags in a
// view or holds one of the camera bars, the structure mappers draw the coarse copies; when the
// motion ends they draw the full surfaces again. Swapping the mapper's input keeps the colours
// and opacities (on the actors) and the clipping planes (on the mapper) as they are. When the
// full-detail frame fits the budget, nothing is built and nothing changes.
class InteractiveDetail : public QObject
{
  Q_OBJECT

public:
  InteractiveDetail(vtkRenderWindow* mainWindow,
                    vtkRenderer* mainRenderer,
                    vtkRenderWindow* headWindow);
  ~InteractiveDetail() override;
  InteractiveDetail(const InteractiveDetail&) = delete;
  InteractiveDetail& operator=(const InteractiveDetail&) = delete;

  // Motion in a view starts and ends with its interactor style's interaction events; a camera
  // bar's with the pressing and releasing of its handle.
  void watchInteractor(vtkRenderWindowInteractor* interactor);
  void watchSlider(QAbstractSlider* slider);

  // The mappers of the structures, with their full-detail inputs.
  void setStructures(const std::vector<vtkPolyDataMapper*>& structureMappers);
  // Starts building the coarse copies, off the GUI thread, if full detail misses the budget.
  void buildIfNeeded();

  void beginInteraction();
  // Restores full detail; renders the main view unless the caller is about to.
  void endInteraction(bool renderMainView);

  // The time a whole frame may take while the model moves: 20 ms, 50 frames a second.
  void setFrameBudgetMilliseconds(double milliseconds) { frameBudget = milliseconds; }
  double frameBudgetMilliseconds() const { return frameBudget; }
  // A full-detail frame time to use instead of the measured one (negative: measure).
  void setFullDetailFrameOverride(double milliseconds) { frameOverride = milliseconds; }
  // The main and head view's render times at full detail, the median of the last few. Showing
  // each frame on screen comes on top; it cannot be timed from here, and coarse copies would not
  // shorten it.
  double fullDetailFrameMilliseconds() const;
  bool fullDetailMissesBudget() const;

  // The pictures of a load in progress: from beginLoad to endLoad the main view draws at half its
  // resolution, and each structure handed to drawCoarselyWhileLoading as a quick coarse copy (a
  // render of the full model costs a software renderer 60 ms, most of it in the triangles).
  // endLoad gives the mappers their full surfaces back, the view its resolution, and frames the
  // model as the load did, so the first frame after the load is the full-detail frame it was.
  void beginLoad();
  void drawCoarselyWhileLoading(vtkPolyDataMapper* mapper);
  void endLoad();

  // While the model moves with coarse copies and the main view's render still takes longer than
  // its share of the frame, the moving frames are drawn at a reduced resolution, chosen from the
  // measured render times, and scaled up on their way to the screen; the frame after the motion
  // is full resolution again. The scaler sets the main view's resolution (a share of its size).
  double movingResolutionScale() const { return movingScale; }
  void setResolutionScaler(std::function<void(double)> scaler)
  {
    resolutionScaler = std::move(scaler);
  }
  bool drawingReducedResolution() const { return reducedNow; }
  // A moving-frame render time to use instead of the measured one (negative: measure).
  void setMovingFrameOverride(double milliseconds) { movingOverride = milliseconds; }

  bool coarseCopiesReady() const { return ready; }
  bool showingCoarseCopies() const { return showingCoarse; }

signals:
  void coarseCopiesBuilt();

private:
  struct Structure
  {
    vtkPolyDataMapper* mapper;
    vtkSmartPointer<vtkPolyData> full;
    vtkSmartPointer<vtkPolyData> coarse;
  };

  void startBuilding();
  void buildStructure(std::size_t index);
  void finishStructure(std::size_t index,
                       unsigned generation,
                       const vtkSmartPointer<vtkPolyData>& coarse);
  void joinWorker();
  void recordRender(vtkObject* window, unsigned long event, void* callData);
  void onInteractionEvent(vtkObject* style, unsigned long event, void* callData);
  void adaptMovingResolution(double mainRenderMilliseconds);
  void drawReduced(bool reduced, double scale);

  vtkRenderWindow* mainWindow;
  vtkRenderer* mainRenderer;
  vtkRenderWindow* headWindow;
  std::function<void(double)> resolutionScaler;
  bool reducedNow = false;
  double appliedScale = 1;
  std::vector<Structure> structures;
  std::vector<std::pair<vtkPolyDataMapper*, vtkSmartPointer<vtkPolyData>>> loadingStructures;
  std::vector<vtkSmartPointer<vtkObject>> watchedStyles;
  std::vector<unsigned long> styleObserverTags;
  unsigned long mainStartTag = 0;
  unsigned long mainEndTag = 0;
  unsigned long headStartTag = 0;
  unsigned long headEndTag = 0;
  double mainStarted = 0;
  double headStarted = 0;
  std::deque<double> mainRenderTimes;
  std::deque<double> headRenderTimes;
  double frameBudget = 20;
  double frameOverride = -1;
  double movingScale = 1;
  double movingOverride = -1;
  bool building = false;
  double keptShare = 0; // of each structure's triangles in its coarse copy
  // Counts the sets of structures: a copy built for an earlier model, still on its way to the
  // window's thread when the next model came, is dropped.
  unsigned structuresGeneration = 0;
  bool ready = false;
  bool showingCoarse = false;
  int interactionDepth = 0;
  std::thread worker;
};
