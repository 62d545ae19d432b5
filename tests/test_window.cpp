// The Viewer window as built: controls, texts, icon, docks, menus and tab order.

#include "GuiTest.h"

#include <vtkAxesActor.h>
#include <vtkOrientationMarkerWidget.h>

namespace {

QString
names(const QList<QAction*>& actions)
{
  QStringList list;
  for (QAction* action : actions)
    list << (action->isSeparator() ? QString("-") : action->objectName());
  return list.join(' ');
}

} // namespace

class WindowTest : public QObject
{
  Q_OBJECT

  // An empty working directory: the window is built without any model or page files.
  std::unique_ptr<ViewerSession> session;
  _CochlexUI* window = nullptr;

private slots:
  void init()
  {
    session = std::make_unique<ViewerSession>();
    window = &session->open(0, 0);
  }

  void cleanup() { session.reset(); }

  void constructionHidesLoadedPartsAndDocksTheViewer()
  {
    QVERIFY(window->headDock->isHidden() && window->sectionsTab->isHidden());
    QVERIFY(window->toolBox->isHidden() && window->groupBox_21->isHidden());
    QVERIFY(!window->viewerDock->isHidden());
    QCOMPARE(window->dockWidgetArea(window->viewerDock), Qt::RightDockWidgetArea);
    QCOMPARE(window->viewerDock->allowedAreas(), Qt::DockWidgetAreas(Qt::RightDockWidgetArea));
    QCOMPARE(window->viewerDock->minimumWidth(), window->width() - 300);
  }

  void orientationAxes()
  {
    vtkAxesActor* axes = window->axesActor;
    QCOMPARE(QString(axes->GetXAxisLabelText()) + axes->GetYAxisLabelText() +
               axes->GetZAxisLabelText(),
             QString("MPS"));
    QVERIFY(window->orientationMarker->GetEnabled() &&
            !window->orientationMarker->GetInteractive());
  }

  // The tabs' plane letters cross those of their controls' names; the structure rows stand in
  // another order than their numbers.
  void controlsStandInTheirPanels()
  {
    for (int tab = 0; tab < 3; ++tab) {
      const QString shown = QChar('X' + tab) + QString(" Plane"), axis = QString("ZXY").mid(tab, 1);
      auto* show = window->sectionsTab->widget(tab)->findChild<QCheckBox*>("show" + axis + "Plane");
      QVERIFY(show && window->sectionsTab->widget(tab)->findChild<QSlider*>("clip" + axis));
      QCOMPARE(window->sectionsTab->tabText(tab) + ", " + show->text(), shown + ", Show " + shown);
    }
    QStringList rows;
    for (int index = 0; index + 1 < window->vboxLayout5->count(); ++index) {
      auto* box = qobject_cast<QGroupBox*>(window->vboxLayout5->itemAt(index)->widget());
      auto* show = qobject_cast<QCheckBox*>(box->layout()->itemAt(0)->widget());
      rows << box->title() + ' ' + show->objectName().section('_', 1);
    }
    QCOMPARE(rows.join(", "),
             "Capsular Ligamental Fibers 7, Incus 1, Incus Areolar Tissue 4, "
             "Incus Articular Cartilage 2, Incus Blood Vessels 3, Joint Space 9, Stapes 5, "
             "Stapes Articular Cartilage 6, Stapedius Tendon 8");
  }

  void textsTitleAndIcon()
  {
    QCOMPARE(window->windowTitle(), QString("MainWindow -- Cochlex"));
    QVERIFY(window->autoRotX->text().isEmpty() && !window->autoRotX->toolTip().isEmpty());
    QCOMPARE(window->actionReset->text() + ", " + window->resetButton->text(),
             QString("Head Front View, Frontal View"));

    // The icon is read relative to the working directory; without the file there is simply none.
    const QDir root(session->folder());
    QVERIFY(root.mkpath("work/elsewhere") && root.mkpath("Cochlex_KT_source"));
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::red);
    QVERIFY(image.save(root.filePath("Cochlex_KT_source/icon.png")));
    Ui_MainWindow withIcon, withoutIcon;
    withIcon.setObjectName("alreadyNamed");
    {
      fixture::WorkingDirectory work(root.filePath("work"));
      withIcon.setupUi(&withIcon);
    }
    fixture::WorkingDirectory elsewhere(root.filePath("work/elsewhere"));
    withoutIcon.setupUi(&withoutIcon);
    QVERIFY(withoutIcon.windowIcon().isNull());
    QCOMPARE(withIcon.windowIcon().pixmap(16, 16).toImage().pixelColor(8, 8), QColor(Qt::red));
    QCOMPARE(withIcon.objectName(), QString("alreadyNamed"));
    QCOMPARE(withIcon.size(), QSize(1144, 901).expandedTo(withIcon.minimumSizeHint()));
  }

  void menusHoldTheirEntriesInOrder()
  {
    _CochlexUI* w = window;
    QStringList titles;
    for (QAction* menu : w->menuBar()->actions())
      titles << menu->text();
    QCOMPARE(titles.join(' '), "File View Help");
    QCOMPARE(
      names(w->menuFile->actions()),
      "actionOpen_Teaching_Model actionSave_Screenshot - actionOpen_Lesson actionSave_Lesson - "
      "actionQuit");
    QCOMPARE(w->actionSave_Screenshot->shortcut(), QKeySequence("Ctrl+S"));
    QCOMPARE(names(w->menuView->actions()),
             "actionViewer_Dock actionHead actionStructure_Info - actionStereo_View "
             "actionShow_Labels actionWhite_Background actionSolid_Cut_Faces - "
             "actionView_All actionHide_All actionReset actionCenter - actionFull_Screen - "
             "actionQuiz - actionStandard_Views - actionViews_Dock actionAdd_View "
             "actionPresent_Lesson actionNext_View actionPrevious_View");
    QCOMPARE(names(w->menuHelp_2->actions()),
             "actionCochlex_Help actionAbout_Cochlex - actionLoad_Report");
  }

  // Each widget follows the previous one, with only the previous one's own parts (a tab
  // widget's bar and pages) and widgets that take no tab focus in between.
  void tabOrderFollowsThePairs()
  {
    Ui_MainWindow w;
    w.setupUi(&w);
    const QList<QWidget*> sequence{ w.qvtkWidget, w.sectionsTab, w.clipX, w.showZPlane,
                                    w.showYPlane, w.showXPlane,  w.clipY, w.clipZ };
    for (int i = 1; i < sequence.size(); ++i) {
      QWidget* next = sequence[i - 1]->nextInFocusChain();
      while (next != sequence[i] &&
             (sequence[i - 1]->isAncestorOf(next) || !(next->focusPolicy() & Qt::TabFocus)))
        next = next->nextInFocusChain();
      QCOMPARE(sequence[i - 1]->objectName() + " -> " + next->objectName(),
               sequence[i - 1]->objectName() + " -> " + sequence[i]->objectName());
    }
  }

  void shortcutsTriggerTheirActions_data()
  {
    QTest::addColumn<QString>("action");
    QTest::addColumn<QKeySequence>("keys");
    QTest::newRow("Help") << "actionCochlex_Help" << QKeySequence(Qt::Key_F1);
    QTest::newRow("Full Screen") << "actionFull_Screen" << QKeySequence(Qt::Key_F11);
    QTest::newRow("Frontal View") << "actionReset" << QKeySequence(Qt::Key_Home);
    QTest::newRow("Show All") << "actionView_All" << QKeySequence(QStringLiteral("Ctrl+A"));
    QTest::newRow("Hide All") << "actionHide_All" << QKeySequence(QStringLiteral("Ctrl+Shift+A"));
    QTest::newRow("Stereo") << "actionStereo_View" << QKeySequence(QStringLiteral("Ctrl+3"));
    QTest::newRow("View Model") << "actionViewer_Dock" << QKeySequence(QStringLiteral("Ctrl+M"));
    QTest::newRow("View Head") << "actionHead" << QKeySequence(QStringLiteral("Ctrl+H"));
    QTest::newRow("Quit") << "actionQuit" << QKeySequence(QStringLiteral("Ctrl+Q"));
  }

  void shortcutsTriggerTheirActions()
  {
    QFETCH(QString, action);
    QFETCH(QKeySequence, keys);
    auto* entry = window->findChild<QAction*>(action);
    if (entry == nullptr) {
      QSKIP("this build has no such action");
    }
    QCOMPARE(entry->shortcut(), keys);
    // Only the keys are under test: the entry's slots stay out of it (the window is built anew for
    // each test).
    QObject::disconnect(entry, &QAction::triggered, nullptr, nullptr);
    QSignalSpy triggered(entry, &QAction::triggered);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QApplication::setActiveWindow(window);
    QTest::keySequence(window, keys);
    QCOMPARE(triggered.count(), 1);
  }
};

COCHLEX_VIEWER_TEST_MAIN(WindowTest)

#include "test_window.moc"
