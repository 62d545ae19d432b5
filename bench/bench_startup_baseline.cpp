// The bare-VTK baseline of the start-up benchmark: reads the same model files with plain VTK
// (no Qt, no checks) and renders the same number of frames into windows of the same sizes as
// the viewer did. Prints one line "BENCH {json}" with its event times (monotonic milliseconds).
// Built a second time with COCHLEX_QT_BASELINE as the bare Qt + VTK program: the same scene in
// two QVTKOpenGLNativeWidgets of a QApplication, which separates Qt's own memory from the
// viewer's.
//
//   bench_startup_baseline <model-directory> <main frames> <head frames> <main WxH> <head WxH>
//                          [<volume file> <IxJxK>]
//
// Without the volume's arguments the fixed grid of the sample, "Joint/Joint.raw", is read.

#include "bench/Measurements.h"

#include <vtkActor.h>
#include <vtkCamera.h>
#include <vtkCommand.h>
#include <vtkImageData.h>
#include <vtkNew.h>
#include <vtkPolyData.h>
#include <vtkPolyDataMapper.h>
#include <vtkPolyDataReader.h>
#include <vtkProperty.h>
#include <vtkRenderWindow.h>
#include <vtkRenderer.h>
#include <vtkSmartPointer.h>

#ifdef COCHLEX_QT_BASELINE
#include <QApplication>
#include <QSurfaceFormat>
#include <QVTKOpenGLNativeWidget.h>
#include <vtkGenericOpenGLRenderWindow.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct RenderTally
{
  int frames = 0;
  double milliseconds = 0;
};

void
renderTimed(vtkRenderWindow* window, RenderTally& tally)
{
  const double start = monotonicMilliseconds();
  window->Render();
  tally.milliseconds += monotonicMilliseconds() - start;
  ++tally.frames;
}

bool
parseSize(const char* text, int& width, int& height)
{
  return std::sscanf(text, "%dx%d", &width, &height) == 2 && width > 0 && height > 0;
}

#ifdef COCHLEX_QT_BASELINE
// Lets Qt show the widgets and create their GL contexts.
void
settle(QApplication& application)
{
  for (int round = 0; round < 5; ++round) {
    application.processEvents();
  }
}
#endif

} // namespace

int
main(int argc, char** argv)
{
  const double started = monotonicMilliseconds();
  int mainWidth = 0, mainHeight = 0, headWidth = 0, headHeight = 0;
  int grid[3] = { 748, 552, 115 };
  std::string volumePath = "/Joint/Joint.raw";
  if ((argc != 6 && argc != 8) || !parseSize(argv[4], mainWidth, mainHeight) ||
      !parseSize(argv[5], headWidth, headHeight) ||
      (argc == 8 && std::sscanf(argv[7], "%dx%dx%d", &grid[0], &grid[1], &grid[2]) != 3)) {
    std::printf("usage: bench_startup_baseline <model> <main frames> <head frames> <WxH> <WxH> "
                "[<volume file> <IxJxK>]\n");
    return 2;
  }
  const std::string model = argv[1];
  const int mainFrames = std::stoi(argv[2]);
  const int headFrames = std::stoi(argv[3]);
  if (argc == 8) {
    volumePath = argv[6];
  }

  vtkNew<vtkRenderer> mainRenderer;
  vtkNew<vtkRenderer> headRenderer;
#ifdef COCHLEX_QT_BASELINE
  QSurfaceFormat::setDefaultFormat(QVTKOpenGLNativeWidget::defaultFormat());
  int applicationArgc = 1;
  QApplication application(applicationArgc, argv);
  QVTKOpenGLNativeWidget mainWidget;
  QVTKOpenGLNativeWidget headWidget;
  mainWidget.resize(mainWidth, mainHeight);
  headWidget.resize(headWidth, headHeight);
  mainWidget.show();
  headWidget.show();
  settle(application);
  vtkRenderWindow* mainWindow = mainWidget.renderWindow();
  vtkRenderWindow* headWindow = headWidget.renderWindow();
#else
  vtkNew<vtkRenderWindow> mainWindow;
  vtkNew<vtkRenderWindow> headWindow;
  mainWindow->SetSize(mainWidth, mainHeight);
  headWindow->SetSize(headWidth, headHeight);
#endif
  // Same framebuffer set-up as the viewer: no multisampling.
  mainWindow->SetMultiSamples(0);
  mainWindow->AddRenderer(mainRenderer);
  headWindow->SetMultiSamples(0);
  headWindow->AddRenderer(headRenderer);
  RenderTally mainTally;
  RenderTally headTally;
  const double windowsRss = residentMemory().currentMegabytes;

  // Structures: read, two culling actors on one mapper, a frame after each, as the viewer does.
  double surfaceMilliseconds = 0;
  std::ifstream list(model + "/Joint_transformed.txt");
  std::string path;
  double opacity = 0;
  while (std::getline(list, path) && list >> opacity) {
    list >> std::ws;
    const double start = monotonicMilliseconds();
    vtkNew<vtkPolyDataReader> reader;
    reader->SetFileName((model + path).c_str());
    reader->Update();
    vtkNew<vtkPolyDataMapper> mapper;
    mapper->SetInputData(reader->GetOutput());
    double color[3] = { 0.7, 0.7, 0.7 };
    std::ifstream colorFile(model + path + ".color");
    colorFile >> color[0] >> color[1] >> color[2];
    for (int side = 0; side < 2; ++side) {
      vtkNew<vtkActor> actor;
      actor->SetMapper(mapper);
      actor->GetProperty()->SetColor(color);
      actor->GetProperty()->SetOpacity(opacity);
      if (side == 0) {
        actor->GetProperty()->FrontfaceCullingOn();
      } else {
        actor->GetProperty()->BackfaceCullingOn();
      }
      if (opacity > 0) {
        mainRenderer->AddActor(actor);
      }
    }
    mainRenderer->ResetCamera();
    surfaceMilliseconds += monotonicMilliseconds() - start;
    if (mainTally.frames < mainFrames) {
      renderTimed(mainWindow, mainTally);
    }
  }

  double start = monotonicMilliseconds();
  vtkNew<vtkPolyDataReader> headReader;
  headReader->SetFileName((model + "/Joint/Head_bone_transformed.vtp").c_str());
  headReader->Update();
  vtkNew<vtkPolyDataMapper> headMapper;
  headMapper->SetInputData(headReader->GetOutput());
  vtkNew<vtkActor> head;
  head->SetMapper(headMapper);
  headRenderer->AddActor(head);
  headRenderer->ResetCamera();
  const double headMilliseconds = monotonicMilliseconds() - start;

  start = monotonicMilliseconds();
  vtkNew<vtkImageData> volume;
  volume->SetDimensions(grid);
  volume->SetSpacing(0.0127, 0.0127, 0.02);
  volume->AllocateScalars(VTK_UNSIGNED_CHAR, 1);
  std::FILE* volumeFile = std::fopen((model + volumePath).c_str(), "rb");
  std::size_t volumeBytes = 0;
  if (volumeFile != nullptr) {
    volumeBytes = std::fread(
      volume->GetScalarPointer(), 1, std::size_t(grid[0]) * grid[1] * grid[2], volumeFile);
    std::fclose(volumeFile);
  }
  const double volumeMilliseconds = monotonicMilliseconds() - start;

  mainRenderer->GetActiveCamera()->Elevation(-90);
  mainRenderer->GetActiveCamera()->OrthogonalizeViewUp();
  headRenderer->GetActiveCamera()->Elevation(-90);
  headRenderer->GetActiveCamera()->OrthogonalizeViewUp();
  while (headTally.frames < headFrames) {
    renderTimed(headWindow, headTally);
  }
  while (mainTally.frames < mainFrames) {
    renderTimed(mainWindow, mainTally);
  }
  const double lastFrame = monotonicMilliseconds();
#ifdef COCHLEX_QT_BASELINE
  // Both widgets put their last frames on screen.
  mainWidget.update();
  headWidget.update();
  settle(application);
#endif

  std::printf("BENCH {\"started\": %.3f, \"last_frame\": %.3f, \"surfaces_ms\": %.3f, "
              "\"head_ms\": %.3f, \"volume_ms\": %.3f, \"main_frames\": %d, \"head_frames\": %d, "
              "\"render_ms\": %.3f, \"volume_bytes\": %lld, \"rss_windows_mb\": %.1f}\n",
              started,
              lastFrame,
              surfaceMilliseconds,
              headMilliseconds,
              volumeMilliseconds,
              mainTally.frames,
              headTally.frames,
              mainTally.milliseconds + headTally.milliseconds,
              static_cast<long long>(volumeBytes),
              windowsRss);
  std::fflush(stdout);
  return 0;
}
