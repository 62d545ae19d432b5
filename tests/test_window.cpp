// The Viewer window as built: its title, its icon, the keys of its actions, also from the
// model view, and the order Tab takes.

#include "GuiTest.h"

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

  void textsTitleAndIcon()
  {
    QCOMPARE(window->windowTitle(), QString("MainWindow -- Cochlex"));

    // The icon is read relative to the working directory; without the file there is simply none.
    const QDir root(session->folder());
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
    QVERIFY(withoutIcon.windowIcon().isNull());
    QCOMPARE(withIcon.windowIcon().pixmap(16, 16).toImage().pixelColor(8, 8), QColor(Qt::red));
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
    QTest::newRow("Save Screenshot")
      << "actionSave_Screenshot" << QKeySequence(QStringLiteral("Ctrl+S"));
    QTest::newRow("Open") << "actionOpen_Teaching_Model" << QKeySequence(QStringLiteral("Ctrl+O"));
    QTest::newRow("Quit") << "actionQuit" << QKeySequence(QStringLiteral("Ctrl+Q"));
  }

  void shortcutsTriggerTheirActions()
  {
    QFETCH(QString, action);
    QFETCH(QKeySequence, keys);
    auto* entry = window->findChild<QAction*>(action);
    QVERIFY2(entry != nullptr, qPrintable(action));
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
    // The model view, which takes keys of its own (arrows, + and -), leaves these to the window.
    window->qvtkWidget->setFocus();
    QTest::keySequence(window->qvtkWidget, keys);
    QCOMPARE(triggered.count(), 2);
  }

  // Tab goes from the model view through the section controls in this order: the focus chain
  // holds them one after the other.
  void tabOrderThroughTheSectionControls()
  {
    const std::vector<QWidget*> order{ window->qvtkWidget, window->sectionsTab, window->clipX,
                                       window->showZPlane, window->showYPlane,  window->showXPlane,
                                       window->clipY,      window->clipZ };
    QWidget* reached = order.front();
    for (std::size_t next = 1; next < order.size(); ++next) {
      int steps = 0;
      while (reached != order[next] && steps < 1000) {
        reached = reached->nextInFocusChain();
        ++steps;
        QVERIFY2(reached != order.front(), qPrintable(order[next]->objectName()));
      }
      QVERIFY2(reached == order[next], qPrintable(order[next]->objectName()));
    }
  }
};

COCHLEX_VIEWER_TEST_MAIN(WindowTest)

#include "test_window.moc"
