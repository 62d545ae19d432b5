#include "loading/ColorFile.h"
#include "loading/LegacyPolyDataCheck.h"
#include "loading/PlainFile.h"
#include "loading/SectionTransforms.h"
#include "loading/SectionVolume.h"
#include "loading/StructureList.h"
#include "viewer/CochlexUI.h"
#include "viewer/LoadReport.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDockWidget>
#include <QDoubleSpinBox>
#include <QProgressBar>
#include <QSlider>
#include <QTabWidget>
#include <QToolBox>

#include <vtkActor.h>
#include <vtkCallbackCommand.h>
#include <vtkCamera.h>
#include <vtkCommand.h>
#include <vtkGenericOpenGLRenderWindow.h>
#include <vtkImageActor.h>
#include <vtkImageData.h>
#include <vtkImageMapper3D.h>
#include <vtkImagePlaneWidget.h>
#include <vtkImageReslice.h>
#include <vtkNew.h>
#include <vtkPolyData.h>
#include <vtkPolyDataMapper.h>
#include <vtkProperty.h>
#include <vtkRenderWindowInteractor.h>
#include <vtkRenderer.h>
#include <vtkTransform.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <system_error>
#include <utility>

namespace {

// Every console line goes out at once: the console is the load's progress report.
void
printLine(const std::string& text)
{
  std::cout << text << std::endl;
}

std::string
currentWorkingDirectory()
{
  std::error_code error;
  const std::filesystem::path directory = std::filesystem::current_path(error);
  return error ? std::string() : directory.string();
}

// The problems of the load under way, for the window's load report.
std::vector<std::string> loadProblems;

// A surface that fails its checks is reported once and replaced by an empty one, so the rest
// of the load goes on without it.
vtkSmartPointer<vtkPolyData>
readSurface(const std::string& path)
{
  std::string problem;
  vtkSmartPointer<vtkPolyData> surface = readCheckedPolyData(path, problem);
  if (!problem.empty()) {
    printLine("Cannot load surface " + path + ": " + problem + ".");
    loadProblems.push_back("Cannot load surface " + path + ": " + problem + ".");
  }
  return surface;
}

// The load runs before the event loop, but Qt maps and paints windows through it: let it
// deliver the window system's pending paint events (never user input), so the splash, the
// progress bar and the model building up structure by structure reach the screen.
void
flushPaintEvents()
{
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void
setProgress(QProgressBar* progressBar, int value)
{
  progressBar->setValue(value);
  progressBar->repaint();
  flushPaintEvents();
}

// Toggles the plane widget whose activation key was pressed in the main view.
void
togglePlaneWidgetOnKey(vtkObject* caller, unsigned long, void* clientData, void*)
{
  auto* interactor = static_cast<vtkRenderWindowInteractor*>(caller);
  auto* window = static_cast<_CochlexUI*>(clientData);
  const char key = interactor->GetKeyCode();
  vtkImagePlaneWidget* const widgets[] = { window->planeWidgetX,
                                           window->planeWidgetY,
                                           window->planeWidgetZ };
  for (vtkImagePlaneWidget* widget : widgets) {
    if (key != 0 && key == widget->GetKeyPressActivationValue()) {
      widget->SetEnabled(widget->GetEnabled() ? 0 : 1);
      window->mainRenderWindow()->Render();
      return;
    }
  }
}

} // namespace

void
_CochlexUI::loadTB()
{
  progressBar->setValue(0);
  progressBar->setGeometry(400, 350, 150, 20);
  actionLoad_Teaching_Model->blockSignals(true);

  const std::string workingDirectory = currentWorkingDirectory();
  printLine("current working directory: " + workingDirectory);

  const std::string listPath = workingDirectory + "/Joint_transformed.txt";
  std::ifstream list;
  if (isPlainFile(listPath)) {
    list.open(listPath);
  }
  if (!list.is_open()) {
    printLine("Cannot open file: " + listPath);
    reportMissingModel(*this, workingDirectory);
    return;
  }
  progressBar->show();
  flushPaintEvents();

  frontActors.clear();
  structureCheckBoxes = { show_1, show_2, show_3, show_4, show_5, show_6, show_7, show_8, show_9 };
  structureSliders = { horizontalSlider_1, horizontalSlider_2, horizontalSlider_3,
                       horizontalSlider_4, horizontalSlider_5, horizontalSlider_6,
                       horizontalSlider_7, horizontalSlider_8, horizontalSlider_9 };
  structureSpinBoxes = { doubleSpinBox_1, doubleSpinBox_2, doubleSpinBox_3,
                         doubleSpinBox_4, doubleSpinBox_5, doubleSpinBox_6,
                         doubleSpinBox_7, doubleSpinBox_8, doubleSpinBox_9 };
  for (std::size_t index = 0; index < structureSliders.size(); ++index) {
    structureSliders[index]->setMinimum(0);
    structureSliders[index]->setMaximum(10);
    structureSpinBoxes[index]->setMinimum(0.0);
    structureSpinBoxes[index]->setMaximum(1.0);
  }

  StructureListReader reader(list, listPath);
  StructureEntry entry;
  for (std::size_t index = 0; reader.next(entry); ++index) {
    loadStructure(workingDirectory + entry.relativePath, entry.opacity);
    // The controls show transparency; setting them runs their slots (the boxes' do not run).
    structureCheckBoxes[index]->setChecked(entry.opacity > 0);
    structureSliders[index]->setValue(transparencySliderValue(entry.opacity));
    structureSpinBoxes[index]->setValue(1 - entry.opacity);
  }
  if (!reader.problem().empty()) {
    printLine(reader.problem());
    loadProblems.push_back(reader.problem());
  }
  list.close();

  registerFollowObservers();
  loadHeadModel(workingDirectory);
  setProgress(progressBar, 0);

  loadSectionVolume(workingDirectory);
  if (sectionVolumeLoaded) {
    const double* bounds = sectionActorX->GetBounds();
    for (int index = 0; index < 6; ++index) {
      std::cout << bounds[index] << " ";
    }
    std::cout << std::endl;
  }
  setProgress(progressBar, 100);

  mainCamera()->Elevation(-90);
  mainCamera()->OrthogonalizeViewUp();
  headCamera()->Elevation(-90);
  headCamera()->OrthogonalizeViewUp();
  mainCamera()->GetPosition(savedMainCameraPosition);
  headCamera()->GetPosition(savedHeadCameraPosition);
  mainCamera()->GetViewUp(savedViewUp);
  headCamera()->GetViewUp(savedViewUp);
  reset();

  headDock->show();
  sectionsTab->show();
  toolBox->show();
  renderHeadThenMain();
  progressBar->hide();
  reportLoadProblems(*this, std::exchange(loadProblems, {}));
}

void
_CochlexUI::loadStructure(const std::string& path, double opacity)
{
  vtkNew<vtkPolyDataMapper> mapper;
  mapper->SetInputData(readSurface(path));
  // The colour file, not scalars stored with the surface, colours the structure.
  mapper->ScalarVisibilityOff();

  vtkNew<vtkActor> front;
  front->SetMapper(mapper);
  front->GetProperty()->SetOpacity(opacity);
  front->GetProperty()->BackfaceCullingOn();
  vtkNew<vtkActor> back;
  back->SetMapper(mapper);
  back->GetProperty()->SetOpacity(opacity);
  back->GetProperty()->FrontfaceCullingOn();

  const std::array<double, 3> color = readStructureColor(path);
  front->GetProperty()->SetColor(color[0], color[1], color[2]);
  back->GetProperty()->SetColor(color[0], color[1], color[2]);

  // The lists hold plain pointers; these references keep hidden structures alive.
  structureActorReferences.emplace_back(front.Get());
  structureActorReferences.emplace_back(back.Get());
  frontActors.push_back(front);
  backActors.push_back(back);
  if (opacity > 0) {
    // Back faces are drawn before front faces.
    mainRenderer()->AddActor(back);
    mainRenderer()->AddActor(front);
  }
  mainRenderer()->ResetCamera();
  printLine(path);
  mainRenderWindow()->Render();
  setProgress(progressBar, int(frontActors.size()) * 100 / 28);
}

void
_CochlexUI::loadHeadModel(const std::string& workingDirectory)
{
  vtkNew<vtkPolyDataMapper> mapper;
  mapper->SetInputData(readSurface(workingDirectory + "/Joint/Head_bone_transformed.vtp"));
  mapper->ScalarVisibilityOff();
  vtkNew<vtkActor> head;
  head->SetMapper(mapper);
  head->GetProperty()->SetColor(0.880282, 0.880282, 0.880282);
  headRenderer()->AddActor(head);
  headRenderer()->ResetCamera();
}

void
_CochlexUI::loadSectionVolume(const std::string& workingDirectory)
{
  for (int axis = 0; axis < 3; ++axis) {
    volumeDimensions[axis] = sectionVolumeDimensions[axis];
    volumeSpacing[axis] = sectionVolumeSpacing[axis];
  }

  const std::string path = workingDirectory + "/Joint/Joint.raw";
  vtkNew<vtkImageData> volume;
  const SectionVolumeRead read = readSectionVolume(path, volume);
  if (!read.opened) {
    printLine("Error while loading data from file " + path + ".");
    loadProblems.push_back("Cannot read the section volume " + path +
                           ": the section images stay empty.");
    return;
  }
  if (read.bytesRead != sectionVolumeByteCount) {
    printLine("numread: " + std::to_string(read.bytesRead));
    loadProblems.push_back(
      "The section volume " + path + " is short: " + std::to_string(read.bytesRead) + " of " +
      std::to_string(sectionVolumeByteCount) + " bytes; the sections beyond them are black.");
  }

  buildSectionTransform(SectionAxis::X, sectionTransformX);
  buildSectionTransform(SectionAxis::Y, sectionTransformY);
  buildSectionTransform(SectionAxis::Z, sectionTransformZ);

  vtkImagePlaneWidget* const widgets[] = { planeWidgetX, planeWidgetY, planeWidgetZ };
  const char keys[] = { 'x', 'y', 'z' };
  for (int axis = 0; axis < 3; ++axis) {
    vtkImagePlaneWidget* widget = widgets[axis];
    widget->SetInputData(volume);
    widget->SetOrigin(volume->GetOrigin());
    widget->SetPlaneOrientation(axis);
    // The plane cannot be dragged out of the volume.
    widget->RestrictPlaneToVolumeOn();
    widget->SetSliceIndex(volumeDimensions[axis] / 2);
    widget->SetKeyPressActivationValue(keys[axis]);
    // The window's own key observer switches the widgets; VTK's activation would switch
    // them a second time.
    widget->KeyPressActivationOff();
    if (axis == 0) {
      widget->SetWindowLevel(256, 127, 0);
    }
    widget->SetDefaultRenderer(mainRenderer());
    widget->SetInteractor(mainRenderWindow()->GetInteractor());
  }

  vtkImageActor* const actors[] = { sectionActorX, sectionActorY, sectionActorZ };
  vtkTransform* const transforms[] = { sectionTransformX, sectionTransformY, sectionTransformZ };
  for (int axis = 0; axis < 3; ++axis) {
    actors[axis]->GetMapper()->SetInputConnection(widgets[axis]->GetReslice()->GetOutputPort());
    // The reslice output only has its extent once it has run; the bounds depend on it.
    actors[axis]->GetMapper()->Update();
    actors[axis]->SetUserTransform(transforms[axis]);
  }

  registerPlaneWidgetKeys();
  sectionVolumeLoaded = true;
}

void
_CochlexUI::registerPlaneWidgetKeys()
{
  vtkRenderWindowInteractor* interactor = mainRenderWindow()->GetInteractor();
  if (interactor == nullptr || planeWidgetKeyCommand != nullptr) {
    return;
  }
  planeWidgetKeyCommand = vtkSmartPointer<vtkCallbackCommand>::New();
  planeWidgetKeyCommand->SetCallback(togglePlaneWidgetOnKey);
  planeWidgetKeyCommand->SetClientData(this);
  interactor->AddObserver(vtkCommand::KeyPressEvent, planeWidgetKeyCommand);
}
