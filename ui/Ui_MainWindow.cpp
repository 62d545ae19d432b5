#include "ui/Ui_MainWindow.h"
#include "ui/BoundedImage.h"
#include "ui/LayoutFit.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDockWidget>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMetaObject>
#include <QPixmap>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QSpacerItem>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBox>
#include <QVBoxLayout>

#include <cstdio>

namespace {

constexpr int unlimited = 16777215; // QWIDGETSIZE_MAX

// Every field is set so that nothing is left to the platform's default font.
QFont
makeFont(const QString& family, int pointSize, int weight)
{
  QFont font;
  font.setFamily(family);
  font.setPointSize(pointSize);
  font.setBold(weight >= QFont::Bold);
  font.setItalic(false);
  font.setUnderline(false);
  font.setWeight(weight);
  font.setStrikeOut(false);
  return font;
}

void
setPolicy(QWidget* widget, QSizePolicy::Policy horizontal, QSizePolicy::Policy vertical)
{
  QSizePolicy policy(horizontal, vertical);
  policy.setHorizontalStretch(0);
  policy.setVerticalStretch(0);
  policy.setHeightForWidth(widget->sizePolicy().hasHeightForWidth());
  widget->setSizePolicy(policy);
}

template<typename Layout>
Layout*
newLayout(QWidget* parent, const char* name, int spacing, int margin)
{
  auto* layout = parent ? new Layout(parent) : new Layout();
  if (spacing >= 0) {
    layout->setSpacing(spacing);
  }
  if (margin >= 0) {
    layout->setContentsMargins(margin, margin, margin, margin);
  }
  layout->setObjectName(QString::fromLatin1(name));
  return layout;
}

constexpr int toolkitDefault = -1;

QSpacerItem*
horizontalSpacer(int width = 40, int height = 20)
{
  return new QSpacerItem(width, height, QSizePolicy::Expanding, QSizePolicy::Minimum);
}

template<typename Widget>
Widget*
newWidget(QWidget* parent, const char* name)
{
  auto* widget = new Widget(parent);
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

QCheckBox*
newPlaneCheckBox(QWidget* page, const char* name)
{
  auto* box = newWidget<QCheckBox>(page, name);
  box->setLayoutDirection(Qt::RightToLeft);
  return box;
}

QSlider*
newClipSlider(QWidget* page, const char* name)
{
  auto* slider = newWidget<QSlider>(page, name);
  slider->setMinimum(-1);
  slider->setMaximum(1);
  slider->setOrientation(Qt::Horizontal);
  // Marks at the three positions: off in the middle, one side or the other.
  slider->setTickPosition(QSlider::TicksBelow);
  slider->setTickInterval(1);
  return slider;
}

QSpinBox*
newSectionSpinBox(QWidget* page, const char* name, int maximum, int value)
{
  auto* spinBox = newWidget<QSpinBox>(page, name);
  spinBox->setMinimum(1);
  spinBox->setMaximum(maximum);
  spinBox->setValue(value);
  return spinBox;
}

QScrollBar*
newScrollBar(QWidget* parent,
             const char* name,
             int minimum,
             int maximum,
             Qt::Orientation orientation)
{
  auto* scrollBar = newWidget<QScrollBar>(parent, name);
  scrollBar->setMinimum(minimum);
  scrollBar->setMaximum(maximum);
  scrollBar->setOrientation(orientation);
  return scrollBar;
}

QScrollBar*
newSectionScrollBar(QWidget* page, const char* name, int maximum, int value)
{
  auto* scrollBar = newScrollBar(page, name, 1, maximum, Qt::Horizontal);
  scrollBar->setValue(value);
  scrollBar->setSliderPosition(value);
  return scrollBar;
}

void
buildStructureRow(QWidget* page,
                  QVBoxLayout* pageLayout,
                  const QFont& checkBoxFont,
                  const char* boxName,
                  const char* rowName,
                  int number,
                  QGroupBox*& box,
                  QHBoxLayout*& row,
                  QCheckBox*& show,
                  QDoubleSpinBox*& spinBox,
                  QSlider*& slider)
{
  const QByteArray digit = QByteArray::number(number);

  box = newWidget<QGroupBox>(page, boxName);
  setPolicy(box, QSizePolicy::Preferred, QSizePolicy::Fixed);
  box->setMinimumSize(QSize(0, 45));
  box->setMaximumSize(QSize(unlimited, 45));
  row = newLayout<QHBoxLayout>(box, rowName, 1, 5);

  show = newWidget<QCheckBox>(box, ("show_" + digit).constData());
  show->setFont(checkBoxFont);
  row->addWidget(show);

  spinBox = newWidget<QDoubleSpinBox>(box, ("doubleSpinBox_" + digit).constData());
  spinBox->setMaximumSize(QSize(45, unlimited));
  spinBox->setDecimals(1);
  spinBox->setMaximum(1.0);
  spinBox->setSingleStep(0.1);
  spinBox->setValue(0.0);
  row->addWidget(spinBox);

  slider = newWidget<QSlider>(box, ("horizontalSlider_" + digit).constData());
  slider->setOrientation(Qt::Horizontal);
  row->addWidget(slider);

  pageLayout->addWidget(box);
}

QString
translated(const char* text)
{
  return QCoreApplication::translate("MainWindow", text);
}

} // namespace

Ui_MainWindow::Ui_MainWindow(QWidget* parent)
  : QMainWindow(parent)
{
}

Ui_MainWindow::StructureRowControls
Ui_MainWindow::addStructureRow(int number)
{
  const QByteArray digits = QByteArray::number(number);
  StructureRowControls controls{};
  QHBoxLayout* row = nullptr;
  // Built at the end of the page, then moved before the spacer that keeps the rows at the top.
  buildStructureRow(page,
                    vboxLayout5,
                    show_1->font(),
                    ("groupBox_s" + digits).constData(),
                    ("hboxLayout_s" + digits).constData(),
                    number,
                    controls.box,
                    row,
                    controls.show,
                    controls.spinBox,
                    controls.slider);
  vboxLayout5->removeItem(spacerItem6);
  vboxLayout5->addItem(spacerItem6);
  controls.show->setText(show_1->text());
  fitStructureRows(page);
  return controls;
}

void
Ui_MainWindow::setupUi(QMainWindow* window)
{
  substituteWindowsFonts();
  const QFont windowFont = makeFont(QStringLiteral("MS Shell Dlg 2"), 8, QFont::Bold);
  const QFont checkBoxFont = makeFont(QStringLiteral("MS Shell Dlg 2"), 8, QFont::Normal);
  const QFont menuFont = makeFont(QStringLiteral("Tahoma"), 10, QFont::Bold);

  if (window->objectName().isEmpty()) {
    window->setObjectName(QStringLiteral("MainWindow"));
  }
  setPolicy(window, QSizePolicy::Maximum, QSizePolicy::Maximum);
  window->setFont(windowFont);
  // Read through a pixmap: QIcon(fileName) would give a non-null icon without pixels for a
  // missing file, where a missing file must leave the window without an icon. The file is
  // outside the program's control: a regular file only, its size checked before decoding.
  const QString iconFile = QStringLiteral("../Cochlex_KT_source/icon.png");
  const ImageRead icon = readBoundedImage(iconFile);
  if (!icon.missing && !icon.problem.isEmpty()) {
    std::printf("The window icon %s %s.\n", qPrintable(iconFile), qPrintable(icon.problem));
    std::fflush(stdout);
  }
  window->setWindowIcon(icon.image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(icon.image)));
  window->setAutoFillBackground(true);

  actionLoad_Teaching_Model = newWidget<QAction>(window, "actionLoad_Teaching_Model");
  actionLoad_VRML_File = newWidget<QAction>(window, "actionLoad_VRML_File");
  actionLoad_VTK_File = newWidget<QAction>(window, "actionLoad_VTK_File");
  actionViewer_Dock = newWidget<QAction>(window, "actionViewer_Dock");
  actionHead = newWidget<QAction>(window, "actionHead");
  actionHide_Head = newWidget<QAction>(window, "actionHide_Head");
  actionStereo_View = newWidget<QAction>(window, "actionStereo_View");
  actionView_All = newWidget<QAction>(window, "actionView_All");
  actionHide_All = newWidget<QAction>(window, "actionHide_All");
  actionReset = newWidget<QAction>(window, "actionReset");
  actionCenter = newWidget<QAction>(window, "actionCenter");
  actionCochlex_Help = newWidget<QAction>(window, "actionCochlex_Help");
  actionAbout_Cochlex = newWidget<QAction>(window, "actionAbout_Cochlex");
  actionFull_Screen = newWidget<QAction>(window, "actionFull_Screen");
  actionOpen_Teaching_Model = newWidget<QAction>(window, "actionOpen_Teaching_Model");
  actionQuit = newWidget<QAction>(window, "actionQuit");
  actionLoad_Report = newWidget<QAction>(window, "actionLoad_Report");
  // Only a load with problems has a report to show.
  actionLoad_Report->setEnabled(false);
  actionSave_Screenshot = newWidget<QAction>(window, "actionSave_Screenshot");
  actionQuiz = newWidget<QAction>(window, "actionQuiz");
  actionQuiz->setCheckable(true);
  actionQuiz->setShortcut(QKeySequence(QStringLiteral("Ctrl+K")));

  centralwidget = newWidget<QWidget>(window, "centralwidget");
  hboxLayout = newLayout<QHBoxLayout>(centralwidget, "hboxLayout", 6, 9);

  controlPanel = newWidget<QGroupBox>(centralwidget, "controlPanel");
  setPolicy(controlPanel, QSizePolicy::Fixed, QSizePolicy::Expanding);
  controlPanel->setMinimumSize(QSize(274, 0));
  controlPanel->setMaximumSize(QSize(274, unlimited));
  vboxLayout = newLayout<QVBoxLayout>(controlPanel, "vboxLayout", toolkitDefault, toolkitDefault);

  // The head dock is an ordinary child of the control panel, never docked to the window.
  headDock = newWidget<QDockWidget>(controlPanel, "headDock");
  setPolicy(headDock, QSizePolicy::Expanding, QSizePolicy::Expanding);
  headDock->setMinimumSize(QSize(250, 220));
  headDock->setMaximumSize(QSize(unlimited, unlimited));
  headDock->setWindowIcon(QIcon());
  headDock->setFloating(false);
  headDock->setAllowedAreas(Qt::TopDockWidgetArea);
  dockWidgetContents_2 = newWidget<QWidget>(headDock, "dockWidgetContents_2");
  vboxLayout1 = newLayout<QVBoxLayout>(dockWidgetContents_2, "vboxLayout1", 6, 9);
  qvtkHead = newWidget<RenderView>(dockWidgetContents_2, "qvtkHead");
  qvtkHead->setMinimumSize(QSize(225, 180));
  qvtkHead->setMaximumSize(QSize(225, 180));
  vboxLayout1->addWidget(qvtkHead);
  headDock->setWidget(dockWidgetContents_2);
  vboxLayout->addWidget(headDock);

  // The pages' object names carry other letters than their tab texts; the slots rely on them.
  sectionsTab = newWidget<QTabWidget>(controlPanel, "sectionsTab");
  setPolicy(sectionsTab, QSizePolicy::Preferred, QSizePolicy::Fixed);
  sectionsTab->setFont(windowFont);

  xTab = newWidget<QWidget>(nullptr, "xTab");
  vboxLayout2 = newLayout<QVBoxLayout>(xTab, "vboxLayout2", 6, 9);
  hboxLayout1 = newLayout<QHBoxLayout>(nullptr, "hboxLayout1", 6, 0);
  showZPlane = newPlaneCheckBox(xTab, "showZPlane");
  hboxLayout1->addWidget(showZPlane);
  spacerItem = horizontalSpacer();
  hboxLayout1->addItem(spacerItem);
  vboxLayout2->addLayout(hboxLayout1);
  hboxLayout2 = newLayout<QHBoxLayout>(nullptr, "hboxLayout2", 6, 0);
  label = newWidget<QLabel>(xTab, "label");
  hboxLayout2->addWidget(label);
  clipZ = newClipSlider(xTab, "clipZ");
  clipZTicks = new TickLabels(clipZ, xTab);
  clipZTicks->setObjectName(QStringLiteral("clipZTicks"));
  hboxLayout2->addWidget(clipZTicks);
  spacerItem1 = horizontalSpacer();
  hboxLayout2->addItem(spacerItem1);
  vboxLayout2->addLayout(hboxLayout2);
  hboxLayout3 = newLayout<QHBoxLayout>(nullptr, "hboxLayout3", 6, 0);
  sectionNumberXLabel = newWidget<QLabel>(xTab, "sectionNumberXLabel");
  hboxLayout3->addWidget(sectionNumberXLabel);
  spinBox_z = newSectionSpinBox(xTab, "spinBox_z", 115, 58);
  hboxLayout3->addWidget(spinBox_z);
  sectionNumberZ = newSectionScrollBar(xTab, "sectionNumberZ", 115, 58);
  hboxLayout3->addWidget(sectionNumberZ);
  vboxLayout2->addLayout(hboxLayout3);
  sectionsTab->addTab(xTab, QString());

  yTab = newWidget<QWidget>(nullptr, "yTab");
  vboxLayout3 = newLayout<QVBoxLayout>(yTab, "vboxLayout3", 6, 9);
  hboxLayout4 = newLayout<QHBoxLayout>(nullptr, "hboxLayout4", 6, 0);
  showXPlane = newPlaneCheckBox(yTab, "showXPlane");
  hboxLayout4->addWidget(showXPlane);
  spacerItem2 = horizontalSpacer();
  hboxLayout4->addItem(spacerItem2);
  vboxLayout3->addLayout(hboxLayout4);
  hboxLayout5 = newLayout<QHBoxLayout>(nullptr, "hboxLayout5", 6, 0);
  label_4 = newWidget<QLabel>(yTab, "label_4");
  hboxLayout5->addWidget(label_4);
  clipX = newClipSlider(yTab, "clipX");
  clipXTicks = new TickLabels(clipX, yTab);
  clipXTicks->setObjectName(QStringLiteral("clipXTicks"));
  hboxLayout5->addWidget(clipXTicks);
  spacerItem3 = horizontalSpacer();
  hboxLayout5->addItem(spacerItem3);
  vboxLayout3->addLayout(hboxLayout5);
  hboxLayout6 = newLayout<QHBoxLayout>(nullptr, "hboxLayout6", 6, 0);
  sectionNumberYLabel = newWidget<QLabel>(yTab, "sectionNumberYLabel");
  hboxLayout6->addWidget(sectionNumberYLabel);
  spinBox_x = newSectionSpinBox(yTab, "spinBox_x", 748, 374);
  hboxLayout6->addWidget(spinBox_x);
  sectionNumberX = newSectionScrollBar(yTab, "sectionNumberX", 748, 374);
  hboxLayout6->addWidget(sectionNumberX);
  vboxLayout3->addLayout(hboxLayout6);
  sectionsTab->addTab(yTab, QString());

  zTab = newWidget<QWidget>(nullptr, "zTab");
  vboxLayout4 = newLayout<QVBoxLayout>(zTab, "vboxLayout4", 6, 9);
  hboxLayout7 = newLayout<QHBoxLayout>(nullptr, "hboxLayout7", 6, 0);
  showYPlane = newPlaneCheckBox(zTab, "showYPlane");
  hboxLayout7->addWidget(showYPlane);
  spacerItem4 = horizontalSpacer();
  hboxLayout7->addItem(spacerItem4);
  vboxLayout4->addLayout(hboxLayout7);
  hboxLayout8 = newLayout<QHBoxLayout>(nullptr, "hboxLayout8", 6, 0);
  label_5 = newWidget<QLabel>(zTab, "label_5");
  hboxLayout8->addWidget(label_5);
  clipY = newClipSlider(zTab, "clipY");
  clipYTicks = new TickLabels(clipY, zTab);
  clipYTicks->setObjectName(QStringLiteral("clipYTicks"));
  hboxLayout8->addWidget(clipYTicks);
  spacerItem5 = horizontalSpacer();
  hboxLayout8->addItem(spacerItem5);
  vboxLayout4->addLayout(hboxLayout8);
  hboxLayout9 = newLayout<QHBoxLayout>(nullptr, "hboxLayout9", 6, 0);
  sectionNumberZLabel = newWidget<QLabel>(zTab, "sectionNumberZLabel");
  hboxLayout9->addWidget(sectionNumberZLabel);
  spinBox_y = newSectionSpinBox(zTab, "spinBox_y", 552, 276);
  hboxLayout9->addWidget(spinBox_y);
  sectionNumberY = newSectionScrollBar(zTab, "sectionNumberY", 552, 276);
  hboxLayout9->addWidget(sectionNumberY);
  vboxLayout4->addLayout(hboxLayout9);
  sectionsTab->addTab(zTab, QString());

  vboxLayout->addWidget(sectionsTab);

  toolBox = newWidget<QToolBox>(controlPanel, "toolBox");
  toolBox->setFrameShape(QFrame::WinPanel);
  toolBox->setFrameShadow(QFrame::Sunken);
  page = newWidget<QWidget>(nullptr, "page");
  page->setGeometry(QRect(0, 0, 233, 477));
  vboxLayout5 = newLayout<QVBoxLayout>(page, "vboxLayout5", toolkitDefault, toolkitDefault);
  // Layout order differs from the structure numbers in the names.
  buildStructureRow(page,
                    vboxLayout5,
                    checkBoxFont,
                    "groupBox_24",
                    "hboxLayout10",
                    7,
                    groupBox_24,
                    hboxLayout10,
                    show_7,
                    doubleSpinBox_7,
                    horizontalSlider_7);
  buildStructureRow(page,
                    vboxLayout5,
                    checkBoxFont,
                    "groupBox_1",
                    "hboxLayout11",
                    1,
                    groupBox_1,
                    hboxLayout11,
                    show_1,
                    doubleSpinBox_1,
                    horizontalSlider_1);
  buildStructureRow(page,
                    vboxLayout5,
                    checkBoxFont,
                    "groupBox_21",
                    "hboxLayout12",
                    4,
                    groupBox_21,
                    hboxLayout12,
                    show_4,
                    doubleSpinBox_4,
                    horizontalSlider_4);
  buildStructureRow(page,
                    vboxLayout5,
                    checkBoxFont,
                    "groupBox_19",
                    "hboxLayout13",
                    2,
                    groupBox_19,
                    hboxLayout13,
                    show_2,
                    doubleSpinBox_2,
                    horizontalSlider_2);
  buildStructureRow(page,
                    vboxLayout5,
                    checkBoxFont,
                    "groupBox_20",
                    "hboxLayout14",
                    3,
                    groupBox_20,
                    hboxLayout14,
                    show_3,
                    doubleSpinBox_3,
                    horizontalSlider_3);
  buildStructureRow(page,
                    vboxLayout5,
                    checkBoxFont,
                    "groupBox_26",
                    "hboxLayout15",
                    9,
                    groupBox_26,
                    hboxLayout15,
                    show_9,
                    doubleSpinBox_9,
                    horizontalSlider_9);
  buildStructureRow(page,
                    vboxLayout5,
                    checkBoxFont,
                    "groupBox_22",
                    "hboxLayout16",
                    5,
                    groupBox_22,
                    hboxLayout16,
                    show_5,
                    doubleSpinBox_5,
                    horizontalSlider_5);
  buildStructureRow(page,
                    vboxLayout5,
                    checkBoxFont,
                    "groupBox_23",
                    "hboxLayout17",
                    6,
                    groupBox_23,
                    hboxLayout17,
                    show_6,
                    doubleSpinBox_6,
                    horizontalSlider_6);
  buildStructureRow(page,
                    vboxLayout5,
                    checkBoxFont,
                    "groupBox_25",
                    "hboxLayout18",
                    8,
                    groupBox_25,
                    hboxLayout18,
                    show_8,
                    doubleSpinBox_8,
                    horizontalSlider_8);
  spacerItem6 = new QSpacerItem(215, 16, QSizePolicy::Minimum, QSizePolicy::Expanding);
  vboxLayout5->addItem(spacerItem6);
  toolBox->addItem(page, QIcon(), translated("Visibility and Transparency"));
  vboxLayout->addWidget(toolBox);

  hboxLayout->addWidget(controlPanel);

  viewerDock = newWidget<QDockWidget>(centralwidget, "viewerDock");
  setPolicy(viewerDock, QSizePolicy::Expanding, QSizePolicy::Expanding);
  viewerDock->setAllowedAreas(Qt::RightDockWidgetArea);
  dockWidgetContents = newWidget<QWidget>(viewerDock, "dockWidgetContents");
  vboxLayout6 = newLayout<QVBoxLayout>(dockWidgetContents, "vboxLayout6", 6, 9);

  hboxLayout19 = newLayout<QHBoxLayout>(nullptr, "hboxLayout19", 6, 0);
  vboxLayout7 = newLayout<QVBoxLayout>(nullptr, "vboxLayout7", 6, 0);
  spacerItem7 = new QSpacerItem(20, 40, QSizePolicy::Minimum, QSizePolicy::Expanding);
  vboxLayout7->addItem(spacerItem7);
  autoRotX = newWidget<QCheckBox>(dockWidgetContents, "autoRotX");
  vboxLayout7->addWidget(autoRotX);
  shiftYSlider = newWidget<QSlider>(dockWidgetContents, "shiftYSlider");
  shiftYSlider->setMinimumSize(QSize(0, 60));
  shiftYSlider->setMaximumSize(QSize(unlimited, 60));
  shiftYSlider->setMinimum(-500);
  shiftYSlider->setMaximum(500);
  shiftYSlider->setOrientation(Qt::Vertical);
  vboxLayout7->addWidget(shiftYSlider);
  rotXScrollBar = newScrollBar(dockWidgetContents, "rotXScrollBar", -89, 89, Qt::Vertical);
  rotXScrollBar->setMinimumSize(QSize(0, 80));
  rotXScrollBar->setMaximumSize(QSize(unlimited, 80));
  vboxLayout7->addWidget(rotXScrollBar);
  hboxLayout19->addLayout(vboxLayout7);
  qvtkWidget = newWidget<RenderView>(dockWidgetContents, "qvtkWidget");
  setPolicy(qvtkWidget, QSizePolicy::Expanding, QSizePolicy::Expanding);
  qvtkWidget->setMinimumSize(QSize(0, 0));
  hboxLayout19->addWidget(qvtkWidget);
  vboxLayout6->addLayout(hboxLayout19);

  vboxLayout8 = newLayout<QVBoxLayout>(nullptr, "vboxLayout8", 6, 0);
  hboxLayout20 = newLayout<QHBoxLayout>(nullptr, "hboxLayout20", 6, 0);
  hboxLayout21 = newLayout<QHBoxLayout>(nullptr, "hboxLayout21", 6, 0);
  label_2 = newWidget<QLabel>(dockWidgetContents, "label_2");
  hboxLayout21->addWidget(label_2);
  rotYScrollBar = newScrollBar(dockWidgetContents, "rotYScrollBar", -180, 180, Qt::Horizontal);
  rotYScrollBar->setMinimumSize(QSize(80, 0));
  rotYScrollBar->setMaximumSize(QSize(80, unlimited));
  hboxLayout21->addWidget(rotYScrollBar);
  hboxLayout20->addLayout(hboxLayout21);
  autoRotY = newWidget<QCheckBox>(dockWidgetContents, "autoRotY");
  hboxLayout20->addWidget(autoRotY);
  hboxLayout22 = newLayout<QHBoxLayout>(nullptr, "hboxLayout22", 6, 0);
  label_3 = newWidget<QLabel>(dockWidgetContents, "label_3");
  hboxLayout22->addWidget(label_3);
  shiftXSlider = newWidget<QSlider>(dockWidgetContents, "shiftXSlider");
  shiftXSlider->setMinimumSize(QSize(60, 0));
  shiftXSlider->setMaximumSize(QSize(60, unlimited));
  shiftXSlider->setMinimum(-500);
  shiftXSlider->setMaximum(500);
  shiftXSlider->setOrientation(Qt::Horizontal);
  hboxLayout22->addWidget(shiftXSlider);
  hboxLayout20->addLayout(hboxLayout22);
  spacerItem8 = horizontalSpacer();
  hboxLayout20->addItem(spacerItem8);
  resetButton = newWidget<QPushButton>(dockWidgetContents, "resetButton");
  hboxLayout20->addWidget(resetButton);
  centerButton = newWidget<QPushButton>(dockWidgetContents, "centerButton");
  hboxLayout20->addWidget(centerButton);
  spacerItem9 = horizontalSpacer();
  hboxLayout20->addItem(spacerItem9);
  showAllButton = newWidget<QPushButton>(dockWidgetContents, "showAllButton");
  hboxLayout20->addWidget(showAllButton);
  hideAllButton = newWidget<QPushButton>(dockWidgetContents, "hideAllButton");
  hboxLayout20->addWidget(hideAllButton);
  audioGuideGroup = newWidget<QGroupBox>(dockWidgetContents, "audioGuideGroup");
  hboxLayout23 =
    newLayout<QHBoxLayout>(audioGuideGroup, "hboxLayout23", toolkitDefault, toolkitDefault);
  audioGuideButton1 = newWidget<QPushButton>(audioGuideGroup, "audioGuideButton1");
  hboxLayout23->addWidget(audioGuideButton1);
  audioGuideButton2 = newWidget<QPushButton>(audioGuideGroup, "audioGuideButton2");
  hboxLayout23->addWidget(audioGuideButton2);
  hboxLayout20->addWidget(audioGuideGroup);
  spacerItem10 = horizontalSpacer();
  hboxLayout20->addItem(spacerItem10);
  spacerItem11 = horizontalSpacer(16, 20);
  hboxLayout20->addItem(spacerItem11);
  hboxLayout24 = newLayout<QHBoxLayout>(nullptr, "hboxLayout24", 6, 0);
  label_6 = newWidget<QLabel>(dockWidgetContents, "label_6");
  hboxLayout24->addWidget(label_6);
  zoomScrollBar = newScrollBar(dockWidgetContents, "zoomScrollBar", 0, 200, Qt::Horizontal);
  zoomScrollBar->setMinimumSize(QSize(80, 0));
  zoomScrollBar->setMaximumSize(QSize(80, unlimited));
  zoomScrollBar->setValue(100);
  zoomScrollBar->setSliderPosition(100);
  hboxLayout24->addWidget(zoomScrollBar);
  hboxLayout20->addLayout(hboxLayout24);
  vboxLayout8->addLayout(hboxLayout20);
  vboxLayout6->addLayout(vboxLayout8);
  viewerDock->setWidget(dockWidgetContents);
  hboxLayout->addWidget(viewerDock);

  window->setCentralWidget(centralwidget);

  statusbar = newWidget<QStatusBar>(window, "statusbar");
  window->setStatusBar(statusbar);

  menubar = newWidget<QMenuBar>(window, "menubar");
  menubar->setGeometry(QRect(0, 0, 1144, 24));
  menubar->setFont(menuFont);
  menuView = newWidget<QMenu>(menubar, "menuView");
  menuHelp_2 = newWidget<QMenu>(menubar, "menuHelp_2");
  menuFile = newWidget<QMenu>(menubar, "menuFile");
  menuFile->setFont(menuFont);
  window->setMenuBar(menubar);

  // Sized once the tree exists, so that the start size can hold the whole layout.
  window->resize(QSize(1144, 901).expandedTo(window->minimumSizeHint()));

  QWidget::setTabOrder(qvtkWidget, sectionsTab);
  QWidget::setTabOrder(sectionsTab, clipX);
  QWidget::setTabOrder(clipX, showZPlane);
  QWidget::setTabOrder(showZPlane, showYPlane);
  QWidget::setTabOrder(showYPlane, showXPlane);
  QWidget::setTabOrder(showXPlane, clipY);
  QWidget::setTabOrder(clipY, clipZ);

  menubar->addAction(menuFile->menuAction());
  menubar->addAction(menuView->menuAction());
  menubar->addAction(menuHelp_2->menuAction());
  menuFile->addAction(actionOpen_Teaching_Model);
  menuFile->addAction(actionSave_Screenshot);
  menuFile->addSeparator();
  menuFile->addAction(actionQuit);
  menuView->addAction(actionViewer_Dock);
  menuView->addAction(actionHead);
  menuView->addSeparator();
  menuView->addAction(actionStereo_View);
  menuView->addSeparator();
  menuView->addAction(actionView_All);
  menuView->addAction(actionHide_All);
  menuView->addAction(actionReset);
  menuView->addAction(actionCenter);
  menuView->addSeparator();
  menuView->addAction(actionFull_Screen);
  menuView->addSeparator();
  menuView->addAction(actionQuiz);
  menuHelp_2->addAction(actionCochlex_Help);
  menuHelp_2->addAction(actionAbout_Cochlex);
  menuHelp_2->addSeparator();
  menuHelp_2->addAction(actionLoad_Report);

  retranslateUi(window);
  // Measured with their titles, in the fonts the rows inherit from the window's tree.
  fitStructureRows(page);
  keepStructureRowsInView(toolBox, page, 5);
  tightenSectionTabs(sectionsTab);

  sectionsTab->setCurrentIndex(0);
  toolBox->setCurrentIndex(0);

  QMetaObject::connectSlotsByName(window);
}

void
Ui_MainWindow::retranslateUi(QMainWindow* window)
{
  window->setWindowTitle(translated("MainWindow -- Cochlex"));
  actionLoad_Teaching_Model->setText(translated("Load Temporal Bone Model"));
  actionLoad_VRML_File->setText(translated("Load VRML File"));
  actionLoad_VTK_File->setText(translated("Load VTK File"));
  actionViewer_Dock->setText(translated("View Model"));
  actionHead->setText(translated("View Head"));
  actionHide_Head->setText(translated("Hide Head"));
  actionStereo_View->setText(translated("Show Stereo"));
  actionView_All->setText(translated("View All"));
  actionHide_All->setText(translated("Hide All"));
  actionReset->setText(translated("Head Front View"));
  actionCenter->setText(translated("Center Models"));
  actionCochlex_Help->setText(translated("Cochlex Help"));
  actionAbout_Cochlex->setText(translated("About Cochlex"));
  actionFull_Screen->setText(translated("Full Screen"));
  actionOpen_Teaching_Model->setText(translated("Open Teaching Model..."));
  actionOpen_Teaching_Model->setShortcut(QKeySequence(translated("Ctrl+O")));
  actionQuit->setText(translated("Quit"));
  actionQuit->setShortcut(QKeySequence(translated("Ctrl+Q")));
  actionLoad_Report->setText(translated("Load Report"));
  actionSave_Screenshot->setText(translated("Save Screenshot..."));
  actionSave_Screenshot->setShortcut(QKeySequence(translated("Ctrl+S")));
  actionQuiz->setText(translated("Quiz: Find the Structure"));
  controlPanel->setTitle(translated("ControlPanel"));
  headDock->setWindowTitle(translated("Head"));
  showZPlane->setText(translated("Show X Plane"));
  label->setText(translated("Clipping"));
  sectionNumberXLabel->setText(translated("Section #"));
  sectionsTab->setTabText(sectionsTab->indexOf(xTab), translated("X Plane"));
  showXPlane->setText(translated("Show Y Plane"));
  label_4->setText(translated("Clipping"));
  sectionNumberYLabel->setText(translated("Section #"));
  sectionsTab->setTabText(sectionsTab->indexOf(yTab), translated("Y Plane"));
  showYPlane->setText(translated("Show Z Plane"));
  label_5->setText(translated("Clipping"));
  sectionNumberZLabel->setText(translated("Section #"));
  sectionsTab->setTabText(sectionsTab->indexOf(zTab), translated("Z Plane"));
  groupBox_24->setTitle(translated("Capsular Ligamental Fibers"));
  show_7->setText(translated("Show"));
  groupBox_1->setTitle(translated("Incus"));
  show_1->setText(translated("Show"));
  groupBox_21->setTitle(translated("Incus Areolar Tissue"));
  show_4->setText(translated("Show"));
  groupBox_19->setTitle(translated("Incus Articular Cartilage"));
  show_2->setText(translated("Show"));
  groupBox_20->setTitle(translated("Incus Blood Vessels"));
  show_3->setText(translated("Show"));
  groupBox_26->setTitle(translated("Joint Space"));
  show_9->setText(translated("Show"));
  groupBox_22->setTitle(translated("Stapes"));
  show_5->setText(translated("Show"));
  groupBox_23->setTitle(translated("Stapes Articular Cartilage"));
  show_6->setText(translated("Show"));
  groupBox_25->setTitle(translated("Stapedius Tendon"));
  show_8->setText(translated("Show"));
  toolBox->setItemText(toolBox->indexOf(page), translated("Visibility and Transparency"));
  viewerDock->setToolTip(QString());
  viewerDock->setWindowTitle(translated("Model"));
  autoRotX->setToolTip(translated("Automatic rotation around X axis"));
  autoRotX->setText(QString());
  shiftYSlider->setToolTip(translated("Shift along Y"));
  rotXScrollBar->setToolTip(translated("Rotate around X"));
  qvtkWidget->setToolTip(QString());
  label_2->setText(translated("Rotate"));
  rotYScrollBar->setToolTip(translated("Rotate around Y"));
  autoRotY->setToolTip(translated("Automatic rotation around Y axis"));
  autoRotY->setText(QString());
  label_3->setText(translated("Pan"));
  shiftXSlider->setToolTip(translated("Shift along X"));
  resetButton->setText(translated("Frontal View"));
  centerButton->setText(translated("Center Models"));
  showAllButton->setText(translated("Show All"));
  hideAllButton->setText(translated("Hide All"));
  audioGuideGroup->setTitle(translated("Audio Guide"));
  audioGuideButton1->setText(translated("1"));
  audioGuideButton2->setText(translated("2"));
  label_6->setText(translated("Zoom"));
  menuView->setTitle(translated("View"));
  menuHelp_2->setTitle(translated("Help"));
  menuFile->setTitle(translated("File"));
}
