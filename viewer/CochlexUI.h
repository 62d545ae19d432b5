#pragma once

#include "loading/SectionTransforms.h"
#include "loading/SectionVolume.h"
#include "scene/SectionStates.h"
#include "scene/StructureTable.h"
#include "ui/Ui_About.h"
#include "ui/Ui_MainWindow.h"
#include "ui/Ui_help.h"
#include "viewer/LoadReport.h"
#include "viewer/ModelOpening.h"

#include <vtkRenderer.h>
#include <vtkSmartPointer.h>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CutFaces;
class InteractiveDetail;
class Labels;
class QCheckBox;
class QCloseEvent;
class QDoubleSpinBox;
class QProgressBar;
class QResizeEvent;
class QScrollBar;
class QSlider;
class QSpinBox;
class QTimerEvent;
struct LoadedStructure;
class Lessons;
class Quiz;
class StructurePicker;
class StructureRows;
class StructureSelection;
struct KeyCameraStep;
class StructureActors;
class vtkActor;
class vtkAxesActor;
class vtkCallbackCommand;
class vtkCamera;
class vtkGenericOpenGLRenderWindow;
class vtkImageActor;
class vtkImageData;
class vtkImagePlaneWidget;
class vtkLight;
class vtkOrientationMarkerWidget;
class vtkPlane;
class vtkPolyData;
class vtkRenderWindow;
class vtkTransform;

// Everything one section axis works on, gathered so that the three axes share one code path.
struct SectionControls
{
  QCheckBox* showBox;
  QScrollBar* scrollBar;
  QSpinBox* spinBox;
  QSlider* clipSlider;
  vtkImagePlaneWidget* planeWidget;
  vtkImageActor* actor;
  vtkTransform* transform;
  vtkPlane* clipPlane;
  double spacing;
};

// The nine rows of structure controls, in structure order.
struct StructureRowWidgets
{
  std::array<QCheckBox*, 9> showBoxes;
  std::array<QSlider*, 9> sliders;
  std::array<QDoubleSpinBox*, 9> spinBoxes;
};

// The Viewer window: owns the widget tree, the two 3-D views with their scene objects, the
// per-structure lists and every piece of view state. Every user action runs one of its slots.
class _CochlexUI : public Ui_MainWindow
{
  Q_OBJECT

public:
  explicit _CochlexUI(QWidget* parent = nullptr);
  ~_CochlexUI() override;

  // Scene objects of the two views, created by the constructor.
  vtkRenderWindow* mainRenderWindow() const;
  vtkRenderWindow* headRenderWindow() const;
  vtkRenderer* mainRenderer() const { return mainRendererObject; }
  vtkRenderer* headRenderer() const { return headRendererObject; }
  vtkCamera* mainCamera() const;
  vtkCamera* headCamera() const;

  // Coarse copies of the structures while the model moves on a slow renderer.
  std::unique_ptr<InteractiveDetail> interactiveDetail;

  // Whether loadTB() read the section volume and configured the section objects.
  bool hasSectionVolume() const { return sectionVolumeLoaded; }

signals:
  void resized(QResizeEvent* e);

public slots:
  void viewHead();
  void showViewerDock();
  void stereoView();
  void loadTB();
  void showAll();
  void hideAll();
  void reset();
  void center();
  void fullScreen();
  void showHelp();
  void showAbout();
  void audioGuideF1();
  void audioGuideF2();
  void showX();
  void showY();
  void showZ();
  void sectionSliderX();
  void sectionSliderY();
  void sectionSliderZ();
  void sectionSpinBoxX();
  void sectionSpinBoxY();
  void sectionSpinBoxZ();
  void clipSliderX();
  void clipSliderY();
  void clipSliderZ();
  void resizeViewerDock(QResizeEvent* e);
  void rotX();
  void rotY();
  void shiftX();
  void shiftY();
  void zoom();
  void autoRotX_slot(bool rotX);
  void autoRotY_slot(bool rotY);
  void show_1_slot();
  void show_2_slot();
  void show_3_slot();
  void show_4_slot();
  void show_5_slot();
  void show_6_slot();
  void show_7_slot();
  void show_8_slot();
  void show_9_slot();
  void slider_1_slot();
  void slider_2_slot();
  void slider_3_slot();
  void slider_4_slot();
  void slider_5_slot();
  void slider_6_slot();
  void slider_7_slot();
  void slider_8_slot();
  void slider_9_slot();
  void spinBox_1_slot();
  void spinBox_2_slot();
  void spinBox_3_slot();
  void spinBox_4_slot();
  void spinBox_5_slot();
  void spinBox_6_slot();
  void spinBox_7_slot();
  void spinBox_8_slot();
  void spinBox_9_slot();
  void openTeachingModel();
  void quitViewer();
  void showLoadReport();
  void saveScreenshot();

protected:
  void timerEvent(QTimerEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  // Quit, the window's close button and the window manager come here: a lesson with unsaved
  // views asks first and may keep the window open.
  void closeEvent(QCloseEvent* event) override;

public:
  // Structure handlers behind the 27 structure slots; number is 1 to 9.
  void showStructure(int number);
  void structureSlider(int number);
  void structureSpinBox(int number);

  // Gives one loaded structure its two actors in the main view.
  void loadStructure(const LoadedStructure& structure);

  // Runs steps that would each draw the views (several control clicks) and draws them once.
  void renderOnceAfter(const std::function<void()>& steps);

  // The lights of a picture on white: beside the two lights from the camera's side, four more
  // from the left, right, top and bottom of the view, so that faces turned side-on to the camera
  // are lit from one side or the other instead of printing black.
  void setHandoutLighting(bool on);

  // The model view's keys: a turn moves both cameras as the rotation bars do, a pan and a zoom
  // the main camera only, as the shift and zoom bars do. The bars stay where they are.
  void moveCameraByKey(const KeyCameraStep& step);
  // Zooms the main view by factor (> 1: closer) keeping the model point under the display
  // point (x, y) (VTK's pixels, from the bottom) where it is, at the focal point's depth.
  void zoomMainViewTowards(double x, double y, double factor);

  // The one record of what each structure and each section axis shows: the rows, labels, quiz,
  // caps, picking and lessons read and change these, never the widgets.
  StructureTable* structureTable = nullptr;
  SectionStates* sectionStates = nullptr;

  // Which structure is under the pointer in the main view, and what the window does with it.
  StructurePicker* structurePicker = nullptr;
  StructureSelection* structureSelection = nullptr;
  // The rows of the Visibility and Transparency page, bound to the structure table.
  StructureRows* structureRows = nullptr;
  // The quiz of View > actionQuiz, which takes the clicks while it runs.
  Quiz* quiz = nullptr;
  // Named views of a lesson, the standard views and the presentation.
  Lessons* lessons = nullptr;
  // The caps that show a cut structure solid (View > actionSolid_Cut_Faces).
  CutFaces* cutFaces = nullptr;
  // Atlas labels and the white background of View > Show Labels and White Background.
  Labels* labels = nullptr;

  Ui_help helpDialog;
  Ui_About aboutDialog;
  bool stereoOff;
  std::vector<vtkActor*> frontActors;
  std::vector<vtkActor*> backActors;
  std::vector<QCheckBox*> structureCheckBoxes;
  std::vector<QSlider*> structureSliders;
  std::vector<QDoubleSpinBox*> structureSpinBoxes;
  double savedMainCameraPosition[3];
  double savedHeadCameraPosition[3];
  double savedViewUp[3];
  vtkImagePlaneWidget* planeWidgetX;
  vtkImagePlaneWidget* planeWidgetY;
  vtkImagePlaneWidget* planeWidgetZ;
  vtkImageActor* sectionActorX;
  vtkImageActor* sectionActorY;
  vtkImageActor* sectionActorZ;
  vtkTransform* sectionTransformX;
  vtkTransform* sectionTransformY;
  vtkTransform* sectionTransformZ;
  vtkPlane* clipPlaneX;
  vtkPlane* clipPlaneY;
  vtkPlane* clipPlaneZ;
  vtkAxesActor* axesActor;
  vtkOrientationMarkerWidget* orientationMarker;
  int volumeDimensions[3];
  double volumeSpacing[3];
  QProgressBar* progressBar;
  int lastRotX;
  int lastRotY;
  int lastShiftX;
  int lastShiftY;
  double lastZoom;
  bool autoRotateX;
  bool autoRotateY;
  int autoRotationTimerId;
  ModelOpening modelOpening;
  LoadReport loadReport;

private:
  void connectControls();
  // Opening another model: a new viewer for folder, and this one closes.
  void handOverToViewer(const QString& folder, const QString& title);
  // The section record follows the section controls.
  void followSectionControls();
  void connectStructureControls();
  void createScene();
  void setUpLights();
  void setUpOrientationMarker();
  void loadPages();
  StructureRowWidgets structureRowWidgets() const;

  // Structure rows: whether loading listed the row's controls; a row's own slider and spin box
  // following each other where the row has no structure.
  bool hasStructureRow(int number) const;
  void mirrorRowWithoutStructure(int number, bool fromSlider);
  // The scene follows the structure table: a structure's two actors join or leave the main
  // view as it is shown or hidden, and carry the opacity 1 - transparency.
  void followStructureRecord(int index, StructureTable::Fields fields);
  // Show All's and Hide All's change of every structure, and of the rows without one.
  void setEveryStructureShown(bool shown);

  // Renders the main view, then the head view (or the reverse).
  void renderMainThenHead();
  void renderHeadThenMain();
  // Applies turn to the main camera, then the head camera, and straightens both view-ups.
  void turnBothCameras(const std::function<void(vtkCamera*)>& turn);
  // Moves the shift and zoom bars (and, rotationToo, the rotation bars) back to their middle
  // without turning or moving anything.
  void recentreViewBars(bool rotationToo);
  // Runs a control's setValue() whose slot mirrors the value back: the nested slot draws
  // nothing, as the calling slot draws the final state once.
  void mirrorWithoutRendering(const std::function<void()>& setValue);

  // Section and clipping steps shared by the three axes.
  SectionControls sectionControls(SectionAxis axis);
  void showSection(SectionAxis axis);
  void moveSectionFromScrollBar(SectionAxis axis);
  void moveSectionFromSpinBox(SectionAxis axis);
  void followSectionWithClipPlane(const SectionControls& controls);
  void clipStructures(SectionAxis axis);
  // The scroll bar and spin box of an axis take the record's range and number, moving nothing.
  static void showSectionRange(const SectionControls& controls, const SectionRecord& record);

  // Steps of loadTB() that show what the loader read.
  void prepareStructureRows();
  void loadSectionVolume(vtkImageData* volume, const SectionVolumeGrid& grid);
  void loadHeadModel(vtkPolyData* surface);
  void registerFollowObservers();
  void registerPlaneWidgetKeys();
  // Levels of detail while the model moves: the views and camera bars are watched from the
  // start, the structures handed over once shown.
  void setUpInteractiveDetail();
  void startInteractiveDetail();

  vtkGenericOpenGLRenderWindow* mainRenderWindowObject;
  vtkGenericOpenGLRenderWindow* headRenderWindowObject;
  vtkRenderer* mainRendererObject;
  // Its release is no part of the fixed tear-down order: held, not deleted by hand.
  vtkSmartPointer<vtkRenderer> headRendererObject;
  bool sectionVolumeLoaded = false;
  bool mirroring = false;
  vtkSmartPointer<vtkCallbackCommand> planeWidgetKeyCommand;
  // The side lights of setHandoutLighting(), off unless the picture is on white.
  std::vector<vtkSmartPointer<vtkLight>> handoutLights;
  // The structure lists hold plain pointers; these keep the actors of hidden structures alive.
  // Owns each structure's two actors; frontActors and backActors point at them.
  std::unique_ptr<StructureActors> structureActors;
};
