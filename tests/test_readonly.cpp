// The viewer writes no files: a whole session of user actions, and a run of the program itself,
// in a read-only copy of the sample teaching model with a fresh home folder, leave every file
// and folder there exactly as they were.

#include "GuiTest.h"

namespace {

// Holds model/, the window icon's folder beside it, and the home, runtime and temporary folders
// the environment points to, made before the QApplication so that the toolkits and the GL driver
// see them.
QString base;

// Every entry below base, base included, hidden ones too, with what shows a write, a new or
// removed file, or a change of mode.
QStringList
snapshot()
{
  QProcess find;
  find.start("find", { base, "-printf", "%p size %s modified %T@ changed %C@ mode %m\n" });
  find.waitForFinished();
  return QString::fromLocal8Bit(find.readAllStandardOutput()).split('\n');
}

// The model and the window icon's folder.
void
setModelWritable(bool writable)
{
  QProcess::execute(
    "chmod", { "-R", writable ? "u+w" : "a-w", base + "/model", base + "/Cochlex_KT_source" });
}

// A press, eight moves and a release.
void
drag(QWidget* view, Qt::MouseButton button, Qt::KeyboardModifiers modifiers)
{
  auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButton changed, Qt::MouseButtons held) {
    QMouseEvent event(type, at, view->mapToGlobal(at), changed, held, modifiers);
    QApplication::sendEvent(view, &event);
  };
  const QPoint start = view->rect().center(), step(7, -4);
  send(QEvent::MouseButtonPress, start, button, button);
  for (int move = 1; move <= 8; ++move) {
    send(QEvent::MouseMove, start + step * move, Qt::NoButton, button);
  }
  send(QEvent::MouseButtonRelease, start + step * 8, button, Qt::NoButton);
}

void
wheel(QWidget* view, int delta)
{
  const QPoint at = view->rect().center();
  QWheelEvent event(at, view->mapToGlobal(at), {}, { 0, delta }, {}, {}, Qt::NoScrollPhase, false);
  QApplication::sendEvent(view, &event);
}

} // namespace

class ReadOnlyTest : public QObject
{
  Q_OBJECT

  QStringList before;
  QList<QUrl> openedUrls;

  // Names the first few entries that changed, came or went: their states before, then after.
  void checkNothingChanged()
  {
    const QStringList after = snapshot();
    QStringList changes;
    for (const QString& entry : before + after) {
      if (before.contains(entry) != after.contains(entry)) {
        changes << entry;
      }
    }
    QVERIFY2(changes.isEmpty(), qPrintable(changes.mid(0, 6).join('\n')));
  }

public slots:
  // Stands in for the desktop's player: the audio guides must reach it, not a real one.
  void openUrl(const QUrl& url) { openedUrls << url; }

private slots:
  void initTestCase()
  {
    QString error;
    QVERIFY2(writeSampleModel(base + "/model", &error), qPrintable(error));
    setModelWritable(false);
    // Whatever the toolkit wrote at start-up counts too.
    QVERIFY(QDir(base + "/home")
              .isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot));
    before = snapshot();
  }
  void cleanupTestCase() { setModelWritable(true); }

  void sessionOfEveryActionWritesNothing()
  {
    fixture::WorkingDirectory inModel(base + "/model");
    auto window = std::make_unique<_CochlexUI>();
    window->resize(1100, 800);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    const std::string loadOutput = captureOutput([&] { window->loadTB(); });
    QVERIFY2(!QString::fromStdString(loadOutput).contains(QRegularExpression("Cannot|Error")),
             loadOutput.c_str());
    QVERIFY(window->frontActors.size() == 9 && window->hasSectionVolume());

    // Every control, the way a user reaches it; the section images end up shown.
    for (QCheckBox* box : window->findChildren<QCheckBox*>()) {
      box->click();
      QTest::qWait(box->isChecked() && box->objectName().startsWith("autoRot") ? 350 : 0);
      box->click();
    }
    for (QCheckBox* box : { window->showXPlane, window->showYPlane, window->showZPlane }) {
      if (!box->isChecked()) {
        box->click();
      }
    }
    for (QAbstractSlider* slider : window->findChildren<QAbstractSlider*>()) {
      for (int value : { slider->minimum(), slider->maximum(), slider->value() }) {
        slider->setValue(value);
        QCoreApplication::processEvents();
      }
    }
    for (QAbstractSpinBox* box : window->findChildren<QAbstractSpinBox*>()) {
      box->stepBy(-100000);
      box->stepBy(100000);
      QCoreApplication::processEvents();
    }

    // Both views' mouse gestures and wheel, and the plane widgets' keys.
    for (QWidget* view : std::initializer_list<QWidget*>{ window->qvtkWidget, window->qvtkHead }) {
      for (auto [button, modifiers] : { std::pair{ Qt::LeftButton, Qt::NoModifier },
                                        { Qt::LeftButton, Qt::ShiftModifier },
                                        { Qt::LeftButton, Qt::ControlModifier },
                                        { Qt::MiddleButton, Qt::NoModifier },
                                        { Qt::RightButton, Qt::NoModifier } }) {
        drag(view, button, modifiers);
      }
      wheel(view, 240);
      wheel(view, -360);
    }
    QTest::keyClicks(window->qvtkWidget, "xyzxyz");

    // Buttons, the audio guides going to the stand-in player; then every menu action: stereo on
    // and off, full screen and back, the docks, the dialogs.
    QDesktopServices::setUrlHandler("file", this, "openUrl");
    // Save Screenshot asks for a file; this user cancels.
    int screenshotQuestions = 0;
    setScreenshotFileChooser([&](QWidget*, const QString&) {
      ++screenshotQuestions;
      return ScreenshotChoice{};
    });
    for (QPushButton* button : window->findChildren<QPushButton*>()) {
      button->click();
      QCoreApplication::processEvents();
    }
    // Opening another model is cancelled in the real folder chooser, which must not record its
    // last folder anywhere; Quit comes last.
    QTimer cancelChooser;
    cancelChooser.setInterval(0);
    QObject::connect(&cancelChooser, &QTimer::timeout, [] {
      if (auto* chooser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
        chooser->reject();
      }
    });
    cancelChooser.start();
    for (QAction* action : window->findChildren<QAction*>()) {
      if (action == window->actionQuit) {
        continue;
      }
      action->trigger();
      QTest::qWait(action == window->actionFull_Screen ? 300 : 20);
      if (action == window->actionFull_Screen) {
        window->actionViewer_Dock->trigger();
      }
    }
    cancelChooser.stop();
    window->actionStereo_View->trigger();
    window->viewerDock->setFloating(true);
    window->headDock->setFloating(true);
    QTest::qWait(100);
    window->actionViewer_Dock->trigger();
    window->actionHead->trigger();

    window->resize(800, 600);
    QTest::qWait(100);
    QDesktopServices::unsetUrlHandler("file");
    setScreenshotFileChooser({});
    QCOMPARE(screenshotQuestions, 1);
    const QString model = QDir(base + "/model").absolutePath();
    QVERIFY(openedUrls.contains(QUrl::fromLocalFile(model + "/Track_1.wma")));
    QVERIFY(openedUrls.contains(QUrl::fromLocalFile(model + "/Track_2.wma")));

    // Should a lesson view be left from the actions, Quit asks about it first: this user lets
    // it go unsaved.
    window->actionQuit->trigger();
    if (auto* unsaved = window->findChild<QMessageBox*>("unsavedLessonBox")) {
      unsaved->button(QMessageBox::Discard)->click();
    }
    QTRY_VERIFY(!window->isVisible());
    window.reset();
    QCoreApplication::processEvents();
    checkNothingChanged();
  }

  void programRunWritesNothing()
  {
    QProcess program;
    program.setWorkingDirectory(base + "/model");
    // With the GL driver's shader cache on, as on a user's computer: the driver's own folder
    // (outside base, see prepareFolders) is the only place written.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("MESA_SHADER_CACHE_DISABLE");
    program.setProcessEnvironment(environment);
    program.start(COCHLEX_EXECUTABLE, QStringList());
    // The whole load: the working directory, nine structures, the section bounds.
    QByteArray output;
    while (output.count('\n') < 11 && program.waitForReadyRead(120000)) {
      output += program.readAllStandardOutput();
    }
    QVERIFY2(output.count('\n') >= 11 && !output.contains("Cannot"), output.constData());
    QVERIFY(!program.waitForFinished(1500));
    program.terminate();
    QVERIFY(program.waitForFinished(30000));
    checkNothingChanged();
  }
};

// A fresh home, runtime and temporary folder for the whole process, toolkits and GL driver
// included: made before the QApplication exists.
int
prepareFolders()
{
  static QTemporaryDir folder(QDir::tempPath() + "/cochlex-readonly-XXXXXX");
  base = folder.path();
  // The GL driver keeps compiled shaders in a disk cache of its own (Mesa: below
  // XDG_CACHE_HOME), which the viewer leaves on as the user's driver has it; the driver's
  // writes are not the viewer's, so they go to a folder beside base.
  static QTemporaryDir shaderCache(QDir::tempPath() + "/cochlex-shader-cache-XXXXXX");
  qputenv("MESA_SHADER_CACHE_DIR", QFile::encodeName(shaderCache.path()));
  for (const QString& setting :
       QString("HOME=/home XDG_CONFIG_HOME=/home/.config XDG_CACHE_HOME=/home/.cache "
               "XDG_DATA_HOME=/home/.local/share XDG_STATE_HOME=/home/.local/state "
               "XDG_RUNTIME_DIR=/runtime TMPDIR=/temp")
         .split(' ')) {
    qputenv(qPrintable(setting.section('=', 0, 0)),
            QFile::encodeName(base + setting.section('=', 1)));
  }
  for (const char* path : { "/home", "/runtime", "/temp" }) {
    QDir().mkpath(base + path);
  }
  QFile::setPermissions(base + "/runtime", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  return -1;
}

COCHLEX_TEST_CLASS_WITH_SETUP(ReadOnlyTest, prepareFolders)
#include "test_readonly.moc"
