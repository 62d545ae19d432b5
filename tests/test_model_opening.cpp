// Opening a teaching model from the File menu, and quitting.

#include "ViewerSession.h"
#include "viewer/CochlexUI.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMessageBox>

#include <memory>

namespace {

// The message boxes the window shows, once queued messages have come up.
QList<QMessageBox*>
shownMessages(QWidget* window)
{
  QCoreApplication::processEvents();
  QList<QMessageBox*> shown;
  for (QMessageBox* box : window->findChildren<QMessageBox*>()) {
    if (box->isVisible()) {
      shown << box;
    }
  }
  return shown;
}

QString
fullText(const QMessageBox* box)
{
  return box->text() + "\n" + box->informativeText();
}

} // namespace

class ModelOpeningTest : public QObject
{
  Q_OBJECT

  std::unique_ptr<ViewerSession> session;
  _CochlexUI* window = nullptr;
  QStringList chosenFolders; // what the stand-in chooser answers, first first
  QStringList startedViewers;
  bool viewerStarts = true;
  int chooserCalls = 0;

  // A window whose folder chooser and viewer start are stand-ins.
  void openWindow()
  {
    window = &session->open();
    window->modelOpening.chooseFolder = [this](QWidget*) {
      ++chooserCalls;
      return chosenFolders.isEmpty() ? QString() : chosenFolders.takeFirst();
    };
    window->modelOpening.startViewer = [this](const QString& folder) {
      startedViewers << folder;
      return viewerStarts;
    };
  }

private slots:
  void init()
  {
    session = std::make_unique<ViewerSession>();
    chosenFolders.clear();
    startedViewers.clear();
    viewerStarts = true;
    chooserCalls = 0;
  }
  void cleanup() { session.reset(); }

  void fileMenuHoldsOpenAndQuitWithTheirKeys()
  {
    openWindow();
    const QList<QAction*> entries = window->menuFile->actions();
    QCOMPARE(entries.size(), 3);
    QCOMPARE(entries[0]->text(), QString("Open Teaching Model..."));
    QCOMPARE(entries[0]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
    QVERIFY(entries[1]->isSeparator());
    QCOMPARE(entries[2]->text(), QString("Quit"));
    QCOMPARE(entries[2]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));

    // The keys reach the actions from the window: Ctrl+O asks for a folder (cancelled here),
    // Ctrl+Q closes the window.
    QApplication::setActiveWindow(window);
    QCOMPARE(QApplication::activeWindow(), window);
    QTest::keyClick(window->qvtkWidget, Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(chooserCalls, 1);
    QVERIFY(window->isVisible() && shownMessages(window).isEmpty());
    QTest::keyClick(window->qvtkWidget, Qt::Key_Q, Qt::ControlModifier);
    QVERIFY(!window->isVisible());
  }

  // A model folder goes to a new viewer and this one closes, its dialogs too; anything else is
  // refused with a message and this window stays.
  void openHandsAModelToANewViewer()
  {
    const QString model = session->folder() + "/model with space";
    fixture::writeFile(model + "/Joint_transformed.txt", "/Joint/Incus.vtk\n1\n");
    const QString empty = session->folder() + "/empty";
    QVERIFY(QDir().mkpath(empty));
    openWindow();

    chosenFolders << QString(); // cancelled
    window->actionOpen_Teaching_Model->trigger();
    QVERIFY(startedViewers.isEmpty() && window->isVisible() && shownMessages(window).isEmpty());

    chosenFolders << empty;
    window->actionOpen_Teaching_Model->trigger();
    QVERIFY(startedViewers.isEmpty() && window->isVisible());
    QList<QMessageBox*> messages = shownMessages(window);
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0]->text().contains(empty) &&
               messages[0]->text().contains("Joint_transformed.txt"),
             qPrintable(fullText(messages[0])));
    messages[0]->close();

    viewerStarts = false;
    chosenFolders << model;
    window->actionOpen_Teaching_Model->trigger();
    QCOMPARE(startedViewers, QStringList{ model });
    messages = shownMessages(window);
    QVERIFY(window->isVisible() && messages.size() == 1 && messages[0]->text().contains(model));
    messages[0]->close();

    viewerStarts = true;
    window->actionCochlex_Help->trigger();
    chosenFolders << model;
    window->actionOpen_Teaching_Model->trigger();
    QCOMPARE(startedViewers, (QStringList{ model, model }));
    QVERIFY(!window->isVisible() && !window->helpDialog.isVisible());
  }

  void quitClosesTheWindowAndItsDialogs()
  {
    openWindow();
    window->actionAbout_Cochlex->trigger();
    window->actionQuit->trigger();
    QVERIFY(!window->isVisible() && !window->aboutDialog.isVisible());
  }
};

COCHLEX_VIEWER_TEST_MAIN(ModelOpeningTest)

#include "test_model_opening.moc"
