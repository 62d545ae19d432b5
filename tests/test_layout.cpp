// The main window's widget tree and texts, and the Help and About dialogs, each set up on a bare
// layout object.

#include "ui/Ui_About.h"
#include "ui/Ui_MainWindow.h"
#include "ui/Ui_help.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QSignalSpy>
#include <QSurfaceFormat>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTranslator>
#include <QVTKOpenGLNativeWidget.h>

#include <iterator>
#include <memory>
#include <vector>

namespace {

constexpr int unlimited = QWIDGETSIZE_MAX;

struct TextRow
{
  const char* object;
  const char* property;
  const char* text;
};

// Every text of the window, in the order retranslateUi applies them.
const TextRow textTable[] = {
  { "MainWindow", "windowTitle", "MainWindow -- Cochlex" },
  { "actionLoad_Teaching_Model", "text", "Load Temporal Bone Model" },
  { "actionLoad_VRML_File", "text", "Load VRML File" },
  { "actionLoad_VTK_File", "text", "Load VTK File" },
  { "actionViewer_Dock", "text", "View Model" },
  { "actionHead", "text", "View Head" },
  { "actionHide_Head", "text", "Hide Head" },
  { "actionStereo_View", "text", "Show Stereo" },
  { "actionView_All", "text", "View All" },
  { "actionHide_All", "text", "Hide All" },
  { "actionReset", "text", "Head Front View" },
  { "actionCenter", "text", "Center Models" },
  { "actionCochlex_Help", "text", "Cochlex Help" },
  { "actionAbout_Cochlex", "text", "About Cochlex" },
  { "actionFull_Screen", "text", "Full Screen" },
  { "controlPanel", "title", "ControlPanel" },
  { "headDock", "windowTitle", "Head" },
  { "showZPlane", "text", "Show X Plane" },
  { "label", "text", "Clipping" },
  { "sectionNumberXLabel", "text", "Section #" },
  { "xTab", "tabText", "X Plane" },
  { "showXPlane", "text", "Show Y Plane" },
  { "label_4", "text", "Clipping" },
  { "sectionNumberYLabel", "text", "Section #" },
  { "yTab", "tabText", "Y Plane" },
  { "showYPlane", "text", "Show Z Plane" },
  { "label_5", "text", "Clipping" },
  { "sectionNumberZLabel", "text", "Section #" },
  { "zTab", "tabText", "Z Plane" },
  { "groupBox_24", "title", "Capsular Ligamental Fibers" },
  { "show_7", "text", "Show" },
  { "groupBox_1", "title", "Incus" },
  { "show_1", "text", "Show" },
  { "groupBox_21", "title", "Incus Areolar Tissue" },
  { "show_4", "text", "Show" },
  { "groupBox_19", "title", "Incus Articular Cartilage" },
  { "show_2", "text", "Show" },
  { "groupBox_20", "title", "Incus Blood Vessels" },
  { "show_3", "text", "Show" },
  { "groupBox_26", "title", "Joint Space" },
  { "show_9", "text", "Show" },
  { "groupBox_22", "title", "Stapes" },
  { "show_5", "text", "Show" },
  { "groupBox_23", "title", "Stapes Articular Cartilage" },
  { "show_6", "text", "Show" },
  { "groupBox_25", "title", "Stapedius Tendon" },
  { "show_8", "text", "Show" },
  { "page", "itemText", "Visibility and Transparency" },
  { "viewerDock", "toolTip", "" },
  { "viewerDock", "windowTitle", "Model" },
  { "autoRotX", "toolTip", "Automatic rotation around X axis" },
  { "autoRotX", "text", "" },
  { "shiftYSlider", "toolTip", "Shift along Y" },
  { "rotXScrollBar", "toolTip", "Rotate around X" },
  { "qvtkWidget", "toolTip", "" },
  { "label_2", "text", "Rotate" },
  { "rotYScrollBar", "toolTip", "Rotate around Y" },
  { "autoRotY", "toolTip", "Automatic rotation around Y axis" },
  { "autoRotY", "text", "" },
  { "label_3", "text", "Pan" },
  { "shiftXSlider", "toolTip", "Shift along X" },
  { "resetButton", "text", "Frontal View" },
  { "centerButton", "text", "Center Models" },
  { "showAllButton", "text", "Show All" },
  { "hideAllButton", "text", "Hide All" },
  { "audioGuideGroup", "title", "Audio Guide" },
  { "audioGuideButton1", "text", "1" },
  { "audioGuideButton2", "text", "2" },
  { "label_6", "text", "Zoom" },
  { "menuView", "title", "View" },
  { "menuHelp_2", "title", "Help" },
  { "menuFile", "title", "File" },
};

// Answers every lookup with a marked text and remembers the lookups in order.
class RecordingTranslator : public QTranslator
{
public:
  QString translate(const char* context,
                    const char* sourceText,
                    const char* disambiguation,
                    int n) const override
  {
    Q_UNUSED(disambiguation)
    Q_UNUSED(n)
    calls.append(QString::fromUtf8(context) + QLatin1Char('|') + QString::fromUtf8(sourceText));
    return QString::fromUtf8(sourceText) + QStringLiteral(" [t]");
  }
  bool isEmpty() const override { return false; }

  mutable QStringList calls;
};

QString
readText(Ui_MainWindow& window, QObject* object, const QString& property)
{
  if (property == QLatin1String("tabText")) {
    const int index = window.sectionsTab->indexOf(qobject_cast<QWidget*>(object));
    return index < 0 ? QStringLiteral("<not a tab>") : window.sectionsTab->tabText(index);
  }
  if (property == QLatin1String("itemText")) {
    const int index = window.toolBox->indexOf(qobject_cast<QWidget*>(object));
    return index < 0 ? QStringLiteral("<not an item>") : window.toolBox->itemText(index);
  }
  return object->property(property.toLatin1().constData()).toString();
}

QObject*
findByName(QObject* root, const QString& name)
{
  if (root->objectName() == name) {
    return root;
  }
  const QList<QObject*> found = root->findChildren<QObject*>(name);
  return found.size() == 1 ? found.front() : nullptr;
}

// The nearest ancestor that bears a name of this program (the toolkit's internal helper widgets,
// such as a tab widget's page stack, are skipped).
QString
namedAncestor(QObject* object)
{
  for (QObject* ancestor = object->parent(); ancestor; ancestor = ancestor->parent()) {
    const QString name = ancestor->objectName();
    if (!name.isEmpty() && !name.startsWith(QLatin1String("qt_"))) {
      return name;
    }
  }
  return QString();
}

QStringList
actionNames(const QList<QAction*>& actions)
{
  QStringList names;
  for (QAction* action : actions) {
    names << (action->isSeparator() ? QStringLiteral("-") : action->objectName());
  }
  return names;
}

// Widgets that take keyboard focus by Tab, in focus-chain order starting at the window.
QList<QWidget*>
tabChain(QWidget* window)
{
  QList<QWidget*> chain;
  for (QWidget* widget = window->nextInFocusChain(); widget != window;
       widget = widget->nextInFocusChain()) {
    if ((widget->focusPolicy() & Qt::TabFocus) != 0) {
      chain << widget;
    }
  }
  return chain;
}

QStringList capturedMessages;

void
captureMessage(QtMsgType, const QMessageLogContext&, const QString& message)
{
  capturedMessages << message;
}

} // namespace

class LayoutTest : public QObject
{
  Q_OBJECT

private slots:
  void init();
  void cleanup();

  void everyObjectHasItsNameClassAndPlace();
  void layoutsHoldTheirItemsInOrder();
  void controlsStartWithTheirRangesAndValues();
  void sizeLimitsAndPolicies();
  void fontsAreSetOnTheirWidgetsOnly();
  void texts_data();
  void texts();
  void textsGoThroughTheTranslationCallInOrder();
  void menusHoldTheirEntriesInOrder();
  void tabOrderFollowsThePairs();
  void tabsCrossTheirLetters();
  void windowProperties();
  void windowKeepsAnExistingObjectName();
  void windowIconIsReadRelativeToTheWorkingDirectory();
  void helpDialog();
  void aboutDialog();
  void dialogLinksAndRemoteImagesLoadNothing();

private:
  std::unique_ptr<Ui_MainWindow> window;
};

void
LayoutTest::init()
{
  window = std::make_unique<Ui_MainWindow>();
  window->setupUi(window.get());
}

void
LayoutTest::cleanup()
{
  window.reset();
}

void
LayoutTest::everyObjectHasItsNameClassAndPlace()
{
  Ui_MainWindow* w = window.get();
  struct Entry
  {
    const char* name;
    QObject* member;
    const char* className;
    const char* ancestor;
    const char* field; // where the member is declared
  };
#define ENTRY(member, className, ancestor)                                                         \
  {                                                                                                \
#member, w->member, className, ancestor, reinterpret_cast < const char*>(&w->member)           \
  }
#define STRUCTURE_ROW(box, layout, n)                                                              \
  ENTRY(box, "QGroupBox", "page"), ENTRY(layout, "QHBoxLayout", #box),                             \
    ENTRY(show_##n, "QCheckBox", #box), ENTRY(doubleSpinBox_##n, "QDoubleSpinBox", #box),          \
    ENTRY(horizontalSlider_##n, "QSlider", #box)
  // In creation order.
  const std::vector<Entry> entries = {
    ENTRY(actionLoad_Teaching_Model, "QAction", "MainWindow"),
    ENTRY(actionLoad_VRML_File, "QAction", "MainWindow"),
    ENTRY(actionLoad_VTK_File, "QAction", "MainWindow"),
    ENTRY(actionViewer_Dock, "QAction", "MainWindow"),
    ENTRY(actionHead, "QAction", "MainWindow"),
    ENTRY(actionHide_Head, "QAction", "MainWindow"),
    ENTRY(actionStereo_View, "QAction", "MainWindow"),
    ENTRY(actionView_All, "QAction", "MainWindow"),
    ENTRY(actionHide_All, "QAction", "MainWindow"),
    ENTRY(actionReset, "QAction", "MainWindow"),
    ENTRY(actionCenter, "QAction", "MainWindow"),
    ENTRY(actionCochlex_Help, "QAction", "MainWindow"),
    ENTRY(actionAbout_Cochlex, "QAction", "MainWindow"),
    ENTRY(actionFull_Screen, "QAction", "MainWindow"),
    ENTRY(centralwidget, "QWidget", "MainWindow"),
    ENTRY(hboxLayout, "QHBoxLayout", "centralwidget"),
    ENTRY(controlPanel, "QGroupBox", "centralwidget"),
    ENTRY(vboxLayout, "QVBoxLayout", "controlPanel"),
    ENTRY(headDock, "QDockWidget", "controlPanel"),
    ENTRY(dockWidgetContents_2, "QWidget", "headDock"),
    ENTRY(vboxLayout1, "QVBoxLayout", "dockWidgetContents_2"),
    ENTRY(qvtkHead, "QVTKOpenGLNativeWidget", "dockWidgetContents_2"),
    ENTRY(sectionsTab, "QTabWidget", "controlPanel"),
    ENTRY(xTab, "QWidget", "sectionsTab"),
    ENTRY(vboxLayout2, "QVBoxLayout", "xTab"),
    ENTRY(hboxLayout1, "QHBoxLayout", "vboxLayout2"),
    ENTRY(showZPlane, "QCheckBox", "xTab"),
    ENTRY(hboxLayout2, "QHBoxLayout", "vboxLayout2"),
    ENTRY(label, "QLabel", "xTab"),
    ENTRY(clipZ, "QSlider", "xTab"),
    ENTRY(hboxLayout3, "QHBoxLayout", "vboxLayout2"),
    ENTRY(sectionNumberXLabel, "QLabel", "xTab"),
    ENTRY(spinBox_z, "QSpinBox", "xTab"),
    ENTRY(sectionNumberZ, "QScrollBar", "xTab"),
    ENTRY(yTab, "QWidget", "sectionsTab"),
    ENTRY(vboxLayout3, "QVBoxLayout", "yTab"),
    ENTRY(hboxLayout4, "QHBoxLayout", "vboxLayout3"),
    ENTRY(showXPlane, "QCheckBox", "yTab"),
    ENTRY(hboxLayout5, "QHBoxLayout", "vboxLayout3"),
    ENTRY(label_4, "QLabel", "yTab"),
    ENTRY(clipX, "QSlider", "yTab"),
    ENTRY(hboxLayout6, "QHBoxLayout", "vboxLayout3"),
    ENTRY(sectionNumberYLabel, "QLabel", "yTab"),
    ENTRY(spinBox_x, "QSpinBox", "yTab"),
    ENTRY(sectionNumberX, "QScrollBar", "yTab"),
    ENTRY(zTab, "QWidget", "sectionsTab"),
    ENTRY(vboxLayout4, "QVBoxLayout", "zTab"),
    ENTRY(hboxLayout7, "QHBoxLayout", "vboxLayout4"),
    ENTRY(showYPlane, "QCheckBox", "zTab"),
    ENTRY(hboxLayout8, "QHBoxLayout", "vboxLayout4"),
    ENTRY(label_5, "QLabel", "zTab"),
    ENTRY(clipY, "QSlider", "zTab"),
    ENTRY(hboxLayout9, "QHBoxLayout", "vboxLayout4"),
    ENTRY(sectionNumberZLabel, "QLabel", "zTab"),
    ENTRY(spinBox_y, "QSpinBox", "zTab"),
    ENTRY(sectionNumberY, "QScrollBar", "zTab"),
    ENTRY(toolBox, "QToolBox", "controlPanel"),
    ENTRY(page, "QWidget", "toolBox"),
    ENTRY(vboxLayout5, "QVBoxLayout", "page"),
    // The structure rows, in layout order.
    STRUCTURE_ROW(groupBox_24, hboxLayout10, 7),
    STRUCTURE_ROW(groupBox_1, hboxLayout11, 1),
    STRUCTURE_ROW(groupBox_21, hboxLayout12, 4),
    STRUCTURE_ROW(groupBox_19, hboxLayout13, 2),
    STRUCTURE_ROW(groupBox_20, hboxLayout14, 3),
    STRUCTURE_ROW(groupBox_26, hboxLayout15, 9),
    STRUCTURE_ROW(groupBox_22, hboxLayout16, 5),
    STRUCTURE_ROW(groupBox_23, hboxLayout17, 6),
    STRUCTURE_ROW(groupBox_25, hboxLayout18, 8),
    ENTRY(viewerDock, "QDockWidget", "centralwidget"),
    ENTRY(dockWidgetContents, "QWidget", "viewerDock"),
    ENTRY(vboxLayout6, "QVBoxLayout", "dockWidgetContents"),
    ENTRY(hboxLayout19, "QHBoxLayout", "vboxLayout6"),
    ENTRY(vboxLayout7, "QVBoxLayout", "hboxLayout19"),
    ENTRY(autoRotX, "QCheckBox", "dockWidgetContents"),
    ENTRY(shiftYSlider, "QSlider", "dockWidgetContents"),
    ENTRY(rotXScrollBar, "QScrollBar", "dockWidgetContents"),
    ENTRY(qvtkWidget, "QVTKOpenGLNativeWidget", "dockWidgetContents"),
    ENTRY(vboxLayout8, "QVBoxLayout", "vboxLayout6"),
    ENTRY(hboxLayout20, "QHBoxLayout", "vboxLayout8"),
    ENTRY(hboxLayout21, "QHBoxLayout", "hboxLayout20"),
    ENTRY(label_2, "QLabel", "dockWidgetContents"),
    ENTRY(rotYScrollBar, "QScrollBar", "dockWidgetContents"),
    ENTRY(autoRotY, "QCheckBox", "dockWidgetContents"),
    ENTRY(hboxLayout22, "QHBoxLayout", "hboxLayout20"),
    ENTRY(label_3, "QLabel", "dockWidgetContents"),
    ENTRY(shiftXSlider, "QSlider", "dockWidgetContents"),
    ENTRY(resetButton, "QPushButton", "dockWidgetContents"),
    ENTRY(centerButton, "QPushButton", "dockWidgetContents"),
    ENTRY(showAllButton, "QPushButton", "dockWidgetContents"),
    ENTRY(hideAllButton, "QPushButton", "dockWidgetContents"),
    ENTRY(audioGuideGroup, "QGroupBox", "dockWidgetContents"),
    ENTRY(hboxLayout23, "QHBoxLayout", "audioGuideGroup"),
    ENTRY(audioGuideButton1, "QPushButton", "audioGuideGroup"),
    ENTRY(audioGuideButton2, "QPushButton", "audioGuideGroup"),
    ENTRY(hboxLayout24, "QHBoxLayout", "hboxLayout20"),
    ENTRY(label_6, "QLabel", "dockWidgetContents"),
    ENTRY(zoomScrollBar, "QScrollBar", "dockWidgetContents"),
    ENTRY(statusbar, "QStatusBar", "MainWindow"),
    ENTRY(menubar, "QMenuBar", "MainWindow"),
    ENTRY(menuView, "QMenu", "menubar"),
    ENTRY(menuHelp_2, "QMenu", "menubar"),
    ENTRY(menuFile, "QMenu", "menubar"),
  };
#undef STRUCTURE_ROW
#undef ENTRY

  QCOMPARE(window->objectName(), QStringLiteral("MainWindow"));
  for (const Entry& entry : entries) {
    const QString name = QString::fromLatin1(entry.name);
    QVERIFY2(entry.member, entry.name);
    QObject* found = findByName(window.get(), name);
    QVERIFY2(found == entry.member, qPrintable(name + " is not found once by its name"));
    QVERIFY2(QLatin1String(found->metaObject()->className()) == QLatin1String(entry.className),
             qPrintable(name + " is a " + found->metaObject()->className()));
    QVERIFY2(namedAncestor(found) == QLatin1String(entry.ancestor),
             qPrintable(name + " sits in " + namedAncestor(found)));
  }

  // Members are declared in creation order.
  for (std::size_t i = 1; i < entries.size(); ++i) {
    QVERIFY2(
      std::less<const char*>()(entries[i - 1].field, entries[i].field),
      qPrintable(
        QStringLiteral("%1 is declared before %2").arg(entries[i].name, entries[i - 1].name)));
  }

  // The Viewer window defers its meta-cast to QMainWindow: no meta-object in between.
  QCOMPARE(window->metaObject(), &QMainWindow::staticMetaObject);
}

void
LayoutTest::layoutsHoldTheirItemsInOrder()
{
  Ui_MainWindow* w = window.get();
  const QHash<QSpacerItem*, QString> spacerNames = {
    { w->spacerItem, "spacerItem" },     { w->spacerItem1, "spacerItem1" },
    { w->spacerItem2, "spacerItem2" },   { w->spacerItem3, "spacerItem3" },
    { w->spacerItem4, "spacerItem4" },   { w->spacerItem5, "spacerItem5" },
    { w->spacerItem6, "spacerItem6" },   { w->spacerItem7, "spacerItem7" },
    { w->spacerItem8, "spacerItem8" },   { w->spacerItem9, "spacerItem9" },
    { w->spacerItem10, "spacerItem10" }, { w->spacerItem11, "spacerItem11" },
  };
  QCOMPARE(spacerNames.size(), 12);

  constexpr int toolkitDefault = -1;
  struct LayoutRow
  {
    QString layout;
    QString owner; // widget whose layout it is; empty for a nested layout
    int spacing;
    int margin;
    QStringList items;
  };
  std::vector<LayoutRow> rows = {
    { "hboxLayout", "centralwidget", 6, 9, { "controlPanel", "viewerDock" } },
    { "vboxLayout",
      "controlPanel",
      toolkitDefault,
      toolkitDefault,
      { "headDock", "sectionsTab", "toolBox" } },
    { "vboxLayout1", "dockWidgetContents_2", 6, 9, { "qvtkHead" } },
    { "vboxLayout2", "xTab", 6, 9, { "hboxLayout1", "hboxLayout2", "hboxLayout3" } },
    { "hboxLayout1", "", 6, 0, { "showZPlane", "spacerItem" } },
    { "hboxLayout2", "", 6, 0, { "label", "clipZ", "spacerItem1" } },
    { "hboxLayout3", "", 6, 0, { "sectionNumberXLabel", "spinBox_z", "sectionNumberZ" } },
    { "vboxLayout3", "yTab", 6, 9, { "hboxLayout4", "hboxLayout5", "hboxLayout6" } },
    { "hboxLayout4", "", 6, 0, { "showXPlane", "spacerItem2" } },
    { "hboxLayout5", "", 6, 0, { "label_4", "clipX", "spacerItem3" } },
    { "hboxLayout6", "", 6, 0, { "sectionNumberYLabel", "spinBox_x", "sectionNumberX" } },
    { "vboxLayout4", "zTab", 6, 9, { "hboxLayout7", "hboxLayout8", "hboxLayout9" } },
    { "hboxLayout7", "", 6, 0, { "showYPlane", "spacerItem4" } },
    { "hboxLayout8", "", 6, 0, { "label_5", "clipY", "spacerItem5" } },
    { "hboxLayout9", "", 6, 0, { "sectionNumberZLabel", "spinBox_y", "sectionNumberY" } },
    { "vboxLayout5",
      "page",
      toolkitDefault,
      toolkitDefault,
      { "groupBox_24",
        "groupBox_1",
        "groupBox_21",
        "groupBox_19",
        "groupBox_20",
        "groupBox_26",
        "groupBox_22",
        "groupBox_23",
        "groupBox_25",
        "spacerItem6" } },
    { "vboxLayout6", "dockWidgetContents", 6, 9, { "hboxLayout19", "vboxLayout8" } },
    { "hboxLayout19", "", 6, 0, { "vboxLayout7", "qvtkWidget" } },
    { "vboxLayout7", "", 6, 0, { "spacerItem7", "autoRotX", "shiftYSlider", "rotXScrollBar" } },
    { "vboxLayout8", "", 6, 0, { "hboxLayout20" } },
    { "hboxLayout20",
      "",
      6,
      0,
      { "hboxLayout21",
        "autoRotY",
        "hboxLayout22",
        "spacerItem8",
        "resetButton",
        "centerButton",
        "spacerItem9",
        "showAllButton",
        "hideAllButton",
        "audioGuideGroup",
        "spacerItem10",
        "spacerItem11",
        "hboxLayout24" } },
    { "hboxLayout21", "", 6, 0, { "label_2", "rotYScrollBar" } },
    { "hboxLayout22", "", 6, 0, { "label_3", "shiftXSlider" } },
    { "hboxLayout23",
      "audioGuideGroup",
      toolkitDefault,
      toolkitDefault,
      { "audioGuideButton1", "audioGuideButton2" } },
    { "hboxLayout24", "", 6, 0, { "label_6", "zoomScrollBar" } },
  };
  const std::pair<int, int> structureRows[] = { { 24, 7 }, { 1, 1 },  { 21, 4 },
                                                { 19, 2 }, { 20, 3 }, { 26, 9 },
                                                { 22, 5 }, { 23, 6 }, { 25, 8 } };
  int layoutNumber = 10;
  for (const auto& [box, number] : structureRows) {
    const QString digit = QString::number(number);
    rows.push_back({ "hboxLayout" + QString::number(layoutNumber++),
                     "groupBox_" + QString::number(box),
                     1,
                     5,
                     { "show_" + digit, "doubleSpinBox_" + digit, "horizontalSlider_" + digit } });
  }

  for (const LayoutRow& row : rows) {
    auto* layout = window->findChild<QBoxLayout*>(row.layout);
    QVERIFY2(layout, qPrintable(row.layout));
    if (!row.owner.isEmpty()) {
      auto* owner = window->findChild<QWidget*>(row.owner);
      QVERIFY2(owner && owner->layout() == layout,
               qPrintable(row.layout + " is not the layout of " + row.owner));
    }
    if (row.spacing != toolkitDefault) {
      QVERIFY2(layout->spacing() == row.spacing, qPrintable(row.layout + " spacing"));
      const int m = row.margin;
      QVERIFY2(layout->contentsMargins() == QMargins(m, m, m, m),
               qPrintable(row.layout + " margins"));
    }
    QStringList items;
    for (int i = 0; i < layout->count(); ++i) {
      QLayoutItem* item = layout->itemAt(i);
      QVERIFY2(
        layout->stretch(i) == 0 && item->alignment() == 0,
        qPrintable(row.layout + " item " + QString::number(i) + " has stretch or alignment"));
      if (item->widget()) {
        items << item->widget()->objectName();
      } else if (item->layout()) {
        items << item->layout()->objectName();
      } else {
        items << spacerNames.value(item->spacerItem(), QStringLiteral("<unknown spacer>"));
      }
    }
    QVERIFY2(items == row.items, qPrintable(row.layout + " holds " + items.join(", ")));
  }

  struct SpacerRow
  {
    QSpacerItem* spacer;
    QSize size;
    QSizePolicy::Policy horizontal;
    QSizePolicy::Policy vertical;
  };
  const auto E = QSizePolicy::Expanding;
  const auto M = QSizePolicy::Minimum;
  const SpacerRow spacers[] = {
    { w->spacerItem, { 40, 20 }, E, M },   { w->spacerItem1, { 40, 20 }, E, M },
    { w->spacerItem2, { 40, 20 }, E, M },  { w->spacerItem3, { 40, 20 }, E, M },
    { w->spacerItem4, { 40, 20 }, E, M },  { w->spacerItem5, { 40, 20 }, E, M },
    { w->spacerItem6, { 215, 16 }, M, E }, { w->spacerItem7, { 20, 40 }, M, E },
    { w->spacerItem8, { 40, 20 }, E, M },  { w->spacerItem9, { 40, 20 }, E, M },
    { w->spacerItem10, { 40, 20 }, E, M }, { w->spacerItem11, { 16, 20 }, E, M },
  };
  for (const SpacerRow& row : spacers) {
    const QString name = spacerNames.value(row.spacer);
    QVERIFY2(row.spacer->sizeHint() == row.size, qPrintable(name + " size"));
    QVERIFY2(row.spacer->sizePolicy().horizontalPolicy() == row.horizontal &&
               row.spacer->sizePolicy().verticalPolicy() == row.vertical,
             qPrintable(name + " policy"));
  }
}

void
LayoutTest::controlsStartWithTheirRangesAndValues()
{
  constexpr int none = 0;
  struct ControlRow
  {
    QString name;
    double minimum;
    double maximum;
    double value;
    double singleStep;
    int orientation; // sliders and scroll bars only
    int decimals;    // double spin boxes only
  };
  std::vector<ControlRow> rows = {
    { "clipX", -1, 1, 0, 1, Qt::Horizontal, none },
    { "clipY", -1, 1, 0, 1, Qt::Horizontal, none },
    { "clipZ", -1, 1, 0, 1, Qt::Horizontal, none },
    { "spinBox_x", 1, 748, 374, 1, none, none },
    { "sectionNumberX", 1, 748, 374, 1, Qt::Horizontal, none },
    { "spinBox_y", 1, 552, 276, 1, none, none },
    { "sectionNumberY", 1, 552, 276, 1, Qt::Horizontal, none },
    { "spinBox_z", 1, 115, 58, 1, none, none },
    { "sectionNumberZ", 1, 115, 58, 1, Qt::Horizontal, none },
    { "rotXScrollBar", -89, 89, 0, 1, Qt::Vertical, none },
    { "shiftYSlider", -500, 500, 0, 1, Qt::Vertical, none },
    { "rotYScrollBar", -180, 180, 0, 1, Qt::Horizontal, none },
    { "shiftXSlider", -500, 500, 0, 1, Qt::Horizontal, none },
    { "zoomScrollBar", 0, 200, 100, 1, Qt::Horizontal, none },
  };
  for (int number = 1; number <= 9; ++number) {
    const QString digit = QString::number(number);
    rows.push_back({ "horizontalSlider_" + digit, 0, 99, 0, 1, Qt::Horizontal, none });
    rows.push_back({ "doubleSpinBox_" + digit, 0.0, 1.0, 0.0, 0.1, none, 1 });
  }

  for (const ControlRow& row : rows) {
    QWidget* control = window->findChild<QWidget*>(row.name);
    QVERIFY2(control, qPrintable(row.name));
    double minimum = 0, maximum = 0, value = 0, singleStep = 0;
    if (auto* slider = qobject_cast<QAbstractSlider*>(control)) {
      minimum = slider->minimum();
      maximum = slider->maximum();
      value = slider->value();
      singleStep = slider->singleStep();
      QVERIFY2(slider->sliderPosition() == slider->value(), qPrintable(row.name + " position"));
      QVERIFY2(slider->pageStep() == 10, qPrintable(row.name + " page step"));
      QVERIFY2(slider->orientation() == row.orientation, qPrintable(row.name + " orientation"));
    } else if (auto* spinBox = qobject_cast<QSpinBox*>(control)) {
      minimum = spinBox->minimum();
      maximum = spinBox->maximum();
      value = spinBox->value();
      singleStep = spinBox->singleStep();
    } else if (auto* spinBox = qobject_cast<QDoubleSpinBox*>(control)) {
      minimum = spinBox->minimum();
      maximum = spinBox->maximum();
      value = spinBox->value();
      singleStep = spinBox->singleStep();
      QVERIFY2(spinBox->decimals() == row.decimals, qPrintable(row.name + " decimals"));
    } else {
      QFAIL(qPrintable(row.name + " is no ranged control"));
    }
    QVERIFY2(
      qFuzzyCompare(1 + minimum, 1 + row.minimum) && qFuzzyCompare(1 + maximum, 1 + row.maximum),
      qPrintable(QStringLiteral("%1 range %2 to %3").arg(row.name).arg(minimum).arg(maximum)));
    QVERIFY2(qFuzzyCompare(1 + value, 1 + row.value),
             qPrintable(QStringLiteral("%1 value %2").arg(row.name).arg(value)));
    QVERIFY2(qFuzzyCompare(singleStep, row.singleStep), qPrintable(row.name + " single step"));
  }

  // Every check box starts unchecked; the plane boxes stand right of their texts.
  const QList<QCheckBox*> checkBoxes = window->findChildren<QCheckBox*>();
  QCOMPARE(checkBoxes.size(), 14);
  for (QCheckBox* box : checkBoxes) {
    QVERIFY2(!box->isChecked(), qPrintable(box->objectName()));
    const bool planeBox = box->objectName().endsWith(QLatin1String("Plane"));
    QVERIFY2(box->layoutDirection() == (planeBox ? Qt::RightToLeft : Qt::LeftToRight),
             qPrintable(box->objectName()));
  }
}

void
LayoutTest::sizeLimitsAndPolicies()
{
  constexpr auto unset = QSizePolicy::Policy(-1);
  const auto P = QSizePolicy::Preferred;
  const auto F = QSizePolicy::Fixed;
  const auto E = QSizePolicy::Expanding;
  struct SizeRow
  {
    QString name;
    QSize minimum;
    QSize maximum;
    QSizePolicy::Policy horizontal;
    QSizePolicy::Policy vertical;
  };
  std::vector<SizeRow> rows = {
    { "controlPanel", { 274, 0 }, { 274, unlimited }, F, E },
    { "headDock", { 250, 220 }, { unlimited, unlimited }, E, E },
    { "qvtkHead", { 225, 180 }, { 225, 180 }, unset, unset },
    { "sectionsTab", { 0, 0 }, { unlimited, unlimited }, P, F },
    { "viewerDock", { 0, 0 }, { unlimited, unlimited }, E, E },
    { "qvtkWidget", { 0, 0 }, { unlimited, unlimited }, E, E },
    { "rotXScrollBar", { 0, 80 }, { unlimited, 80 }, unset, unset },
    { "shiftYSlider", { 0, 60 }, { unlimited, 60 }, unset, unset },
    { "rotYScrollBar", { 80, 0 }, { 80, unlimited }, unset, unset },
    { "shiftXSlider", { 60, 0 }, { 60, unlimited }, unset, unset },
    { "zoomScrollBar", { 80, 0 }, { 80, unlimited }, unset, unset },
  };
  for (const int box : { 1, 19, 20, 21, 22, 23, 24, 25, 26 }) {
    rows.push_back({ "groupBox_" + QString::number(box), { 0, 45 }, { unlimited, 45 }, P, F });
  }
  for (int number = 1; number <= 9; ++number) {
    rows.push_back(
      { "doubleSpinBox_" + QString::number(number), { 0, 0 }, { 45, unlimited }, unset, unset });
  }

  for (const SizeRow& row : rows) {
    QWidget* widget = window->findChild<QWidget*>(row.name);
    QVERIFY2(widget, qPrintable(row.name));
    QVERIFY2(widget->minimumSize() == row.minimum, qPrintable(row.name + " minimum size"));
    QVERIFY2(widget->maximumSize() == row.maximum, qPrintable(row.name + " maximum size"));
    const QSizePolicy policy = widget->sizePolicy();
    if (row.horizontal != unset) {
      QVERIFY2(policy.horizontalPolicy() == row.horizontal &&
                 policy.verticalPolicy() == row.vertical,
               qPrintable(row.name + " size policy"));
      QVERIFY2(policy.horizontalStretch() == 0 && policy.verticalStretch() == 0,
               qPrintable(row.name + " stretch"));
      QVERIFY2(!policy.hasHeightForWidth(), qPrintable(row.name + " height for width"));
    }
  }
  const QSizePolicy windowPolicy = window->sizePolicy();
  QCOMPARE(windowPolicy.horizontalPolicy(), QSizePolicy::Maximum);
  QCOMPARE(windowPolicy.verticalPolicy(), QSizePolicy::Maximum);
  QCOMPARE(windowPolicy.horizontalStretch(), 0);
  QCOMPARE(windowPolicy.verticalStretch(), 0);
}

void
LayoutTest::fontsAreSetOnTheirWidgetsOnly()
{
  const uint everyField = QFont::FamilyResolved | QFont::SizeResolved | QFont::WeightResolved |
                          QFont::StyleResolved | QFont::UnderlineResolved |
                          QFont::StrikeOutResolved;
  struct FontRow
  {
    QString name;
    bool ownFont;
    QString family;
    int pointSize;
    int weight;
  };
  std::vector<FontRow> rows = {
    { "MainWindow", true, "MS Shell Dlg 2", 8, QFont::Bold },
    { "sectionsTab", true, "MS Shell Dlg 2", 8, QFont::Bold },
    { "menubar", true, "Tahoma", 10, QFont::Bold },
    { "menuFile", true, "Tahoma", 10, QFont::Bold },
    // Inherited from the window.
    { "controlPanel", false, "MS Shell Dlg 2", 8, QFont::Bold },
    { "groupBox_1", false, "MS Shell Dlg 2", 8, QFont::Bold },
    { "resetButton", false, "MS Shell Dlg 2", 8, QFont::Bold },
    // Popup menus inherit nothing from the menu bar.
    { "menuView", false, QString(), 0, 0 },
    { "menuHelp_2", false, QString(), 0, 0 },
  };
  for (int number = 1; number <= 9; ++number) {
    rows.push_back({ "show_" + QString::number(number), true, "MS Shell Dlg 2", 8, QFont::Normal });
  }

  for (const FontRow& row : rows) {
    auto* widget = qobject_cast<QWidget*>(findByName(window.get(), row.name));
    QVERIFY2(widget, qPrintable(row.name));
    QVERIFY2(widget->testAttribute(Qt::WA_SetFont) == row.ownFont, qPrintable(row.name));
    if (row.family.isEmpty()) {
      QVERIFY2(widget->font().family() != QLatin1String("Tahoma"), qPrintable(row.name));
      continue;
    }
    const QFont font = widget->font();
    QVERIFY2(font.family() == row.family, qPrintable(row.name + " family " + font.family()));
    QVERIFY2(font.pointSize() == row.pointSize, qPrintable(row.name + " point size"));
    QVERIFY2(font.weight() == row.weight, qPrintable(row.name + " weight"));
    QVERIFY2(!font.italic() && !font.underline() && !font.strikeOut(), qPrintable(row.name));
    if (row.ownFont) {
      QVERIFY2((font.resolve() & everyField) == everyField,
               qPrintable(row.name + " leaves a font field to the toolkit"));
    }
  }
}

void
LayoutTest::texts_data()
{
  QTest::addColumn<QString>("object");
  QTest::addColumn<QString>("property");
  QTest::addColumn<QString>("text");
  int row = 1;
  for (const TextRow& entry : textTable) {
    QTest::addRow("%d %s %s", row++, entry.object, entry.property)
      << QString::fromLatin1(entry.object) << QString::fromLatin1(entry.property)
      << QString::fromUtf8(entry.text);
  }
  QCOMPARE(row - 1, 72);
}

void
LayoutTest::texts()
{
  QFETCH(QString, object);
  QFETCH(QString, property);
  QFETCH(QString, text);
  QObject* target = findByName(window.get(), object);
  QVERIFY(target);
  QCOMPARE(readText(*window, target, property), text);
}

void
LayoutTest::textsGoThroughTheTranslationCallInOrder()
{
  RecordingTranslator translator;
  QVERIFY(QCoreApplication::installTranslator(&translator));
  Ui_MainWindow fresh;
  fresh.setupUi(&fresh);
  QCoreApplication::removeTranslator(&translator);

  // The tool box item is named once when it is appended, then every text in table order.
  QStringList expected{ QStringLiteral("MainWindow|Visibility and Transparency") };
  QSet<QString> ourTexts;
  for (const TextRow& row : textTable) {
    ourTexts.insert(QString::fromUtf8(row.text));
    if (*row.text != '\0') {
      expected << QStringLiteral("MainWindow|") + QString::fromUtf8(row.text);
    }
  }
  QStringList recorded;
  for (const QString& call : translator.calls) {
    if (call.startsWith(QLatin1String("MainWindow|")) ||
        ourTexts.contains(call.section(QLatin1Char('|'), 1))) {
      recorded << call;
    }
  }
  QCOMPARE(recorded, expected);

  // Translated texts reach their widgets; empty texts stay empty (no lookup for them).
  for (const TextRow& row : textTable) {
    QObject* target = findByName(&fresh, QString::fromLatin1(row.object));
    QVERIFY(target);
    const QString source = QString::fromUtf8(row.text);
    const QString shown = source.isEmpty() ? QString() : source + QStringLiteral(" [t]");
    QCOMPARE(readText(fresh, target, QString::fromLatin1(row.property)), shown);
  }
}

void
LayoutTest::menusHoldTheirEntriesInOrder()
{
  QCOMPARE(window->menuBar(), window->menubar);
  QCOMPARE(window->statusBar(), window->statusbar);
  QCOMPARE(window->centralWidget(), window->centralwidget);
  QCOMPARE(window->menubar->actions(),
           (QList<QAction*>{ window->menuFile->menuAction(),
                             window->menuView->menuAction(),
                             window->menuHelp_2->menuAction() }));
  QVERIFY(window->menuFile->actions().isEmpty());
  QCOMPARE(actionNames(window->menuView->actions()),
           (QStringList{ "actionViewer_Dock",
                         "actionHead",
                         "-",
                         "actionStereo_View",
                         "-",
                         "actionView_All",
                         "actionHide_All",
                         "actionReset",
                         "actionCenter",
                         "-",
                         "actionFull_Screen" }));
  QCOMPARE(actionNames(window->menuHelp_2->actions()),
           (QStringList{ "actionCochlex_Help", "actionAbout_Cochlex" }));

  // The fourteen actions belong to the window, in creation order; four stand in no menu.
  const QStringList unplaced{
    "actionLoad_Teaching_Model", "actionLoad_VRML_File", "actionLoad_VTK_File", "actionHide_Head"
  };
  QStringList actions;
  for (QObject* child : window->children()) {
    if (auto* action = qobject_cast<QAction*>(child)) {
      actions << action->objectName();
      QVERIFY2(!action->isCheckable(), qPrintable(action->objectName()));
      QVERIFY2(action->associatedWidgets().isEmpty() == unplaced.contains(action->objectName()),
               qPrintable(action->objectName()));
    }
  }
  QCOMPARE(actions,
           (QStringList{ "actionLoad_Teaching_Model",
                         "actionLoad_VRML_File",
                         "actionLoad_VTK_File",
                         "actionViewer_Dock",
                         "actionHead",
                         "actionHide_Head",
                         "actionStereo_View",
                         "actionView_All",
                         "actionHide_All",
                         "actionReset",
                         "actionCenter",
                         "actionCochlex_Help",
                         "actionAbout_Cochlex",
                         "actionFull_Screen" }));
}

void
LayoutTest::tabOrderFollowsThePairs()
{
  // Along the focus chain each widget comes after the previous one, with only the previous
  // widget's own parts (a tab widget's bar and pages) in between.
  const QList<QWidget*> sequence{ window->qvtkWidget, window->sectionsTab, window->clipX,
                                  window->showZPlane, window->showYPlane,  window->showXPlane,
                                  window->clipY,      window->clipZ };
  const QList<QWidget*> chain = tabChain(window.get());
  for (int i = 1; i < sequence.size(); ++i) {
    QWidget* previous = sequence.at(i - 1);
    QWidget* next = sequence.at(i);
    const QString pair = previous->objectName() + " -> " + next->objectName();
    const int from = chain.indexOf(previous);
    const int to = chain.indexOf(next);
    QVERIFY2(from >= 0 && to > from, qPrintable(pair));
    for (int k = from + 1; k < to; ++k) {
      QVERIFY2(previous->isAncestorOf(chain.at(k)),
               qPrintable(pair + " passes " + chain.at(k)->objectName()));
    }
  }
}

void
LayoutTest::tabsCrossTheirLetters()
{
  QTabWidget* tabs = window->sectionsTab;
  QCOMPARE(tabs->count(), 3);
  QCOMPARE(tabs->currentIndex(), 0);
  const struct
  {
    QWidget* page;
    QString text;
    QWidget* showBox;
    QWidget* clip;
    QWidget* spinBox;
    QWidget* scrollBar;
  } tabRows[] = {
    { window->xTab,
      "X Plane",
      window->showZPlane,
      window->clipZ,
      window->spinBox_z,
      window->sectionNumberZ },
    { window->yTab,
      "Y Plane",
      window->showXPlane,
      window->clipX,
      window->spinBox_x,
      window->sectionNumberX },
    { window->zTab,
      "Z Plane",
      window->showYPlane,
      window->clipY,
      window->spinBox_y,
      window->sectionNumberY },
  };
  for (int index = 0; index < 3; ++index) {
    const auto& row = tabRows[index];
    QCOMPARE(tabs->widget(index), row.page);
    QCOMPARE(tabs->tabText(index), row.text);
    for (QWidget* control : { row.showBox, row.clip, row.spinBox, row.scrollBar }) {
      QVERIFY2(control->parentWidget() == row.page, qPrintable(control->objectName()));
    }
  }

  QToolBox* toolBox = window->toolBox;
  QCOMPARE(toolBox->count(), 1);
  QCOMPARE(toolBox->currentIndex(), 0);
  QCOMPARE(toolBox->widget(0), window->page);
  QCOMPARE(toolBox->itemText(0), QStringLiteral("Visibility and Transparency"));
  QVERIFY(toolBox->itemIcon(0).isNull());
  QCOMPARE(toolBox->frameShape(), QFrame::WinPanel);
  QCOMPARE(toolBox->frameShadow(), QFrame::Sunken);
}

void
LayoutTest::windowProperties()
{
  const QSize expected = QSize(1144, 901).expandedTo(window->minimumSizeHint());
  QCOMPARE(window->size(), expected);
  QVERIFY(window->width() >= window->minimumSizeHint().width());
  QVERIFY(window->height() >= window->minimumSizeHint().height());
  QVERIFY(window->autoFillBackground());

  // The docks are plain children until the Viewer window docks one of them.
  QCOMPARE(window->dockWidgetArea(window->headDock), Qt::NoDockWidgetArea);
  QCOMPARE(window->dockWidgetArea(window->viewerDock), Qt::NoDockWidgetArea);
  QCOMPARE(window->headDock->allowedAreas(), Qt::TopDockWidgetArea);
  QCOMPARE(window->viewerDock->allowedAreas(), Qt::RightDockWidgetArea);
  QVERIFY(!window->headDock->isFloating());
  QVERIFY(window->headDock->windowIcon().isNull());
  QCOMPARE(window->headDock->widget(), window->dockWidgetContents_2);
  QCOMPARE(window->viewerDock->widget(), window->dockWidgetContents);
  for (QWidget* widget : std::initializer_list<QWidget*>{ window->headDock,
                                                          window->viewerDock,
                                                          window->qvtkHead,
                                                          window->qvtkWidget,
                                                          window->toolBox }) {
    QVERIFY2(!widget->isWindow(), qPrintable(widget->objectName()));
  }
}

void
LayoutTest::windowKeepsAnExistingObjectName()
{
  Ui_MainWindow named;
  named.setObjectName(QStringLiteral("alreadyNamed"));
  named.setupUi(&named);
  QCOMPARE(named.objectName(), QStringLiteral("alreadyNamed"));
  QCOMPARE(named.windowTitle(), QStringLiteral("MainWindow -- Cochlex"));
}

void
LayoutTest::windowIconIsReadRelativeToTheWorkingDirectory()
{
  QTemporaryDir folder;
  QVERIFY(folder.isValid());
  const QDir root(folder.path());
  QVERIFY(root.mkpath(QStringLiteral("work")));
  QVERIFY(root.mkpath(QStringLiteral("Cochlex_KT_source")));
  QVERIFY(root.mkpath(QStringLiteral("work/elsewhere")));
  QImage image(16, 16, QImage::Format_ARGB32);
  image.fill(Qt::red);
  QVERIFY(image.save(root.filePath(QStringLiteral("Cochlex_KT_source/icon.png"))));

  const QString previous = QDir::currentPath();
  QVERIFY(QDir::setCurrent(root.filePath(QStringLiteral("work"))));
  auto withIcon = std::make_unique<Ui_MainWindow>();
  withIcon->setupUi(withIcon.get());

  // Without the file the window simply has no icon, and nothing is reported.
  QVERIFY(QDir::setCurrent(root.filePath(QStringLiteral("work/elsewhere"))));
  capturedMessages.clear();
  const QtMessageHandler previousHandler = qInstallMessageHandler(captureMessage);
  auto withoutIcon = std::make_unique<Ui_MainWindow>();
  withoutIcon->setupUi(withoutIcon.get());
  const QIcon missing = withoutIcon->windowIcon();
  qInstallMessageHandler(previousHandler);
  QVERIFY(QDir::setCurrent(previous));

  QVERIFY(!withIcon->windowIcon().isNull());
  QCOMPARE(withIcon->windowIcon().pixmap(16, 16).toImage().pixelColor(8, 8), QColor(Qt::red));
  QVERIFY(missing.isNull());
  QVERIFY2(capturedMessages.isEmpty(), qPrintable(capturedMessages.join('\n')));
}

namespace {

template<typename Dialog>
void
checkDialog(const QString& name, const QSize& size, const QString& title)
{
  Dialog dialog;
  dialog.setObjectName(QStringLiteral("previousName"));
  dialog.setupUi(&dialog);
  QCOMPARE(dialog.objectName(), name);
  QCOMPARE(dialog.metaObject(), &QDialog::staticMetaObject);
  QCOMPARE(dialog.size(), size.expandedTo(dialog.minimumSizeHint()));
  QCOMPARE(dialog.windowTitle(), title);
  QCOMPARE(dialog.okButton->text(), QStringLiteral("OK"));
  QVERIFY(dialog.textBrowser->isReadOnly());
  QVERIFY(!dialog.isVisible());

  QCOMPARE(dialog.layout(), dialog.vboxLayout);
  QCOMPARE(dialog.vboxLayout->spacing(), 6);
  QCOMPARE(dialog.vboxLayout->contentsMargins(), QMargins(9, 9, 9, 9));
  QCOMPARE(dialog.vboxLayout->count(), 2);
  QCOMPARE(dialog.vboxLayout->itemAt(0)->widget(), dialog.textBrowser);
  QCOMPARE(dialog.vboxLayout->itemAt(1)->layout(), dialog.hboxLayout);
  QCOMPARE(dialog.hboxLayout->spacing(), 6);
  QCOMPARE(dialog.hboxLayout->contentsMargins(), QMargins(0, 0, 0, 0));
  QCOMPARE(dialog.hboxLayout->count(), 3);
  QCOMPARE(dialog.hboxLayout->itemAt(0)->spacerItem(), dialog.spacerItem);
  QCOMPARE(dialog.hboxLayout->itemAt(1)->widget(), dialog.okButton);
  QCOMPARE(dialog.hboxLayout->itemAt(2)->spacerItem(), dialog.spacerItem1);
  QCOMPARE(dialog.spacerItem->sizeHint(), QSize(131, 31));
  QCOMPARE(dialog.spacerItem1->sizeHint(), QSize(40, 20));
  for (QSpacerItem* spacer : { dialog.spacerItem, dialog.spacerItem1 }) {
    QCOMPARE(spacer->sizePolicy().horizontalPolicy(), QSizePolicy::Expanding);
    QCOMPARE(spacer->sizePolicy().verticalPolicy(), QSizePolicy::Minimum);
  }
  QCOMPARE(dialog.okButton->parentWidget(), &dialog);
  QCOMPARE(dialog.textBrowser->parentWidget(), &dialog);

  // OK hides the dialog and accepts it, every time it is shown again.
  for (int round = 0; round < 2; ++round) {
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::mouseClick(dialog.okButton, Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
  }
}

} // namespace

void
LayoutTest::helpDialog()
{
  checkDialog<Ui_help>(QStringLiteral("help"), QSize(971, 864), QStringLiteral("Help"));
}

void
LayoutTest::aboutDialog()
{
  checkDialog<Ui_About>(QStringLiteral("About"), QSize(400, 300), QStringLiteral("About"));
}

void
LayoutTest::dialogLinksAndRemoteImagesLoadNothing()
{
  // A local page the link points at: following the link would replace the shown page.
  QTemporaryDir folder;
  QVERIFY(folder.isValid());
  QFile target(QDir(folder.path()).filePath(QStringLiteral("other.html")));
  QVERIFY(target.open(QIODevice::WriteOnly));
  target.write("<p>other page</p>");
  target.close();

  Ui_help dialog;
  dialog.setupUi(&dialog);
  QTextBrowser* browser = dialog.textBrowser;
  browser->setSearchPaths({ folder.path() });
  browser->setHtml(QStringLiteral("<p><a href=\"other.html\">follow me</a></p>"
                                  "<p><img src=\"http://127.0.0.1:9/remote.png\"></p>"));
  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));

  QSignalSpy clicked(browser, &QTextBrowser::anchorClicked);
  QTextCursor cursor(browser->document());
  cursor.setPosition(3);
  const QPoint onLink = browser->cursorRect(cursor).center();
  QCOMPARE(browser->anchorAt(onLink), QStringLiteral("other.html"));
  QTest::mouseClick(browser->viewport(), Qt::LeftButton, {}, onLink);
  QCOMPARE(clicked.count(), 1);
  QVERIFY(browser->source().isEmpty());
  QVERIFY(browser->toPlainText().startsWith(QLatin1String("follow me")));

  // Only local files are resources; a remote address yields nothing.
  QVERIFY(!browser
             ->loadResource(QTextDocument::ImageResource,
                            QUrl(QStringLiteral("http://127.0.0.1:9/remote.png")))
             .isValid());
  QVERIFY(browser->loadResource(QTextDocument::HtmlResource, QUrl(QStringLiteral("other.html")))
            .isValid());
}

int
main(int argc, char** argv)
{
  QSurfaceFormat::setDefaultFormat(QVTKOpenGLNativeWidget::defaultFormat());
  QApplication application(argc, argv);
  LayoutTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "test_layout.moc"
