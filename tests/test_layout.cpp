// The main window's widget tree and texts, and the Help and About dialogs, each set up on a bare
// layout object.

#include "ViewerSession.h"
#include "ui/Ui_About.h"
#include "ui/Ui_MainWindow.h"
#include "ui/Ui_help.h"

#include <QDir>
#include <QImage>
#include <QMetaProperty>
#include <QTranslator>

#include <memory>
#include <vector>

namespace {

// An object of a tree: member, class, nearest named ancestor, and "key=value" properties. Sizes
// read WxH, size policies "Horizontal,Vertical". A layout's "items" are its items in order, a
// spacer written ~WxH plus the first letters of its two policies.
struct Node
{
  const char* name;
  QObject* object;
  const char* className;
  const char* parent;
  const char* properties;
};

struct TextRow
{
  const char* target; // object.property
  const char* text;
};

// Every text of the window, in the order retranslateUi applies them.
// clang-format off
const TextRow textTable[] = {
  { "MainWindow.windowTitle", "MainWindow -- Cochlex" },
  { "actionLoad_Teaching_Model.text", "Load Temporal Bone Model" },
  { "actionLoad_VRML_File.text", "Load VRML File" },
  { "actionLoad_VTK_File.text", "Load VTK File" }, { "actionViewer_Dock.text", "View Model" },
  { "actionHead.text", "View Head" }, { "actionHide_Head.text", "Hide Head" },
  { "actionStereo_View.text", "Show Stereo" }, { "actionView_All.text", "View All" },
  { "actionHide_All.text", "Hide All" }, { "actionReset.text", "Head Front View" },
  { "actionCenter.text", "Center Models" }, { "actionCochlex_Help.text", "Cochlex Help" },
  { "actionAbout_Cochlex.text", "About Cochlex" }, { "actionFull_Screen.text", "Full Screen" },
  { "controlPanel.title", "ControlPanel" }, { "headDock.windowTitle", "Head" },
  { "showZPlane.text", "Show X Plane" }, { "label.text", "Clipping" },
  { "sectionNumberXLabel.text", "Section #" }, { "xTab.tabText", "X Plane" },
  { "showXPlane.text", "Show Y Plane" }, { "label_4.text", "Clipping" },
  { "sectionNumberYLabel.text", "Section #" }, { "yTab.tabText", "Y Plane" },
  { "showYPlane.text", "Show Z Plane" }, { "label_5.text", "Clipping" },
  { "sectionNumberZLabel.text", "Section #" }, { "zTab.tabText", "Z Plane" },
  { "groupBox_24.title", "Capsular Ligamental Fibers" }, { "show_7.text", "Show" },
  { "groupBox_1.title", "Incus" }, { "show_1.text", "Show" },
  { "groupBox_21.title", "Incus Areolar Tissue" }, { "show_4.text", "Show" },
  { "groupBox_19.title", "Incus Articular Cartilage" }, { "show_2.text", "Show" },
  { "groupBox_20.title", "Incus Blood Vessels" }, { "show_3.text", "Show" },
  { "groupBox_26.title", "Joint Space" }, { "show_9.text", "Show" },
  { "groupBox_22.title", "Stapes" }, { "show_5.text", "Show" },
  { "groupBox_23.title", "Stapes Articular Cartilage" }, { "show_6.text", "Show" },
  { "groupBox_25.title", "Stapedius Tendon" }, { "show_8.text", "Show" },
  { "page.itemText", "Visibility and Transparency" }, { "viewerDock.toolTip", "" },
  { "viewerDock.windowTitle", "Model" }, { "autoRotX.toolTip", "Automatic rotation around X axis" },
  { "autoRotX.text", "" }, { "shiftYSlider.toolTip", "Shift along Y" },
  { "rotXScrollBar.toolTip", "Rotate around X" }, { "qvtkWidget.toolTip", "" },
  { "label_2.text", "Rotate" }, { "rotYScrollBar.toolTip", "Rotate around Y" },
  { "autoRotY.toolTip", "Automatic rotation around Y axis" }, { "autoRotY.text", "" },
  { "label_3.text", "Pan" }, { "shiftXSlider.toolTip", "Shift along X" },
  { "resetButton.text", "Frontal View" }, { "centerButton.text", "Center Models" },
  { "showAllButton.text", "Show All" }, { "hideAllButton.text", "Hide All" },
  { "audioGuideGroup.title", "Audio Guide" }, { "audioGuideButton1.text", "1" },
  { "audioGuideButton2.text", "2" }, { "label_6.text", "Zoom" }, { "menuView.title", "View" },
  { "menuHelp_2.title", "Help" }, { "menuFile.title", "File" },
};
// clang-format on

QObject*
findByName(QObject* root, const QString& name)
{
  const QList<QObject*> found = root->findChildren<QObject*>(name);
  return root->objectName() == name ? root : found.size() == 1 ? found.front() : nullptr;
}

// The toolkit's own helper widgets (a tab widget's page stack, say) are unnamed or named qt_*.
QString
namedAncestor(QObject* object)
{
  QObject* up = object->parent();
  while (up && (up->objectName().isEmpty() || up->objectName().startsWith("qt_")))
    up = up->parent();
  return up ? up->objectName() : QString();
}

QString
describe(QObject* object, const QString& key)
{
  const auto policy = [](const QSizePolicy& p, const char* separator) {
    const QMetaEnum names = QMetaEnum::fromType<QSizePolicy::Policy>();
    const QString h = names.valueToKey(p.horizontalPolicy()),
                  v = names.valueToKey(p.verticalPolicy());
    return *separator ? h + separator + v : h.left(1) + v.left(1);
  };
  auto* layout = qobject_cast<QBoxLayout*>(object);
  if (key == "margins") {
    const QMargins m = layout->contentsMargins();
    return m == QMargins(m.top(), m.top(), m.top(), m.top()) ? QString::number(m.top()) : "unequal";
  }
  if (key == "items") {
    QStringList items;
    for (int i = 0; i < layout->count(); ++i) {
      QLayoutItem* item = layout->itemAt(i);
      const QSize size = item->sizeHint();
      if (layout->stretch(i) != 0 || item->alignment() != 0)
        items << "<stretch or alignment>";
      else if (item->widget() || item->layout())
        items << (item->widget() ? item->widget()->objectName() : item->layout()->objectName());
      else
        items << QString("~%1x%2").arg(size.width()).arg(size.height()) +
                   policy(item->spacerItem()->sizePolicy(), "");
    }
    return items.join(',');
  }
  const QMetaObject* meta = object->metaObject();
  const QMetaProperty property = meta->property(meta->indexOfProperty(qPrintable(key)));
  const QVariant value = property.read(object);
  if (property.isEnumType())
    return property.enumerator().valueToKeys(value.toInt());
  if (value.type() == QVariant::Size)
    return QString("%1x%2").arg(value.toSize().width()).arg(value.toSize().height());
  if (value.type() == QVariant::SizePolicy)
    return policy(value.value<QSizePolicy>(), ",");
  return value.toString();
}

void
checkTree(QObject* root, const std::vector<Node>& nodes)
{
  for (const Node& node : nodes) {
    QObject* found = findByName(root, node.name);
    QVERIFY2(found && found == node.object, node.name);
    QCOMPARE(
      QString("%1 %2 in %3").arg(node.name, found->metaObject()->className(), namedAncestor(found)),
      QString("%1 %2 in %3").arg(node.name, node.className, node.parent));
    for (const QString& word : QString(node.properties).split(' ', Qt::SkipEmptyParts)) {
      const QString key = word.section('=', 0, 0);
      QCOMPARE(node.name + ('.' + key) + '=' + describe(found, key), node.name + ('.' + word));
    }
  }
}

// Every object of the window, in creation order.
// clang-format off
std::vector<Node>
mainWindowNodes(Ui_MainWindow* w)
{
#define ROW(member, className, parent, properties)                                                 \
  { #member, w->member, className, parent, properties }
#define HBOX(member, parent, items)                                                                \
  ROW(member, "QHBoxLayout", parent, "spacing=6 margins=0 items=" items)
#define VBOX(member, parent, items)                                                                \
  ROW(member, "QVBoxLayout", parent, "spacing=6 margins=0 items=" items)
#define PAGE(member, parent, items)                                                                \
  ROW(member, "QVBoxLayout", parent, "spacing=6 margins=9 items=" items)
#define ACTION(member) ROW(member, "QAction", "MainWindow", "checkable=false")
#define TAB(page, box, row1, row2, row3, show, label, clip, numberLabel, spinBox, scrollBar, range)\
  ROW(page, "QWidget", "sectionsTab", ""), PAGE(box, #page, #row1 "," #row2 "," #row3),            \
  HBOX(row1, #box, #show ",~40x20EM"),                                                             \
  ROW(show, "QCheckBox", #page, "layoutDirection=RightToLeft"),                                    \
  HBOX(row2, #box, #label "," #clip ",~40x20EM"), ROW(label, "QLabel", #page, ""),                 \
  ROW(clip, "QSlider", #page, "minimum=-1 maximum=1 value=0 orientation=Horizontal"),              \
  HBOX(row3, #box, #numberLabel "," #spinBox "," #scrollBar),                                      \
  ROW(numberLabel, "QLabel", #page, ""), ROW(spinBox, "QSpinBox", #page, range),                   \
  ROW(scrollBar, "QScrollBar", #page, range " orientation=Horizontal")
#define STRUCTURE(box, row, n)                                                                     \
  ROW(box, "QGroupBox", "page",                                                                    \
      "minimumSize=0x45 maximumSize=16777215x45 sizePolicy=Preferred,Fixed"),                      \
  ROW(row, "QHBoxLayout", #box,                                                                    \
      "spacing=1 margins=5 items=show_" #n ",doubleSpinBox_" #n ",horizontalSlider_" #n),          \
  ROW(show_##n, "QCheckBox", #box, ""),                                                            \
  ROW(doubleSpinBox_##n, "QDoubleSpinBox", #box,                                                   \
      "minimum=0 maximum=1 singleStep=0.1 decimals=1 value=0 maximumSize=45x16777215"),            \
  ROW(horizontalSlider_##n, "QSlider", #box, "minimum=0 maximum=99 value=0 orientation=Horizontal")
  const char* const dock = "dockWidgetContents";
  return {
    { "MainWindow", w, "QMainWindow", "", "sizePolicy=Maximum,Maximum autoFillBackground=true" },
    ACTION(actionLoad_Teaching_Model), ACTION(actionLoad_VRML_File), ACTION(actionLoad_VTK_File),
    ACTION(actionViewer_Dock), ACTION(actionHead), ACTION(actionHide_Head),
    ACTION(actionStereo_View), ACTION(actionView_All), ACTION(actionHide_All), ACTION(actionReset),
    ACTION(actionCenter), ACTION(actionCochlex_Help), ACTION(actionAbout_Cochlex),
    ACTION(actionFull_Screen),
    ROW(centralwidget, "QWidget", "MainWindow", ""),
    ROW(hboxLayout, "QHBoxLayout", "centralwidget",
        "spacing=6 margins=9 items=controlPanel,viewerDock"),
    ROW(controlPanel, "QGroupBox", "centralwidget",
        "minimumSize=274x0 maximumSize=274x16777215 sizePolicy=Fixed,Expanding"),
    ROW(vboxLayout, "QVBoxLayout", "controlPanel", "items=headDock,sectionsTab,toolBox"),
    ROW(headDock, "QDockWidget", "controlPanel",
        "minimumSize=250x220 maximumSize=16777215x16777215 sizePolicy=Expanding,Expanding "
        "floating=false allowedAreas=TopDockWidgetArea"),
    ROW(dockWidgetContents_2, "QWidget", "headDock", ""),
    PAGE(vboxLayout1, "dockWidgetContents_2", "qvtkHead"),
    ROW(qvtkHead, "QVTKOpenGLNativeWidget", "dockWidgetContents_2",
        "minimumSize=225x180 maximumSize=225x180"),
    ROW(sectionsTab, "QTabWidget", "controlPanel",
        "sizePolicy=Preferred,Fixed currentIndex=0 count=3"),
    // The plane letters of the object names cross those of the tab texts.
    TAB(xTab, vboxLayout2, hboxLayout1, hboxLayout2, hboxLayout3, showZPlane, label, clipZ,
        sectionNumberXLabel, spinBox_z, sectionNumberZ, "minimum=1 maximum=115 value=58"),
    TAB(yTab, vboxLayout3, hboxLayout4, hboxLayout5, hboxLayout6, showXPlane, label_4, clipX,
        sectionNumberYLabel, spinBox_x, sectionNumberX, "minimum=1 maximum=748 value=374"),
    TAB(zTab, vboxLayout4, hboxLayout7, hboxLayout8, hboxLayout9, showYPlane, label_5, clipY,
        sectionNumberZLabel, spinBox_y, sectionNumberY, "minimum=1 maximum=552 value=276"),
    ROW(toolBox, "QToolBox", "controlPanel",
        "frameShape=WinPanel frameShadow=Sunken count=1 currentIndex=0"),
    ROW(page, "QWidget", "toolBox", ""),
    ROW(vboxLayout5, "QVBoxLayout", "page", "items=groupBox_24,groupBox_1,groupBox_21,groupBox_19,"
        "groupBox_20,groupBox_26,groupBox_22,groupBox_23,groupBox_25,~215x16ME"),
    STRUCTURE(groupBox_24, hboxLayout10, 7), STRUCTURE(groupBox_1, hboxLayout11, 1),
    STRUCTURE(groupBox_21, hboxLayout12, 4), STRUCTURE(groupBox_19, hboxLayout13, 2),
    STRUCTURE(groupBox_20, hboxLayout14, 3), STRUCTURE(groupBox_26, hboxLayout15, 9),
    STRUCTURE(groupBox_22, hboxLayout16, 5), STRUCTURE(groupBox_23, hboxLayout17, 6),
    STRUCTURE(groupBox_25, hboxLayout18, 8),
    ROW(viewerDock, "QDockWidget", "centralwidget",
        "sizePolicy=Expanding,Expanding allowedAreas=RightDockWidgetArea"),
    ROW(dockWidgetContents, "QWidget", "viewerDock", ""),
    PAGE(vboxLayout6, dock, "hboxLayout19,vboxLayout8"),
    HBOX(hboxLayout19, "vboxLayout6", "vboxLayout7,qvtkWidget"),
    VBOX(vboxLayout7, "hboxLayout19", "~20x40ME,autoRotX,shiftYSlider,rotXScrollBar"),
    ROW(autoRotX, "QCheckBox", dock, ""),
    ROW(shiftYSlider, "QSlider", dock, "minimum=-500 maximum=500 value=0 orientation=Vertical "
        "minimumSize=0x60 maximumSize=16777215x60"),
    ROW(rotXScrollBar, "QScrollBar", dock, "minimum=-89 maximum=89 value=0 orientation=Vertical "
        "minimumSize=0x80 maximumSize=16777215x80"),
    ROW(qvtkWidget, "QVTKOpenGLNativeWidget", dock,
        "sizePolicy=Expanding,Expanding minimumSize=0x0"),
    VBOX(vboxLayout8, "vboxLayout6", "hboxLayout20"),
    HBOX(hboxLayout20, "vboxLayout8", "hboxLayout21,autoRotY,hboxLayout22,~40x20EM,resetButton,"
         "centerButton,~40x20EM,showAllButton,hideAllButton,audioGuideGroup,~40x20EM,~16x20EM,"
         "hboxLayout24"),
    HBOX(hboxLayout21, "hboxLayout20", "label_2,rotYScrollBar"), ROW(label_2, "QLabel", dock, ""),
    ROW(rotYScrollBar, "QScrollBar", dock,
        "minimum=-180 maximum=180 value=0 orientation=Horizontal minimumSize=80x0 "
        "maximumSize=80x16777215"),
    ROW(autoRotY, "QCheckBox", dock, ""),
    HBOX(hboxLayout22, "hboxLayout20", "label_3,shiftXSlider"), ROW(label_3, "QLabel", dock, ""),
    ROW(shiftXSlider, "QSlider", dock, "minimum=-500 maximum=500 value=0 orientation=Horizontal "
        "minimumSize=60x0 maximumSize=60x16777215"),
    ROW(resetButton, "QPushButton", dock, ""), ROW(centerButton, "QPushButton", dock, ""),
    ROW(showAllButton, "QPushButton", dock, ""), ROW(hideAllButton, "QPushButton", dock, ""),
    ROW(audioGuideGroup, "QGroupBox", dock, ""),
    ROW(hboxLayout23, "QHBoxLayout", "audioGuideGroup",
        "items=audioGuideButton1,audioGuideButton2"),
    ROW(audioGuideButton1, "QPushButton", "audioGuideGroup", ""),
    ROW(audioGuideButton2, "QPushButton", "audioGuideGroup", ""),
    HBOX(hboxLayout24, "hboxLayout20", "label_6,zoomScrollBar"), ROW(label_6, "QLabel", dock, ""),
    ROW(zoomScrollBar, "QScrollBar", dock, "minimum=0 maximum=200 value=100 orientation=Horizontal "
        "minimumSize=80x0 maximumSize=80x16777215"),
    ROW(statusbar, "QStatusBar", "MainWindow", ""), ROW(menubar, "QMenuBar", "MainWindow", ""),
    ROW(menuView, "QMenu", "menubar", ""), ROW(menuHelp_2, "QMenu", "menubar", ""),
    ROW(menuFile, "QMenu", "menubar", ""),
  };
}
// clang-format on

QString
readText(Ui_MainWindow& window, const QString& target)
{
  QObject* object = findByName(&window, target.section('.', 0, 0));
  const QString property = target.section('.', 1);
  auto* page = qobject_cast<QWidget*>(object);
  if (property == "tabText")
    return window.sectionsTab->tabText(window.sectionsTab->indexOf(page));
  if (property == "itemText")
    return window.toolBox->itemText(window.toolBox->indexOf(page));
  return object ? object->property(qPrintable(property)).toString() : "<missing>";
}

// Marks the texts looked up in the window's context.
class MarkingTranslator : public QTranslator
{
public:
  QString translate(const char* context, const char* source, const char*, int) const override
  {
    return context == QLatin1String("MainWindow") ? source + QString(" [t]") : QString();
  }
  bool isEmpty() const override { return false; }
};

template<typename Dialog>
void
checkDialog(const char* name, const char* properties)
{
  Dialog d;
  d.setObjectName("previousName");
  d.setupUi(&d);
  // clang-format off
  checkTree(&d, { { name, &d, "QDialog", "", properties },
                  { "vboxLayout", d.vboxLayout, "QVBoxLayout", name,
                    "spacing=6 margins=9 items=textBrowser,hboxLayout" },
                  { "textBrowser", d.textBrowser, "QTextBrowser", name, "readOnly=true" },
                  { "hboxLayout", d.hboxLayout, "QHBoxLayout", "vboxLayout",
                    "spacing=6 margins=0 items=~131x31EM,okButton,~40x20EM" },
                  { "okButton", d.okButton, "QPushButton", name, "text=OK" } });
  // clang-format on
}

} // namespace

class LayoutTest : public QObject
{
  Q_OBJECT

  std::unique_ptr<Ui_MainWindow> window;

private slots:
  void init()
  {
    window = std::make_unique<Ui_MainWindow>();
    window->setupUi(window.get());
  }

  void cleanup() { window.reset(); }

  void widgetTree()
  {
    Ui_MainWindow* w = window.get();
    checkTree(w, mainWindowNodes(w));
    if (QTest::currentTestFailed())
      return;
    QVERIFY(w->centralWidget() == w->centralwidget && w->statusBar() == w->statusbar);
    QCOMPARE((QList<QWidget*>{
               w->sectionsTab->widget(0), w->sectionsTab->widget(1), w->sectionsTab->widget(2) }),
             (QList<QWidget*>{ w->xTab, w->yTab, w->zTab }));
    QCOMPARE(w->toolBox->widget(0), w->page);
    QVERIFY(w->toolBox->itemIcon(0).isNull() && w->headDock->windowIcon().isNull());
    for (QAbstractSlider* slider :
         w->findChildren<QAbstractSlider*>(QRegularExpression("^(?!qt_).+"))) {
      QVERIFY2(slider->singleStep() == 1 && slider->pageStep() == 10 &&
                 slider->sliderPosition() == slider->value(),
               qPrintable(slider->objectName()));
    }
    const QList<QCheckBox*> checkBoxes = w->findChildren<QCheckBox*>();
    QCOMPARE(checkBoxes.size(), 14);
    for (QCheckBox* box : checkBoxes)
      QVERIFY2(!box->isChecked(), qPrintable(box->objectName()));
  }

  void fontsAreSetOnTheirWidgetsOnly()
  {
    const QString bold = "MS Shell Dlg 2,8,-1,5,75,0,0,0,0,0";
    const QString menu = "Tahoma,10,-1,5,75,0,0,0,0,0";
    QHash<QString, QString> own{
      { "MainWindow", bold }, { "sectionsTab", bold }, { "menubar", menu }, { "menuFile", menu }
    };
    for (int n = 1; n <= 9; ++n)
      own.insert(QString("show_%1").arg(n), "MS Shell Dlg 2,8,-1,5,50,0,0,0,0,0");
    const uint everyField = QFont::FamilyResolved | QFont::SizeResolved | QFont::WeightResolved |
                            QFont::StyleResolved | QFont::UnderlineResolved |
                            QFont::StrikeOutResolved;
    QList<QWidget*> widgets = window->findChildren<QWidget*>(QRegularExpression("^(?!qt_).+"));
    widgets << window.get();
    int owned = 0;
    for (QWidget* widget : widgets) {
      const QString name = widget->objectName();
      QVERIFY2(widget->testAttribute(Qt::WA_SetFont) == own.contains(name), qPrintable(name));
      if (own.contains(name)) {
        ++owned;
        QCOMPARE(name + ' ' + widget->font().toString(), name + ' ' + own.value(name));
        QVERIFY2((widget->font().resolve() & everyField) == everyField, qPrintable(name));
      }
    }
    QCOMPARE(owned, own.size());
    QCOMPARE(window->controlPanel->font().toString(), bold);
  }

  // Every text goes through the translation call in the window's context; an empty text is
  // applied without one.
  void textsGoThroughTheTranslationCall()
  {
    MarkingTranslator translator;
    QVERIFY(QCoreApplication::installTranslator(&translator));
    Ui_MainWindow translated;
    translated.setupUi(&translated);
    QCoreApplication::removeTranslator(&translator);
    for (const TextRow& row : textTable) {
      const QString shown = *row.text ? row.text + QString(" [t]") : QString();
      QCOMPARE(row.target + ('=' + readText(translated, row.target)), row.target + ('=' + shown));
    }
  }

  void menusHoldTheirEntriesInOrder()
  {
    const auto names = [](const QList<QAction*>& actions) {
      QStringList list;
      for (QAction* action : actions)
        list << (action->isSeparator() ? QString("-") : action->objectName());
      return list.join(' ');
    };
    Ui_MainWindow* w = window.get();
    QCOMPARE(w->menuBar(), w->menubar);
    QCOMPARE(w->menubar->actions(),
             (QList<QAction*>{ w->menuFile->menuAction(),
                               w->menuView->menuAction(),
                               w->menuHelp_2->menuAction() }));
    QVERIFY(w->menuFile->actions().isEmpty());
    QCOMPARE(names(w->menuView->actions()),
             "actionViewer_Dock actionHead - actionStereo_View - "
             "actionView_All actionHide_All actionReset actionCenter - actionFull_Screen");
    QCOMPARE(names(w->menuHelp_2->actions()), "actionCochlex_Help actionAbout_Cochlex");

    // The fourteen actions in creation order; four stand in no menu.
    QList<QAction*> actions, unplaced;
    for (QAction* action : w->findChildren<QAction*>(QString(), Qt::FindDirectChildrenOnly)) {
      actions << action;
      if (action->associatedWidgets().isEmpty())
        unplaced << action;
    }
    QCOMPARE(names(actions),
             "actionLoad_Teaching_Model actionLoad_VRML_File actionLoad_VTK_File "
             "actionViewer_Dock actionHead actionHide_Head actionStereo_View actionView_All "
             "actionHide_All actionReset actionCenter actionCochlex_Help actionAbout_Cochlex "
             "actionFull_Screen");
    QCOMPARE(names(unplaced),
             "actionLoad_Teaching_Model actionLoad_VRML_File actionLoad_VTK_File actionHide_Head");
  }

  void tabOrderFollowsThePairs()
  {
    QList<QWidget*> chain;
    for (QWidget* widget = window->nextInFocusChain(); widget != window.get();
         widget = widget->nextInFocusChain()) {
      if (widget->focusPolicy() & Qt::TabFocus)
        chain << widget;
    }
    // Each widget follows the previous one, with only the previous one's own parts (a tab
    // widget's bar and pages) in between.
    const QList<QWidget*> sequence{ window->qvtkWidget, window->sectionsTab, window->clipX,
                                    window->showZPlane, window->showYPlane,  window->showXPlane,
                                    window->clipY,      window->clipZ };
    for (int i = 1; i < sequence.size(); ++i) {
      const int from = chain.indexOf(sequence[i - 1]), to = chain.indexOf(sequence[i]);
      const QString pair = sequence[i - 1]->objectName() + " -> " + sequence[i]->objectName();
      QVERIFY2(from >= 0 && to > from, qPrintable(pair));
      for (int k = from + 1; k < to; ++k)
        QVERIFY2(sequence[i - 1]->isAncestorOf(chain[k]),
                 qPrintable(pair + " passes " + chain[k]->objectName()));
    }
  }

  void windowSizeNameAndIcon()
  {
    QCOMPARE(window->size(), QSize(1144, 901).expandedTo(window->minimumSizeHint()));
    QCOMPARE(window->metaObject(), &QMainWindow::staticMetaObject);
    Ui_MainWindow named;
    named.setObjectName("alreadyNamed");
    named.setupUi(&named);
    QCOMPARE(named.objectName(), QString("alreadyNamed"));

    // The icon is read relative to the working directory; without the file there is simply none.
    QTemporaryDir folder;
    const QDir root(folder.path());
    QVERIFY(root.mkpath("work/elsewhere") && root.mkpath("Cochlex_KT_source"));
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::red);
    QVERIFY(image.save(root.filePath("Cochlex_KT_source/icon.png")));
    Ui_MainWindow withIcon, withoutIcon;
    {
      fixture::WorkingDirectory work(root.filePath("work"));
      withIcon.setupUi(&withIcon);
    }
    fixture::WorkingDirectory elsewhere(root.filePath("work/elsewhere"));
    withoutIcon.setupUi(&withoutIcon);
    QCOMPARE(withIcon.windowIcon().pixmap(16, 16).toImage().pixelColor(8, 8), QColor(Qt::red));
    QVERIFY(withoutIcon.windowIcon().isNull());
  }

  void dialogs()
  {
    checkDialog<Ui_help>("help", "windowTitle=Help size=971x864 visible=false modal=false");
    checkDialog<Ui_About>("About", "windowTitle=About size=400x300 visible=false modal=false");
  }
};

COCHLEX_VIEWER_TEST_MAIN(LayoutTest)

#include "test_layout.moc"
