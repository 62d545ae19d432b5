#include "viewer/CochlexUI.h"

#include "loading/Console.h"
#include "loading/PageFile.h"
#include "loading/TeachingModel.h"
#include "scene/StructureActors.h"
#include "viewer/ControlInput.h"
#include "viewer/CutFaces.h"
#include "viewer/CutStatus.h"
#include "viewer/FloatingModelView.h"
#include "viewer/InteractiveDetail.h"
#include "viewer/Labels.h"
#include "viewer/Lessons.h"
#include "viewer/ModelProblems.h"
#include "viewer/ModelViewKeys.h"
#include "viewer/PageResources.h"
#include "viewer/Quiz.h"
#include "viewer/ScreenFit.h"
#include "viewer/Shortcuts.h"
#include "viewer/StructureInfo.h"
#include "viewer/StructurePicking.h"
#include "viewer/StructureRows.h"
#include "viewer/StructureSelection.h"
#include "viewer/WindowModeSlots.h"

#include "ui/RenderView.h"
#include <QAction>
#include <QCheckBox>
#include <QDockWidget>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QProgressBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QTextBrowser>
#include <QToolBox>

#include <vtkAxesActor.h>
#include <vtkCallbackCommand.h>
#include <vtkCamera.h>
#include <vtkGenericOpenGLRenderWindow.h>
#include <vtkImageActor.h>
#include <vtkImagePlaneWidget.h>
#include <vtkLight.h>
#include <vtkOrientationMarkerWidget.h>
#include <vtkPlane.h>
#include <vtkRenderWindowInteractor.h>
#include <vtkRenderer.h>
#include <vtkTransform.h>

_CochlexUI::_CochlexUI(QWidget* parent)
  // The window is always top-level: the parent argument is not used.
  : Ui_MainWindow(nullptr)
  , helpDialog(nullptr)
  , aboutDialog(nullptr)
  , stereoOff(true)
  , savedMainCameraPosition{ 0, 0, 0 }
  , savedHeadCameraPosition{ 0, 0, 0 }
  , savedViewUp{ 0, 1, 0 }
  , volumeDimensions{ 0, 0, 0 }
  , volumeSpacing{ 0, 0, 0 }
  , progressBar(nullptr)
  , lastRotX(0)
  , lastRotY(0)
  , lastShiftX(0)
  , lastShiftY(0)
  , lastZoom(1.0)
  , autoRotateX(false)
  , autoRotateY(false)
  , autoRotationTimerId(0)
{
  Q_UNUSED(parent);
  setupUi(this);
  structureTable = new StructureTable(this);
  sectionStates = new SectionStates(this);
  structureRows = new StructureRows(*this, *structureTable);
  connect(
    structureTable, &StructureTable::structureChanged, this, &_CochlexUI::followStructureRecord);

  connectControls();
  // Structure 4 (areolar tissue) is loaded and wired but offers no controls of its own.
  groupBox_21->hide();
  connectStructureControls();

  viewerDock->setMinimumWidth(viewerDockWidthBesideControls(width()));
  viewerDock->setAllowedAreas(Qt::RightDockWidgetArea);

  createScene();
  structureActors = std::make_unique<StructureActors>(*structureTable, mainRendererObject);
  progressBar = new QProgressBar(nullptr);

  // Multisampling multiplies the cost of every frame on a software renderer (about 2.5 times
  // here) and holds tens of megabytes of sample buffers per view.
  mainRenderWindowObject->SetMultiSamples(0);
  headRenderWindowObject->SetMultiSamples(0);
  qvtkWidget->setRenderWindow(mainRenderWindowObject);
  qvtkHead->setRenderWindow(headRenderWindowObject);
  qvtkWidget->renderWindow()->AddRenderer(mainRendererObject);
  qvtkHead->renderWindow()->AddRenderer(headRendererObject);

  setUpLights();
  setUpInteractiveDetail();
  qvtkWidget->renderWindow()->SetStereoType(VTK_STEREO_ANAGLYPH);
  structurePicker =
    new StructurePicker(qvtkWidget, mainRendererObject, frontActors, backActors, this);
  structureSelection = new StructureSelection(*this);
  quiz = new Quiz(*this);
  cutFaces = new CutFaces(*this);
  labels = new Labels(*this);

  addDockWidget(Qt::RightDockWidgetArea, viewerDock);
  // Its dock goes under the model view's.
  new StructureInfo(*this);
  qvtkWidget->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  viewerDock->show();
  // The central widget no longer holds the viewer dock. Its layout would only notice on the
  // next pass of the event loop, and the first show would size the window for both.
  centralwidget->layout()->activate();
  keepWindowNarrowable(*this);

  // Shown again once the teaching model has loaded.
  headDock->setGeometry(10, 10, 200, 220);
  headDock->hide();
  sectionsTab->hide();
  toolBox->hide();

  setUpOrientationMarker();
  loadPages();
  setUpShortcuts(*this);
  setUpModelViewKeys(*this);
  setUpCutStatus(*this);
  setUpControlInput(*this);
  followAllHidden(*this);
  new FloatingModelView(*this);
  lessons = new Lessons(*this);
}

_CochlexUI::~_CochlexUI()
{
  // The labels watch the main view's clicks through the window's members: the view must not
  // hand them its last events while the window's base classes take the widgets down.
  qvtkWidget->removeEventFilter(labels);
  // It observes the render windows and holds the structures' mappers: it goes first.
  interactiveDetail.reset();
  headRenderWindowObject->Delete();
  mainRenderWindowObject->Delete();
  mainRendererObject->Delete();
  planeWidgetX->Delete();
  planeWidgetY->Delete();
  planeWidgetZ->Delete();
  sectionActorX->Delete();
  sectionActorY->Delete();
  sectionActorZ->Delete();
  sectionTransformX->Delete();
  sectionTransformY->Delete();
  sectionTransformZ->Delete();
  clipPlaneX->Delete();
  clipPlaneY->Delete();
  clipPlaneZ->Delete();
  axesActor->Delete();
  orientationMarker->Delete();

  delete progressBar;

  // The widgets belong to the widget tree and the actors to structureActors.
  frontActors.clear();
  backActors.clear();
  structureCheckBoxes.clear();
  structureSliders.clear();
  structureSpinBoxes.clear();
}

vtkRenderWindow*
_CochlexUI::mainRenderWindow() const
{
  return mainRenderWindowObject;
}

vtkRenderWindow*
_CochlexUI::headRenderWindow() const
{
  return headRenderWindowObject;
}

vtkCamera*
_CochlexUI::mainCamera() const
{
  return mainRendererObject->GetActiveCamera();
}

vtkCamera*
_CochlexUI::headCamera() const
{
  return headRendererObject->GetActiveCamera();
}

void
_CochlexUI::connectControls()
{
  connect(actionHead, &QAction::triggered, this, &_CochlexUI::viewHead);
  connect(actionViewer_Dock, &QAction::triggered, this, &_CochlexUI::showViewerDock);
  connect(actionStereo_View, &QAction::triggered, this, &_CochlexUI::stereoView);
  connect(actionLoad_Teaching_Model, &QAction::triggered, this, &_CochlexUI::loadTB);
  connect(actionView_All, &QAction::triggered, this, &_CochlexUI::showAll);
  connect(actionFull_Screen, &QAction::triggered, this, &_CochlexUI::fullScreen);
  connect(actionSave_Screenshot, &QAction::triggered, this, &_CochlexUI::saveScreenshot);
  connect(actionCochlex_Help, &QAction::triggered, this, &_CochlexUI::showHelp);
  connect(actionAbout_Cochlex, &QAction::triggered, this, &_CochlexUI::showAbout);
  connect(showAllButton, &QPushButton::clicked, this, &_CochlexUI::showAll);
  connect(hideAllButton, &QPushButton::clicked, this, &_CochlexUI::hideAll);
  connect(audioGuideButton1, &QPushButton::clicked, this, &_CochlexUI::audioGuideF1);
  connect(audioGuideButton2, &QPushButton::clicked, this, &_CochlexUI::audioGuideF2);
  connect(actionHide_All, &QAction::triggered, this, &_CochlexUI::hideAll);
  connect(actionReset, &QAction::triggered, this, &_CochlexUI::reset);
  connect(actionCenter, &QAction::triggered, this, &_CochlexUI::center);
  connect(resetButton, &QPushButton::clicked, this, &_CochlexUI::reset);
  connect(centerButton, &QPushButton::clicked, this, &_CochlexUI::center);
  connect(autoRotX, &QCheckBox::toggled, this, &_CochlexUI::autoRotX_slot);
  connect(autoRotY, &QCheckBox::toggled, this, &_CochlexUI::autoRotY_slot);
  connect(showXPlane, &QCheckBox::clicked, this, &_CochlexUI::showX);
  connect(showYPlane, &QCheckBox::clicked, this, &_CochlexUI::showY);
  connect(showZPlane, &QCheckBox::clicked, this, &_CochlexUI::showZ);
  connect(sectionNumberX, &QScrollBar::valueChanged, this, &_CochlexUI::sectionSliderX);
  connect(sectionNumberY, &QScrollBar::valueChanged, this, &_CochlexUI::sectionSliderY);
  connect(sectionNumberZ, &QScrollBar::valueChanged, this, &_CochlexUI::sectionSliderZ);
  connect(spinBox_x, qOverload<int>(&QSpinBox::valueChanged), this, &_CochlexUI::sectionSpinBoxX);
  connect(spinBox_y, qOverload<int>(&QSpinBox::valueChanged), this, &_CochlexUI::sectionSpinBoxY);
  connect(spinBox_z, qOverload<int>(&QSpinBox::valueChanged), this, &_CochlexUI::sectionSpinBoxZ);
  connect(clipX, &QSlider::valueChanged, this, &_CochlexUI::clipSliderX);
  connect(clipY, &QSlider::valueChanged, this, &_CochlexUI::clipSliderY);
  connect(clipZ, &QSlider::valueChanged, this, &_CochlexUI::clipSliderZ);
  connect(this, &_CochlexUI::resized, this, &_CochlexUI::resizeViewerDock);
  connect(rotXScrollBar, &QScrollBar::valueChanged, this, &_CochlexUI::rotX);
  connect(rotYScrollBar, &QScrollBar::valueChanged, this, &_CochlexUI::rotY);
  connect(zoomScrollBar, &QScrollBar::valueChanged, this, &_CochlexUI::zoom);
  connect(shiftXSlider, &QSlider::valueChanged, this, &_CochlexUI::shiftX);
  connect(shiftYSlider, &QSlider::valueChanged, this, &_CochlexUI::shiftY);
  connect(actionOpen_Teaching_Model, &QAction::triggered, this, &_CochlexUI::openTeachingModel);
  connect(actionQuit, &QAction::triggered, this, &_CochlexUI::quitViewer);
  connect(actionLoad_Report, &QAction::triggered, this, &_CochlexUI::showLoadReport);
  followSectionControls();
}

StructureRowWidgets
_CochlexUI::structureRowWidgets() const
{
  return { { show_1, show_2, show_3, show_4, show_5, show_6, show_7, show_8, show_9 },
           { horizontalSlider_1,
             horizontalSlider_2,
             horizontalSlider_3,
             horizontalSlider_4,
             horizontalSlider_5,
             horizontalSlider_6,
             horizontalSlider_7,
             horizontalSlider_8,
             horizontalSlider_9 },
           { doubleSpinBox_1,
             doubleSpinBox_2,
             doubleSpinBox_3,
             doubleSpinBox_4,
             doubleSpinBox_5,
             doubleSpinBox_6,
             doubleSpinBox_7,
             doubleSpinBox_8,
             doubleSpinBox_9 } };
}

void
_CochlexUI::connectStructureControls()
{
  using Slot = void (_CochlexUI::*)();
  const Slot showSlots[] = { &_CochlexUI::show_1_slot, &_CochlexUI::show_2_slot,
                             &_CochlexUI::show_3_slot, &_CochlexUI::show_4_slot,
                             &_CochlexUI::show_5_slot, &_CochlexUI::show_6_slot,
                             &_CochlexUI::show_7_slot, &_CochlexUI::show_8_slot,
                             &_CochlexUI::show_9_slot };
  const Slot sliderSlots[] = { &_CochlexUI::slider_1_slot, &_CochlexUI::slider_2_slot,
                               &_CochlexUI::slider_3_slot, &_CochlexUI::slider_4_slot,
                               &_CochlexUI::slider_5_slot, &_CochlexUI::slider_6_slot,
                               &_CochlexUI::slider_7_slot, &_CochlexUI::slider_8_slot,
                               &_CochlexUI::slider_9_slot };
  const Slot spinBoxSlots[] = { &_CochlexUI::spinBox_1_slot, &_CochlexUI::spinBox_2_slot,
                                &_CochlexUI::spinBox_3_slot, &_CochlexUI::spinBox_4_slot,
                                &_CochlexUI::spinBox_5_slot, &_CochlexUI::spinBox_6_slot,
                                &_CochlexUI::spinBox_7_slot, &_CochlexUI::spinBox_8_slot,
                                &_CochlexUI::spinBox_9_slot };

  // Wired in the order show boxes, sliders, spin boxes: each family's slots run in that order.
  const StructureRowWidgets rows = structureRowWidgets();
  for (std::size_t index = 0; index < rows.showBoxes.size(); ++index) {
    connect(rows.showBoxes[index], &QCheckBox::clicked, this, showSlots[index]);
  }
  for (std::size_t index = 0; index < rows.sliders.size(); ++index) {
    connect(rows.sliders[index], &QSlider::valueChanged, this, sliderSlots[index]);
  }
  for (std::size_t index = 0; index < rows.spinBoxes.size(); ++index) {
    connect(rows.spinBoxes[index],
            qOverload<double>(&QDoubleSpinBox::valueChanged),
            this,
            spinBoxSlots[index]);
  }
}

void
_CochlexUI::loadPages()
{
  loadReport.pageProblems.clear();
  const auto pageOrMessage = [this](const QString& fileName) {
    const PageRead read = readPageFile(fileName);
    if (!read.problem.empty()) {
      if (!read.missing) {
        printLine(read.problem + "; the page is not shown.");
      }
      // Kept for the Load Report of the model that follows.
      loadReport.pageProblems.push_back(pageProblemText(fileName, read.problem));
    }
    return read.problem.empty() ? read.page : fileName + QStringLiteral(" not found!");
  };
  // The pages' images and style sheets come from the model folder only, read under the same
  // rules as the pages; the folder as the file system names it.
  const std::string folder = currentModelFolder().path;
  // A refused one is reported like a problem of the load: the window is up by then.
  const auto resources = [this, folder](int type, const QUrl& name) {
    return loadPageResource(folder, type, name, [this](const std::string& problem) {
      printLine(problem);
      appendLoadProblem(*this, problem);
    });
  };
  helpDialog.setupUi(&helpDialog);
  static_cast<PageBrowser*>(helpDialog.textBrowser)->setResourceLoader(resources);
  helpDialog.textBrowser->setHtml(pageOrMessage(QStringLiteral("help2.html")));
  aboutDialog.setupUi(&aboutDialog);
  static_cast<PageBrowser*>(aboutDialog.textBrowser)->setResourceLoader(resources);
  aboutDialog.textBrowser->setHtml(pageOrMessage(QStringLiteral("about2.html")));
}

void
_CochlexUI::resizeEvent(QResizeEvent* event)
{
  // The viewer dock's minimum width follows the window; see resizeViewerDock().
  emit resized(event);
}

void
_CochlexUI::renderMainThenHead()
{
  if (mirroring) {
    return;
  }
  mainRenderWindowObject->Render();
  headRenderWindowObject->Render();
}

void
_CochlexUI::mirrorWithoutRendering(const std::function<void()>& setValue)
{
  const bool outerMirroring = mirroring;
  mirroring = true;
  setValue();
  mirroring = outerMirroring;
}

void
_CochlexUI::renderOnceAfter(const std::function<void()>& steps)
{
  mirrorWithoutRendering(steps);
  renderMainThenHead();
}

void
_CochlexUI::renderHeadThenMain()
{
  headRenderWindowObject->Render();
  mainRenderWindowObject->Render();
}
