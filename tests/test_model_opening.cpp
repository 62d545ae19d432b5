// Opening a teaching model from the File menu, and the problems a user is shown in the window:
// no model found, the load report, an audio guide that cannot be played.

#include "GuiTest.h"

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
  QList<QUrl> openedUrls;

  // A window whose folder chooser and viewer start are stand-ins.
  void openWindow()
  {
    window = &session->open();
    window->modelOpening.chooseFolder = [this](QWidget*) {
      return chosenFolders.isEmpty() ? QString() : chosenFolders.takeFirst();
    };
    window->modelOpening.startViewer = [this](const QString& folder) {
      startedViewers << folder;
      return viewerStarts;
    };
  }

public slots:
  void openUrl(const QUrl& url) { openedUrls << url; }

private slots:
  void init()
  {
    session = std::make_unique<ViewerSession>();
    chosenFolders.clear();
    startedViewers.clear();
    viewerStarts = true;
    openedUrls.clear();
  }
  void cleanup() { session.reset(); }

  // Its keys are the window test's; quit takes the open dialogs along.
  void quitClosesTheWindowAndItsDialogs()
  {
    openWindow();
    window->actionAbout_Cochlex->trigger();
    window->actionQuit->trigger();
    QVERIFY(!window->isVisible() && !window->aboutDialog.isVisible());
  }

  // After a clean load, which reports nothing, a model folder goes to a new viewer and this one
  // closes, its dialogs too; anything else is refused with a message and this window stays.
  void openHandsAModelToANewViewer()
  {
    const QString model = session->folder() + "/model with space";
    fixture::writeFile(model + "/Joint_transformed.txt", "/Joint/Incus.vtk\n1\n");
    const QString empty = session->folder() + "/empty";
    QVERIFY(QDir().mkpath(empty));
    // A clean load first: no report, nothing in the status bar.
    fixture::writeModel(session->folder());
    openWindow();
    const QString output = QString::fromStdString(session->load());
    QVERIFY2(!output.contains("Cannot") && !output.contains("numread"), qPrintable(output));
    QVERIFY(shownMessages(window).isEmpty() && !window->actionLoad_Report->isEnabled());
    QVERIFY(window->statusbar->findChild<QLabel*>("loadSummary") == nullptr);

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

  // The console line stays; the window says which folder lacks a model, what a model consists of
  // and how to open one, after the load has returned.
  void missingStructureListIsShownInTheWindow()
  {
    openWindow();
    const QString folder = QDir::currentPath();
    session->load();
    QVERIFY(window->findChildren<QMessageBox*>().isEmpty());
    const QList<QMessageBox*> messages = shownMessages(window);
    QCOMPARE(messages.size(), 1);
    const QString text = fullText(messages[0]);
    QVERIFY2(messages[0]->text().contains(folder), qPrintable(text));
    for (const char* part : { "Joint_transformed.txt",
                              ".color",
                              "Joint/Head_bone_transformed.vtp",
                              "Joint/Joint.raw",
                              "File > Open Teaching Model..." })
      QVERIFY2(text.contains(part), qPrintable(text));
  }

  // A missing surface and a short volume: both listed in one message that leaves the window
  // usable, summed up in the status bar, and listed again from Help > Load Report.
  void loadReportListsTheProblems()
  {
    const QString folder = session->folder();
    std::vector<fixture::Structure> structures = fixture::standardStructures();
    fixture::writeModel(folder, structures, false);
    fixture::writeVolume(
      folder, [](int, int, int) { return 100; }, 1000);
    QFile::remove(folder + structures[4].relativePath);
    openWindow();
    QVERIFY(!window->actionLoad_Report->isEnabled());
    const QString output = QString::fromStdString(session->load());
    const QString base = QDir::currentPath();
    const QString surface = base + structures[4].relativePath;
    QVERIFY2(output.contains("Cannot load surface " + surface + ": the file cannot be opened.\n") &&
               output.contains("\nnumread: 1000\n"),
             qPrintable(output));

    for (int showing = 0; showing < 2; ++showing) {
      const QList<QMessageBox*> messages = shownMessages(window);
      QCOMPARE(messages.size(), 1);
      QCOMPARE(messages[0]->windowModality(), Qt::NonModal);
      const QString text = fullText(messages[0]);
      QVERIFY2(text.contains("2 problems") && text.contains(surface) &&
                 text.contains(base + "/Joint/Joint.raw") && text.contains("1000"),
               qPrintable(text));
      messages[0]->close();
      QVERIFY(shownMessages(window).isEmpty());
      window->actionLoad_Report->trigger();
    }
    QCOMPARE(window->statusbar->findChild<QLabel*>("loadSummary")->text(),
             QString("2 problems while loading: see Help > Load Report"));
  }

  // A missing track is named and nothing is started; so is a track that no application on the
  // computer opens. The stand-in opener catches anything that would reach a real player.
  void audioGuideThatCannotBePlayed()
  {
    const QString folder = QDir::currentPath();
    fixture::writeFile(folder + "/Track_2.wma", "recording");
    openWindow();
    QDesktopServices::setUrlHandler("file", this, "openUrl");
    window->audioGuideButton1->click();
    QDesktopServices::unsetUrlHandler("file");
    QVERIFY(openedUrls.isEmpty());
    QList<QMessageBox*> messages = shownMessages(window);
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0]->text().contains(folder + "/Track_1.wma"),
             qPrintable(fullText(messages[0])));
    messages[0]->close();

    // With no opener on the search path, the desktop service has nothing to start the track
    // with.
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(session->folder() + "/no-programs"));
    window->audioGuideButton2->click();
    qputenv("PATH", path);
    messages = shownMessages(window);
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0]->text().contains("no application") &&
               messages[0]->text().contains(folder + "/Track_2.wma"),
             qPrintable(fullText(messages[0])));
  }
};

COCHLEX_VIEWER_TEST_MAIN(ModelOpeningTest)

#include "test_model_opening.moc"
