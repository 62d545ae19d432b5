#include "loading/ColorFile.h"
#include "loading/Console.h"
#include "loading/SectionTransforms.h"
#include "loading/SectionVolume.h"
#include "loading/StructureList.h"
#include "loading/TeachingModel.h"
#include "scene/StructureActors.h"
#include "viewer/CochlexUI.h"
#include "viewer/CutStatus.h"
#include "viewer/InteractiveDetail.h"
#include "viewer/LoadReport.h"
#include "viewer/ModelProblems.h"
#include "viewer/SectionGeometry.h"
#include "viewer/SectionPlaneOverlay.h"
#include "viewer/StructureInfo.h"
#include "viewer/StructurePicking.h"
#include "viewer/StructureRows.h"
#include "viewer/StructureSelection.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDockWidget>
#include <QDoubleSpinBox>
#include <QFile>
#include <QProgressBar>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
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

#include <algorithm>
#include <sstream>

namespace {

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
  for (int axis = 0; axis < 3; ++axis) {
    if (key != 0 && key == widgets[axis]->GetKeyPressActivationValue()) {
      toggleSectionPlane(*window, axis);
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

  const ModelFolder folder = currentModelFolder();
  if (!folder.problem.empty()) {
    printLine(folder.problem);
    reportLoadProblems(*this, { folder.problem });
    return;
  }
  printLine("current working directory: " + folder.path);

  TeachingModelSteps steps;
  steps.listOpened = [this] {
    progressBar->show();
    flushPaintEvents();
    prepareStructureRows();
    structureTable->clear();
    structureSelection->clearStructures();
  };
  steps.structureRead = [this](std::size_t index, const LoadedStructure& structure) {
    loadStructure(structure);
    StructureRecord record;
    record.name = structure.name;
    record.group = structure.group;
    record.file = QFile::decodeName(QByteArray::fromStdString(structure.path));
    record.description = structure.description;
    record.color = structure.color;
    record.loaded = structure.problem.empty();
    record.problem = QString::fromStdString(structure.problem);
    record.rowShown = structure.rowShown;
    if (structure.namedByManifest) {
      record.rowTitle = structure.name;
    }
    // As the row's controls leave it once loading has set them.
    record.shown = structure.opacity > 0 && record.loaded;
    record.transparency = transparencyAfterLoading(std::clamp(structure.opacity, 0.0, 1.0));
    structureTable->append(record);
    // loadStructure() put the actors in the view by the listed opacity, a failed structure's
    // empty ones too (they draw nothing and nothing can be picked on them).
    followStructureRecord(int(index), StructureTable::Transparency);
  };
  steps.headRead = [this](vtkPolyData* head) {
    registerFollowObservers();
    loadHeadModel(head);
    noteMissingHeadModel(*this, head);
    setProgress(progressBar, 0);
  };
  interactiveDetail->beginLoad();
  const TeachingModel model = loadTeachingModel(folder.path, steps);
  interactiveDetail->endLoad();
  if (!model.listFound) {
    reportMissingModel(*this, folder.path);
    return;
  }

  if (model.fromManifest) {
    structureRows->arrangeByModel();
  }
  loadSectionVolume(model.volume, model.volumeGrid);
  showClipSideTexts(*this);
  if (sectionVolumeLoaded) {
    std::ostringstream bounds;
    for (int index = 0; index < 6; ++index) {
      bounds << sectionActorX->GetBounds()[index] << " ";
    }
    printLine(bounds.str());
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
  // Every problem the load met, and the pages read before it.
  std::vector<std::string> problems = model.problems;
  problems.insert(problems.end(), loadReport.pageProblems.begin(), loadReport.pageProblems.end());
  reportLoadProblems(*this, problems);
  startInteractiveDetail();
}

void
_CochlexUI::prepareStructureRows()
{
  structureActors->clear();
  frontActors.clear();
  backActors.clear();
  const StructureRowWidgets rows = structureRowWidgets();
  structureCheckBoxes.assign(rows.showBoxes.begin(), rows.showBoxes.end());
  structureSliders.assign(rows.sliders.begin(), rows.sliders.end());
  structureSpinBoxes.assign(rows.spinBoxes.begin(), rows.spinBoxes.end());
  for (std::size_t index = 0; index < structureSliders.size(); ++index) {
    structureSliders[index]->setMinimum(0);
    structureSliders[index]->setMaximum(10);
    structureSpinBoxes[index]->setMinimum(0.0);
    structureSpinBoxes[index]->setMaximum(1.0);
  }
}

void
_CochlexUI::loadStructure(const LoadedStructure& structure)
{
  structureActors->append(
    structure.surface, structure.color, structure.opacity, structure.opacity > 0);
  frontActors.push_back(structureActors->frontActors().back());
  backActors.push_back(structureActors->backActors().back());
  interactiveDetail->drawCoarselyWhileLoading(
    structureActors->mapper(structureActors->count() - 1));
  mainRenderer()->ResetCamera();
  printLine(structure.path);
  mainRenderWindow()->Render();
  setProgress(progressBar, int(frontActors.size()) * 100 / 28);
}

void
_CochlexUI::loadHeadModel(vtkPolyData* surface)
{
  vtkNew<vtkPolyDataMapper> mapper;
  mapper->SetInputData(surface);
  mapper->ScalarVisibilityOff();
  vtkNew<vtkActor> head;
  head->SetMapper(mapper);
  head->GetProperty()->SetColor(0.880282, 0.880282, 0.880282);
  headRenderer()->AddActor(head);
  headRenderer()->ResetCamera();
}

void
_CochlexUI::loadSectionVolume(vtkImageData* volume, const SectionVolumeGrid& grid)
{
  for (int axis = 0; axis < 3; ++axis) {
    volumeDimensions[axis] = grid.dimensions[std::size_t(axis)];
    volumeSpacing[axis] = grid.spacing[std::size_t(axis)];
  }
  if (volume == nullptr) {
    return;
  }

  if (!grid.placed) {
    buildSectionTransform(SectionAxis::X, sectionTransformX);
    buildSectionTransform(SectionAxis::Y, sectionTransformY);
    buildSectionTransform(SectionAxis::Z, sectionTransformZ);
  }
  // The section record holds how many sections each axis has; the controls take their range
  // from it, and a grid of its own starts in its middle.
  const std::array<SectionControls, 3> controls = { sectionControls(SectionAxis::X),
                                                    sectionControls(SectionAxis::Y),
                                                    sectionControls(SectionAxis::Z) };
  for (int axis = 0; axis < 3; ++axis) {
    sectionStates->setCount(axis, volumeDimensions[axis]);
    if (grid.placed) {
      sectionStates->setNumber(axis, middleSection(volumeDimensions[axis]));
    }
    showSectionRange(controls[std::size_t(axis)], sectionStates->at(axis));
  }

  vtkImagePlaneWidget* const widgets[] = { planeWidgetX, planeWidgetY, planeWidgetZ };
  const char keys[] = { 'x', 'y', 'z' };
  for (int axis = 0; axis < 3; ++axis) {
    vtkImagePlaneWidget* widget = widgets[axis];
    widget->SetInputData(volume);
    widget->SetOrigin(volume->GetOrigin());
    widget->SetPlaneOrientation(axis);
    // The plane cannot be dragged out of the volume.
    widget->RestrictPlaneToVolumeOn();
    // The fixed grid's images start one slice past the controls' number in x and y, as the
    // fixed transforms were made for; a grid of its own shows the slice its number names.
    widget->SetSliceIndex(grid.placed ? sliceIndexForSection(sectionStates->at(axis).number)
                                      : volumeDimensions[axis] / 2);
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
    if (grid.placed) {
      placeSectionImage(transforms[axis], grid, widgets[axis]->GetResliceAxes());
    }
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
