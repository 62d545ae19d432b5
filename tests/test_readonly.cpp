// The viewer writes no files: a whole session of user actions, and a run of the program itself,
// in a read-only copy of the sample teaching model, with a fresh home folder, leave every file
// and folder there exactly as they were.

#include "ModelFixture.h"
#include "ViewerSession.h"
#include "app/GraphicsEnvironment.h"
#include "tools/SampleModel.h"
#include "viewer/CochlexUI.h"

#include <QAbstractSlider>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QDirIterator>
#include <QDockWidget>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMap>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QProcess>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QResizeEvent>
#include <QSpinBox>
#include <QSurfaceFormat>
#include <QTest>
#include <QUrl>
#include <QVTKOpenGLNativeWidget.h>
#include <QWheelEvent>

#include <cstdlib>
#include <memory>

namespace {

// The folders the test watches, made before the QApplication so that everything the toolkits
// and the GL driver read from the environment points into them.
struct Folders
{
  QString base;    // removed when the test ends
  QString model;   // the viewer's working directory
  QString home;    // HOME, and the XDG folders inside it
  QString runtime; // XDG_RUNTIME_DIR
  QString temp;    // TMPDIR
};

Folders folders;

void
makeFolders()
{
  QByteArray pattern = QDir::tempPath().toLocal8Bit() + "/cochlex-readonly-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) {
    qFatal("Cannot make a temporary folder");
  }
  folders.base = QString::fromLocal8Bit(pattern);
  folders.model = folders.base + "/model";
  folders.home = folders.base + "/home";
  folders.runtime = folders.base + "/runtime";
  folders.temp = folders.base + "/temp";
  for (const QString& folder : { folders.model, folders.home, folders.runtime, folders.temp }) {
    QDir().mkpath(folder);
  }
  QFile::setPermissions(folders.runtime,
                        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadUser |
                          QFile::WriteUser | QFile::ExeUser);
  qputenv("HOME", folders.home.toLocal8Bit());
  qputenv("XDG_CONFIG_HOME", (folders.home + "/.config").toLocal8Bit());
  qputenv("XDG_CACHE_HOME", (folders.home + "/.cache").toLocal8Bit());
  qputenv("XDG_DATA_HOME", (folders.home + "/.local/share").toLocal8Bit());
  qputenv("XDG_STATE_HOME", (folders.home + "/.local/state").toLocal8Bit());
  qputenv("XDG_RUNTIME_DIR", folders.runtime.toLocal8Bit());
  qputenv("TMPDIR", folders.temp.toLocal8Bit());
}

// What identifies a file's state without reading it: a write, a new or removed file, a
// truncation or a change of mode or owner all show in one of these.
struct FileState
{
  bool folder = false;
  qint64 size = 0;
  qint64 modified = 0;
  qint64 changed = 0;
  uint permissions = 0;

  bool operator==(const FileState& other) const
  {
    return folder == other.folder && size == other.size && modified == other.modified &&
           changed == other.changed && permissions == other.permissions;
  }
};

using Snapshot = QMap<QString, FileState>;

FileState
stateOf(const QFileInfo& info)
{
  FileState state;
  state.folder = info.isDir();
  state.size = state.folder ? 0 : info.size();
  state.modified = info.fileTime(QFileDevice::FileModificationTime).toMSecsSinceEpoch();
  state.changed = info.fileTime(QFileDevice::FileMetadataChangeTime).toMSecsSinceEpoch();
  state.permissions = uint(info.permissions());
  return state;
}

// Every file and folder under base, the folder itself included, hidden ones too.
Snapshot
snapshot(const QString& base)
{
  Snapshot result;
  result.insert(".", stateOf(QFileInfo(base)));
  QDirIterator entries(base,
                       QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                       QDirIterator::Subdirectories);
  while (entries.hasNext()) {
    entries.next();
    result.insert(QDir(base).relativeFilePath(entries.filePath()), stateOf(entries.fileInfo()));
  }
  return result;
}

// The model folder and the icon folder beside it: the base folder without the other watched
// folders it holds.
Snapshot
modelSnapshot()
{
  Snapshot result = snapshot(folders.base);
  result.remove(".");
  for (const QString& other : { "home", "runtime", "temp" }) {
    for (const QString& key : result.keys()) {
      if (key == other || key.startsWith(other + "/")) {
        result.remove(key);
      }
    }
  }
  return result;
}

// The differences, one line each, empty when there are none.
QString
differences(const Snapshot& before, const Snapshot& after)
{
  QStringList lines;
  for (auto entry = before.cbegin(); entry != before.cend(); ++entry) {
    if (!after.contains(entry.key())) {
      lines << "removed: " + entry.key();
    } else if (!(after.value(entry.key()) == entry.value())) {
      const FileState& now = after.value(entry.key());
      lines << QString("changed: %1 (size %2 -> %3, modified %4 -> %5)")
                 .arg(entry.key())
                 .arg(entry.value().size)
                 .arg(now.size)
                 .arg(entry.value().modified)
                 .arg(now.modified);
    }
  }
  for (auto entry = after.cbegin(); entry != after.cend(); ++entry) {
    if (!before.contains(entry.key())) {
      lines << "created: " + entry.key();
    }
  }
  return lines.join('\n');
}

// Sets every file under base read-only (and back), folders included.
void
setReadOnly(const QString& base, bool readOnly)
{
  const QFile::Permissions read =
    QFile::ReadOwner | QFile::ReadUser | QFile::ReadGroup | QFile::ReadOther;
  const QFile::Permissions enter =
    QFile::ExeOwner | QFile::ExeUser | QFile::ExeGroup | QFile::ExeOther;
  const QFile::Permissions write =
    readOnly ? QFile::Permissions() : QFile::WriteOwner | QFile::WriteUser;
  QDirIterator entries(
    base, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
  QStringList folderPaths{ base };
  while (entries.hasNext()) {
    entries.next();
    if (entries.fileInfo().isDir()) {
      folderPaths << entries.filePath();
    } else {
      QFile::setPermissions(entries.filePath(), read | write);
    }
  }
  for (const QString& folder : folderPaths) {
    QFile::setPermissions(folder, read | enter | write);
  }
}

void
drag(QWidget* view, Qt::MouseButton button, Qt::KeyboardModifiers modifiers)
{
  const QPointF start(view->width() / 2.0, view->height() / 2.0);
  QMouseEvent press(
    QEvent::MouseButtonPress, start, view->mapToGlobal(start.toPoint()), button, button, modifiers);
  QApplication::sendEvent(view, &press);
  QPointF position = start;
  for (int step = 0; step < 8; ++step) {
    position += QPointF(7, -4);
    QMouseEvent move(QEvent::MouseMove,
                     position,
                     view->mapToGlobal(position.toPoint()),
                     Qt::NoButton,
                     button,
                     modifiers);
    QApplication::sendEvent(view, &move);
  }
  QMouseEvent release(QEvent::MouseButtonRelease,
                      position,
                      view->mapToGlobal(position.toPoint()),
                      button,
                      Qt::NoButton,
                      modifiers);
  QApplication::sendEvent(view, &release);
}

void
wheel(QWidget* view, int notches)
{
  const QPointF center(view->width() / 2.0, view->height() / 2.0);
  QWheelEvent event(center,
                    view->mapToGlobal(center.toPoint()),
                    QPoint(),
                    QPoint(0, 120 * notches),
                    Qt::NoButton,
                    Qt::NoModifier,
                    Qt::NoScrollPhase,
                    false);
  QApplication::sendEvent(view, &event);
}

// Moves a slider, scroll bar or spin box through its extremes and back to where it was.
template<typename Control, typename Value>
void
sweep(Control* control, Value low, Value high)
{
  const Value initial = control->value();
  for (Value value : { low, high, Value(low + (high - low) / 2), initial }) {
    control->setValue(value);
    QCoreApplication::processEvents();
  }
}

} // namespace

class ReadOnlyTest : public QObject
{
  Q_OBJECT

public slots:
  // Stands in for the desktop's player: the audio guides must reach it, not a real one.
  void openUrl(const QUrl& url) { openedUrls << url; }

private slots:
  void initTestCase();
  void cleanupTestCase();
  void sessionOfEveryActionWritesNothing();
  void programRunWritesNothing();

private:
  void checkNothingChanged();

  Snapshot modelBefore;
  Snapshot homeBefore;
  Snapshot runtimeBefore;
  Snapshot tempBefore;
  QList<QUrl> openedUrls;
};

void
ReadOnlyTest::initTestCase()
{
  QString error;
  QVERIFY2(writeSampleModel(folders.model, &error), qPrintable(error));
  // The model and the window icon beside it ("../Cochlex_KT_source/icon.png").
  setReadOnly(folders.model, true);
  setReadOnly(folders.base + "/Cochlex_KT_source", true);
  modelBefore = modelSnapshot();
  // The toolkit itself has started already: whatever it wrote at start-up is measured against
  // the empty folders it was given.
  homeBefore = Snapshot{ { ".", stateOf(QFileInfo(folders.home)) } };
  runtimeBefore = snapshot(folders.runtime);
  tempBefore = snapshot(folders.temp);
}

void
ReadOnlyTest::cleanupTestCase()
{
  setReadOnly(folders.model, false);
  setReadOnly(folders.base + "/Cochlex_KT_source", false);
}

void
ReadOnlyTest::checkNothingChanged()
{
  const Snapshot modelAfter = modelSnapshot();
  QStringList report;
  const std::pair<QString, QString> folderDifferences[] = {
    { "model folder", differences(modelBefore, modelAfter) },
    { "home folder", differences(homeBefore, snapshot(folders.home)) },
    { "runtime folder", differences(runtimeBefore, snapshot(folders.runtime)) },
    { "temporary folder", differences(tempBefore, snapshot(folders.temp)) },
  };
  for (const auto& [name, lines] : folderDifferences) {
    if (!lines.isEmpty()) {
      // The first few lines name the culprit; the test output is cut at about 1000 characters.
      const QStringList all = lines.split('\n');
      report << QString("In the %1 (%2 entries):").arg(name).arg(all.size()) << all.mid(0, 6);
    }
  }
  QVERIFY2(report.isEmpty(), qPrintable(report.join('\n')));
}

void
ReadOnlyTest::sessionOfEveryActionWritesNothing()
{
  fixture::WorkingDirectory inModel(folders.model);
  auto window = std::make_unique<_CochlexUI>();
  window->resize(1100, 800);
  window->show();
  QVERIFY(QTest::qWaitForWindowExposed(window.get()));
  const std::string loadOutput = captureOutput([&] { window->loadTB(); });
  QVERIFY2(loadOutput.find("Cannot open") == std::string::npos, loadOutput.c_str());
  QCOMPARE(window->frontActors.size(), std::size_t(9));
  QVERIFY(window->hasSectionVolume());
  QCoreApplication::processEvents();

  // Every control of the window, the way a user reaches it.
  for (QCheckBox* box : window->findChildren<QCheckBox*>()) {
    box->click();
    QTest::qWait(box->isChecked() && box->objectName().startsWith("autoRot") ? 350 : 0);
    box->click();
    QCoreApplication::processEvents();
  }
  for (QCheckBox* box : { window->showXPlane, window->showYPlane, window->showZPlane }) {
    if (!box->isChecked()) {
      box->click();
    }
  }
  for (QAbstractSlider* control : window->findChildren<QAbstractSlider*>()) {
    sweep(control, control->minimum(), control->maximum());
  }
  for (QSpinBox* control : window->findChildren<QSpinBox*>()) {
    sweep(control, control->minimum(), control->maximum());
  }
  for (QDoubleSpinBox* control : window->findChildren<QDoubleSpinBox*>()) {
    sweep(control, control->minimum(), control->maximum());
  }

  // Both views' mouse gestures and the plane widgets' keys.
  for (QWidget* view :
       { static_cast<QWidget*>(window->qvtkWidget), static_cast<QWidget*>(window->qvtkHead) }) {
    drag(view, Qt::LeftButton, Qt::NoModifier);
    drag(view, Qt::LeftButton, Qt::ShiftModifier);
    drag(view, Qt::LeftButton, Qt::ControlModifier);
    drag(view, Qt::MiddleButton, Qt::NoModifier);
    drag(view, Qt::RightButton, Qt::NoModifier);
    wheel(view, 2);
    wheel(view, -3);
    QCoreApplication::processEvents();
  }
  for (char key : { 'x', 'y', 'z', 'x', 'y', 'z' }) {
    QTest::keyClick(window->qvtkWidget, key);
  }

  // Buttons, including the audio guides, which go to the stand-in player.
  QDesktopServices::setUrlHandler("file", this, "openUrl");
  for (QPushButton* button : window->findChildren<QPushButton*>()) {
    button->click();
    QCoreApplication::processEvents();
  }

  // Menu actions: stereo on and off, full screen and back, the docks, the dialogs.
  const QList<QAction*> actions = window->findChildren<QAction*>();
  for (QAction* action : actions) {
    action->trigger();
    QTest::qWait(action == window->actionFull_Screen ? 300 : 20);
    if (action == window->actionFull_Screen) {
      window->actionViewer_Dock->trigger();
    }
  }
  window->actionStereo_View->trigger();
  window->actionStereo_View->trigger();
  window->viewerDock->setFloating(true);
  window->headDock->setFloating(true);
  QTest::qWait(100);
  window->actionViewer_Dock->trigger();
  window->actionHead->trigger();

  // Every slot once more, straight through the meta-object, except the load itself.
  const QMetaObject* meta = window->metaObject();
  for (int index = meta->methodOffset(); index < meta->methodCount(); ++index) {
    const QMetaMethod method = meta->method(index);
    if (method.methodType() != QMetaMethod::Slot || method.name() == "loadTB") {
      continue;
    }
    if (method.parameterCount() == 0) {
      QVERIFY(method.invoke(window.get(), Qt::DirectConnection));
    } else if (method.parameterType(0) == QMetaType::Bool) {
      QVERIFY(method.invoke(window.get(), Qt::DirectConnection, Q_ARG(bool, true)));
      QTest::qWait(150);
      QVERIFY(method.invoke(window.get(), Qt::DirectConnection, Q_ARG(bool, false)));
    } else {
      QResizeEvent resize(QSize(900, 700), QSize(1100, 800));
      QVERIFY(method.invoke(window.get(), Qt::DirectConnection, Q_ARG(QResizeEvent*, &resize)));
    }
    QCoreApplication::processEvents();
  }
  window->resize(800, 600);
  window->resize(1200, 900);
  QTest::qWait(100);
  QDesktopServices::unsetUrlHandler("file");

  // Both guides went to the player, by their names in the model folder.
  const QString model = QDir(folders.model).absolutePath();
  QVERIFY(openedUrls.contains(QUrl::fromLocalFile(model + "/Track_1.wma")));
  QVERIFY(openedUrls.contains(QUrl::fromLocalFile(model + "/Track_2.wma")));

  window->helpDialog.close();
  window->aboutDialog.close();
  window->close();
  window.reset();
  QCoreApplication::processEvents();
  checkNothingChanged();
}

void
ReadOnlyTest::programRunWritesNothing()
{
  QProcess program;
  program.setWorkingDirectory(folders.model);
  program.setProcessChannelMode(QProcess::SeparateChannels);
  // The program must keep its GL driver from writing by itself, not by inheriting this test's
  // setting.
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.remove("MESA_SHADER_CACHE_DISABLE");
  program.setProcessEnvironment(environment);
  program.start(COCHLEX_EXECUTABLE, QStringList());
  QVERIFY(program.waitForStarted());

  // The load prints the working directory first and the section bounds last.
  QByteArray output;
  QElapsedTimer clock;
  clock.start();
  while (output.count('\n') < 2 && clock.elapsed() < 120000 &&
         program.state() == QProcess::Running) {
    program.waitForReadyRead(500);
    output += program.readAllStandardOutput();
  }
  QVERIFY2(output.count('\n') >= 2, output.constData());
  QVERIFY2(!output.contains("Cannot open"), output.constData());
  QVERIFY(!program.waitForFinished(1500));
  program.terminate();
  QVERIFY(program.waitForFinished(30000));
  checkNothingChanged();
}

int
main(int argc, char** argv)
{
  makeFolders();
  // As the program starts.
  keepGraphicsDriverFromWritingFiles();
  int result = 0;
  {
    QSurfaceFormat::setDefaultFormat(QVTKOpenGLNativeWidget::defaultFormat());
    QApplication application(argc, argv);
    ReadOnlyTest test;
    result = QTest::qExec(&test, argc, argv);
  }
  QDir(folders.base).removeRecursively();
  return result;
}

#include "test_readonly.moc"
