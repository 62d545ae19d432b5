#pragma once

#include "ui/RenderView.h"
#include "ui/TickLabels.h"
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDockWidget>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QSpacerItem>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBox>
#include <QVBoxLayout>
#include <QWidget>

// The main window's widget tree. Deliberately without Q_OBJECT: the Viewer window's meta-object
// sits directly on QMainWindow's. Members are declared in creation order and bear the object names.
class Ui_MainWindow : public QMainWindow
{
public:
  explicit Ui_MainWindow(QWidget* parent = nullptr);

  void setupUi(QMainWindow* window);
  void retranslateUi(QMainWindow* window);

  // A row of structure controls after the nine of the layout, for a model with more structures:
  // built like them (show_N, doubleSpinBox_N, horizontalSlider_N in a group box) and added at
  // the end of the Visibility and Transparency page.
  struct StructureRowControls
  {
    QGroupBox* box;
    QCheckBox* show;
    QDoubleSpinBox* spinBox;
    QSlider* slider;
  };
  StructureRowControls addStructureRow(int number);

  QAction* actionLoad_Teaching_Model = nullptr;
  QAction* actionLoad_VRML_File = nullptr;
  QAction* actionLoad_VTK_File = nullptr;
  QAction* actionViewer_Dock = nullptr;
  QAction* actionHead = nullptr;
  QAction* actionHide_Head = nullptr;
  QAction* actionStereo_View = nullptr;
  QAction* actionView_All = nullptr;
  QAction* actionHide_All = nullptr;
  QAction* actionReset = nullptr;
  QAction* actionCenter = nullptr;
  QAction* actionCochlex_Help = nullptr;
  QAction* actionAbout_Cochlex = nullptr;
  QAction* actionFull_Screen = nullptr;
  QAction* actionOpen_Teaching_Model = nullptr;
  QAction* actionQuit = nullptr;
  QAction* actionLoad_Report = nullptr;
  QAction* actionSave_Screenshot = nullptr;
  QAction* actionQuiz = nullptr;

  QWidget* centralwidget = nullptr;
  QHBoxLayout* hboxLayout = nullptr;
  QGroupBox* controlPanel = nullptr;
  QVBoxLayout* vboxLayout = nullptr;

  QDockWidget* headDock = nullptr;
  QWidget* dockWidgetContents_2 = nullptr;
  QVBoxLayout* vboxLayout1 = nullptr;
  RenderView* qvtkHead = nullptr;

  QTabWidget* sectionsTab = nullptr;
  QWidget* xTab = nullptr;
  QVBoxLayout* vboxLayout2 = nullptr;
  QHBoxLayout* hboxLayout1 = nullptr;
  QCheckBox* showZPlane = nullptr;
  QSpacerItem* spacerItem = nullptr;
  QHBoxLayout* hboxLayout2 = nullptr;
  QLabel* label = nullptr;
  QSlider* clipZ = nullptr;
  // The texts under clipZ's three positions.
  TickLabels* clipZTicks = nullptr;
  QSpacerItem* spacerItem1 = nullptr;
  QHBoxLayout* hboxLayout3 = nullptr;
  QLabel* sectionNumberXLabel = nullptr;
  QSpinBox* spinBox_z = nullptr;
  QScrollBar* sectionNumberZ = nullptr;
  QWidget* yTab = nullptr;
  QVBoxLayout* vboxLayout3 = nullptr;
  QHBoxLayout* hboxLayout4 = nullptr;
  QCheckBox* showXPlane = nullptr;
  QSpacerItem* spacerItem2 = nullptr;
  QHBoxLayout* hboxLayout5 = nullptr;
  QLabel* label_4 = nullptr;
  QSlider* clipX = nullptr;
  // The texts under clipX's three positions.
  TickLabels* clipXTicks = nullptr;
  QSpacerItem* spacerItem3 = nullptr;
  QHBoxLayout* hboxLayout6 = nullptr;
  QLabel* sectionNumberYLabel = nullptr;
  QSpinBox* spinBox_x = nullptr;
  QScrollBar* sectionNumberX = nullptr;
  QWidget* zTab = nullptr;
  QVBoxLayout* vboxLayout4 = nullptr;
  QHBoxLayout* hboxLayout7 = nullptr;
  QCheckBox* showYPlane = nullptr;
  QSpacerItem* spacerItem4 = nullptr;
  QHBoxLayout* hboxLayout8 = nullptr;
  QLabel* label_5 = nullptr;
  QSlider* clipY = nullptr;
  // The texts under clipY's three positions.
  TickLabels* clipYTicks = nullptr;
  QSpacerItem* spacerItem5 = nullptr;
  QHBoxLayout* hboxLayout9 = nullptr;
  QLabel* sectionNumberZLabel = nullptr;
  QSpinBox* spinBox_y = nullptr;
  QScrollBar* sectionNumberY = nullptr;

  QToolBox* toolBox = nullptr;
  QWidget* page = nullptr;
  QVBoxLayout* vboxLayout5 = nullptr;
  QGroupBox* groupBox_24 = nullptr;
  QHBoxLayout* hboxLayout10 = nullptr;
  QCheckBox* show_7 = nullptr;
  QDoubleSpinBox* doubleSpinBox_7 = nullptr;
  QSlider* horizontalSlider_7 = nullptr;
  QGroupBox* groupBox_1 = nullptr;
  QHBoxLayout* hboxLayout11 = nullptr;
  QCheckBox* show_1 = nullptr;
  QDoubleSpinBox* doubleSpinBox_1 = nullptr;
  QSlider* horizontalSlider_1 = nullptr;
  QGroupBox* groupBox_21 = nullptr;
  QHBoxLayout* hboxLayout12 = nullptr;
  QCheckBox* show_4 = nullptr;
  QDoubleSpinBox* doubleSpinBox_4 = nullptr;
  QSlider* horizontalSlider_4 = nullptr;
  QGroupBox* groupBox_19 = nullptr;
  QHBoxLayout* hboxLayout13 = nullptr;
  QCheckBox* show_2 = nullptr;
  QDoubleSpinBox* doubleSpinBox_2 = nullptr;
  QSlider* horizontalSlider_2 = nullptr;
  QGroupBox* groupBox_20 = nullptr;
  QHBoxLayout* hboxLayout14 = nullptr;
  QCheckBox* show_3 = nullptr;
  QDoubleSpinBox* doubleSpinBox_3 = nullptr;
  QSlider* horizontalSlider_3 = nullptr;
  QGroupBox* groupBox_26 = nullptr;
  QHBoxLayout* hboxLayout15 = nullptr;
  QCheckBox* show_9 = nullptr;
  QDoubleSpinBox* doubleSpinBox_9 = nullptr;
  QSlider* horizontalSlider_9 = nullptr;
  QGroupBox* groupBox_22 = nullptr;
  QHBoxLayout* hboxLayout16 = nullptr;
  QCheckBox* show_5 = nullptr;
  QDoubleSpinBox* doubleSpinBox_5 = nullptr;
  QSlider* horizontalSlider_5 = nullptr;
  QGroupBox* groupBox_23 = nullptr;
  QHBoxLayout* hboxLayout17 = nullptr;
  QCheckBox* show_6 = nullptr;
  QDoubleSpinBox* doubleSpinBox_6 = nullptr;
  QSlider* horizontalSlider_6 = nullptr;
  QGroupBox* groupBox_25 = nullptr;
  QHBoxLayout* hboxLayout18 = nullptr;
  QCheckBox* show_8 = nullptr;
  QDoubleSpinBox* doubleSpinBox_8 = nullptr;
  QSlider* horizontalSlider_8 = nullptr;
  QSpacerItem* spacerItem6 = nullptr;

  QDockWidget* viewerDock = nullptr;
  QWidget* dockWidgetContents = nullptr;
  QVBoxLayout* vboxLayout6 = nullptr;
  QHBoxLayout* hboxLayout19 = nullptr;
  QVBoxLayout* vboxLayout7 = nullptr;
  QSpacerItem* spacerItem7 = nullptr;
  QCheckBox* autoRotX = nullptr;
  QSlider* shiftYSlider = nullptr;
  QScrollBar* rotXScrollBar = nullptr;
  RenderView* qvtkWidget = nullptr;
  QVBoxLayout* vboxLayout8 = nullptr;
  QHBoxLayout* hboxLayout20 = nullptr;
  QHBoxLayout* hboxLayout21 = nullptr;
  QLabel* label_2 = nullptr;
  QScrollBar* rotYScrollBar = nullptr;
  QCheckBox* autoRotY = nullptr;
  QHBoxLayout* hboxLayout22 = nullptr;
  QLabel* label_3 = nullptr;
  QSlider* shiftXSlider = nullptr;
  QSpacerItem* spacerItem8 = nullptr;
  QPushButton* resetButton = nullptr;
  QPushButton* centerButton = nullptr;
  QSpacerItem* spacerItem9 = nullptr;
  QPushButton* showAllButton = nullptr;
  QPushButton* hideAllButton = nullptr;
  QGroupBox* audioGuideGroup = nullptr;
  QHBoxLayout* hboxLayout23 = nullptr;
  QPushButton* audioGuideButton1 = nullptr;
  QPushButton* audioGuideButton2 = nullptr;
  QSpacerItem* spacerItem10 = nullptr;
  QSpacerItem* spacerItem11 = nullptr;
  QHBoxLayout* hboxLayout24 = nullptr;
  QLabel* label_6 = nullptr;
  QScrollBar* zoomScrollBar = nullptr;

  QStatusBar* statusbar = nullptr;
  QMenuBar* menubar = nullptr;
  QMenu* menuView = nullptr;
  QMenu* menuHelp_2 = nullptr;
  QMenu* menuFile = nullptr;
};
