// Soak and monkey run: the viewer on the sample teaching model with automatic rotation on and a
// seeded random stream of user actions on every control and both 3-D views, for a given time.
// Samples resident memory every few seconds and prints the figures at the end; fails when the
// memory after the first minute grows by more than 5 MB.
//
//   cochlex_soak [--seconds <n>] [--seed <n>] [--model <directory>] [--interval <ms>]
//                [--only <text>] [--skip <text>] [--abrupt-exit] [--vtk-variants]
//   cochlex_soak --start-and-quit <ms> [--seed <n>] [--model <directory>] [--interval <ms>]
//   cochlex_soak --write-model <directory> [--vtk-variants]
//
// --start-and-quit starts the viewer as the program does, runs the random actions for a random
// time of up to <ms> after the load (0: none), and quits through the event loop as a user would:
// scripts/soak-starts repeats it a thousand times, since a fault of the start or the end shows in
// one start of many. --write-model writes the sample teaching model and ends; with
// --vtk-variants its nine surfaces are written again by VTK's own writer in nine styles (ASCII
// and binary, normals, METADATA with component names, triangle strips, point and cell scalars,
// field data, texture coordinates), as models made with other tools hold them.
//
// --only keeps the kinds of action whose name contains one of the comma-separated texts (e.g.
// "stereo,view"), --skip drops them: to find which one a problem comes from. --abrupt-exit ends
// the process without tearing the window down, so that a heap profiler (heaptrack) reports
// everything still held; two runs of different lengths then show what grows.
//
// Needs a display (scripts/soak runs it under Xvfb). Without --model the sample teaching model
// (with --vtk-variants, its surfaces rewritten as above) is written into a temporary folder first.
// The audio guides are caught by a URL handler, so no player starts.

#include "app/Startup.h"
#include "bench/Measurements.h"
#include "bench/SoakModel.h"
#include "tools/SampleModel.h"
#include "viewer/CochlexUI.h"
#include "viewer/Lessons.h"
#include "viewer/StructureSelection.h"

#include "ui/RenderView.h"
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QDir>
#include <QDockWidget>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QSurfaceFormat>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QWheelEvent>

#include <vtkImagePlaneWidget.h>
#include <vtkNew.h>
#include <vtkRenderWindow.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iostream>
#include <malloc.h>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr double allowedGrowthMegabytes = 5.0;

// Resident memory in use. Free heap memory is handed back to the system first: rendering
// allocates and frees tens of megabytes per frame, and what the allocator keeps of that would
// swamp any real growth. Memory still in use, leaked or not, stays resident.
// Memory the allocator has handed out and not got back, in megabytes.
double
heapInUseMegabytes()
{
  const struct mallinfo2 info = mallinfo2();
  return double(info.uordblks + info.hblkhd) / (1024.0 * 1024.0);
}

// Resident memory after handing freed heap back to the system, so that only memory in use
// counts.
double
residentMegabytes()
{
  malloc_trim(0);
  return residentMemory().currentMegabytes;
}

// Whether a view shows more than its background.
bool
drawsSomething(RenderView* view)
{
  const QImage image = view->grabFramebuffer();
  const QRgb background = image.pixel(0, 0);
  for (int y = 0; y < image.height(); y += 4) {
    for (int x = 0; x < image.width(); x += 4) {
      if (image.pixel(x, y) != background) {
        return true;
      }
    }
  }
  return false;
}

// Catches the audio guides' file URLs instead of the desktop.
class UrlCatcher : public QObject
{
  Q_OBJECT

public:
  int opened = 0;

public slots:
  void openUrl(const QUrl&) { ++opened; }
};

struct Options
{
  int seconds = 600;
  unsigned seed = 1;
  int intervalMs = 30;
  QString model;
  std::string only;
  std::string skip;
  bool abruptExit = false;
  int startAndQuitMs = -1; // negative: the timed soak
  QString writeModel;
  bool vtkVariants = false;
};

bool
parseOptions(int argc, char** argv, Options& options)
{
  for (int index = 1; index < argc; ++index) {
    const std::string argument = argv[index];
    const bool hasValue = index + 1 < argc;
    if (argument == "--seconds" && hasValue) {
      options.seconds = std::atoi(argv[++index]);
    } else if (argument == "--seed" && hasValue) {
      options.seed = unsigned(std::strtoul(argv[++index], nullptr, 10));
    } else if (argument == "--interval" && hasValue) {
      options.intervalMs = std::atoi(argv[++index]);
    } else if (argument == "--start-and-quit" && hasValue) {
      options.startAndQuitMs = std::atoi(argv[++index]);
    } else if (argument == "--write-model" && hasValue) {
      options.writeModel = QString::fromLocal8Bit(argv[++index]);
    } else if (argument == "--vtk-variants") {
      options.vtkVariants = true;
    } else if (argument == "--abrupt-exit") {
      options.abruptExit = true;
    } else if (argument == "--skip" && hasValue) {
      options.skip = argv[++index];
    } else if (argument == "--only" && hasValue) {
      options.only = argv[++index];
    } else if (argument == "--model" && hasValue) {
      options.model = QString::fromLocal8Bit(argv[++index]);
    } else {
      return false;
    }
  }
  return options.seconds > 0 && options.intervalMs >= 0;
}

class Monkey
{
public:
  Monkey(_CochlexUI& window, unsigned seed, const std::string& only, const std::string& skip)
    : window(window)
    , random(seed)
    , startGeometry(window.geometry())
  {
    for (std::size_t index = 0; index < window.structureCheckBoxes.size(); ++index) {
      startShown.push_back(window.structureCheckBoxes[index]->isChecked());
      startTransparency.push_back(window.structureSliders[index]->value());
    }
    addActions();
    auto matches = [](const std::string& name, const std::string& texts) {
      std::size_t start = 0;
      while (start <= texts.size()) {
        const std::size_t comma = std::min(texts.find(',', start), texts.size());
        if (name.find(texts.substr(start, comma - start)) != std::string::npos) {
          return true;
        }
        start = comma + 1;
      }
      return false;
    };
    actions.erase(std::remove_if(actions.begin(),
                                 actions.end(),
                                 [&](const Action& action) {
                                   return !matches(action.name, only) ||
                                          (!skip.empty() && matches(action.name, skip));
                                 }),
                  actions.end());
  }

  bool empty() const { return actions.empty(); }

  // Brings the window back to the state it started in (all but the camera and the section
  // numbers), so that memory taken at two points of the run is comparable: what the views hold
  // depends on what is shown and how large the views are.
  void restoreStartState()
  {
    _CochlexUI* w = &window;
    if (w->viewerDock->isFloating()) {
      w->actionViewer_Dock->trigger();
    }
    w->helpDialog.close();
    w->aboutDialog.close();
    w->lessons->finishTransition();
    for (const char* name : { "actionShow_Labels", "actionWhite_Background" }) {
      if (auto* toggle = w->findChild<QAction*>(QString::fromLatin1(name));
          toggle && toggle->isChecked()) {
        toggle->trigger();
      }
    }
    if (auto* structureDock = w->findChild<QDockWidget*>(QStringLiteral("structureInfoDock"))) {
      structureDock->hide();
    }
    if (!w->stereoOff) {
      w->actionStereo_View->trigger();
    }
    if (!w->autoRotX->isChecked()) {
      w->autoRotX->click();
    }
    w->setGeometry(startGeometry);
    for (std::size_t index = 0; index < w->structureCheckBoxes.size(); ++index) {
      if (w->structureCheckBoxes[index]->isChecked() != startShown[index]) {
        w->structureCheckBoxes[index]->click();
      }
      w->structureSliders[index]->setValue(startTransparency[index]);
    }
    for (QCheckBox* box : { w->showXPlane, w->showYPlane, w->showZPlane }) {
      if (box->isChecked()) {
        box->click();
      }
    }
    for (QSlider* clip : { w->clipX, w->clipY, w->clipZ }) {
      clip->setValue(0);
    }
    const std::pair<vtkImagePlaneWidget*, char> planeKeys[] = { { w->planeWidgetX, 'x' },
                                                                { w->planeWidgetY, 'y' },
                                                                { w->planeWidgetZ, 'z' } };
    for (const auto& [widget, letter] : planeKeys) {
      if (widget->GetEnabled()) {
        key(w->qvtkWidget, Qt::Key(Qt::Key_X + (letter - 'x')), QString(QChar(letter)));
      }
    }
    w->resetButton->click();
  }

  void act()
  {
    std::uniform_int_distribution<std::size_t> pick(0, actions.size() - 1);
    Action& action = actions[pick(random)];
    action.run();
    ++counts[action.name];
    ++total;
  }

  long long actionCount() const { return total; }
  const std::map<std::string, long long>& actionCounts() const { return counts; }

private:
  struct Action
  {
    std::string name;
    std::function<void()> run;
  };

  int uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); }

  template<typename Control>
  void setRandomValue(Control* control)
  {
    control->setValue(uniform(control->minimum(), control->maximum()));
  }

  void add(const std::string& name, const std::function<void()>& run, int weight = 1)
  {
    for (int copy = 0; copy < weight; ++copy) {
      actions.push_back({ name, run });
    }
  }

  // A drag in a view: press, a few moves, release; what it does depends on button and keys.
  void drag(QWidget* view, Qt::MouseButton button, Qt::KeyboardModifiers modifiers)
  {
    const int width = std::max(2, view->width());
    const int height = std::max(2, view->height());
    QPointF position(uniform(0, width - 1), uniform(0, height - 1));
    QMouseEvent press(QEvent::MouseButtonPress,
                      position,
                      view->mapToGlobal(position.toPoint()),
                      button,
                      button,
                      modifiers);
    QCoreApplication::sendEvent(view, &press);
    const int steps = uniform(2, 6);
    for (int step = 0; step < steps; ++step) {
      position += QPointF(uniform(-40, 40), uniform(-40, 40));
      QMouseEvent move(QEvent::MouseMove,
                       position,
                       view->mapToGlobal(position.toPoint()),
                       Qt::NoButton,
                       button,
                       modifiers);
      QCoreApplication::sendEvent(view, &move);
    }
    QMouseEvent release(QEvent::MouseButtonRelease,
                        position,
                        view->mapToGlobal(position.toPoint()),
                        button,
                        Qt::NoButton,
                        modifiers);
    QCoreApplication::sendEvent(view, &release);
  }

  void wheel(QWidget* view)
  {
    const QPointF position(view->width() / 2.0, view->height() / 2.0);
    const int notches = uniform(0, 1) ? 120 : -120;
    QWheelEvent event(position,
                      view->mapToGlobal(position.toPoint()),
                      QPoint(),
                      QPoint(0, notches),
                      Qt::NoButton,
                      Qt::NoModifier,
                      Qt::NoScrollPhase,
                      false);
    QCoreApplication::sendEvent(view, &event);
  }

  void key(QWidget* view, Qt::Key code, const QString& text)
  {
    QKeyEvent press(QEvent::KeyPress, code, Qt::NoModifier, text);
    QCoreApplication::sendEvent(view, &press);
    QKeyEvent release(QEvent::KeyRelease, code, Qt::NoModifier, text);
    QCoreApplication::sendEvent(view, &release);
  }

  void addActions()
  {
    _CochlexUI* w = &window;
    for (std::size_t index = 0; index < w->structureCheckBoxes.size(); ++index) {
      add("structure check box", [w, index] { w->structureCheckBoxes[index]->click(); });
      add("structure slider", [this, w, index] { setRandomValue(w->structureSliders[index]); });
      add("structure spin box",
          [this, w, index] { w->structureSpinBoxes[index]->setValue(uniform(0, 10) / 10.0); });
    }
    QScrollBar* const sectionBars[] = { w->sectionNumberX, w->sectionNumberY, w->sectionNumberZ };
    QSpinBox* const sectionSpins[] = { w->spinBox_x, w->spinBox_y, w->spinBox_z };
    QCheckBox* const sectionBoxes[] = { w->showXPlane, w->showYPlane, w->showZPlane };
    QSlider* const clipSliders[] = { w->clipX, w->clipY, w->clipZ };
    for (int axis = 0; axis < 3; ++axis) {
      QScrollBar* bar = sectionBars[axis];
      QSpinBox* spin = sectionSpins[axis];
      QCheckBox* box = sectionBoxes[axis];
      QSlider* clip = clipSliders[axis];
      add(
        "section scroll bar", [this, bar] { setRandomValue(bar); }, 2);
      add(
        "section step", [bar] { bar->setValue(bar->value() + 1); }, 2);
      add("section spin box", [this, spin] { setRandomValue(spin); });
      add(
        "show section box", [box] { box->click(); }, 2);
      add(
        "clipping slider", [this, clip] { setRandomValue(clip); }, 2);
    }
    QScrollBar* const cameraBars[] = { w->rotXScrollBar, w->rotYScrollBar, w->zoomScrollBar };
    for (QScrollBar* bar : cameraBars) {
      add(
        "camera bar", [this, bar] { setRandomValue(bar); }, 2);
    }
    for (QSlider* slider : { w->shiftXSlider, w->shiftYSlider }) {
      add(
        "camera bar", [this, slider] { setRandomValue(slider); }, 2);
    }
    add("reset", [w] { w->resetButton->click(); });
    add("reset", [w] { w->actionReset->trigger(); });
    add("center", [w] { w->centerButton->click(); });
    add("center", [w] { w->actionCenter->trigger(); });
    add("show all", [w] { w->showAllButton->click(); });
    add("show all", [w] { w->actionView_All->trigger(); });
    add("hide all", [w] { w->hideAllButton->click(); });
    add("hide all", [w] { w->actionHide_All->trigger(); });
    add("stereo", [w] { w->actionStereo_View->trigger(); });
    add("full screen and back", [this, w] {
      if (fullScreenPending) {
        return;
      }
      fullScreenPending = true;
      w->actionFull_Screen->trigger();
      QTimer::singleShot(uniform(200, 1500), w, [this, w] {
        w->actionViewer_Dock->trigger();
        fullScreenPending = false;
      });
    });
    add("head view", [w] { w->actionHead->trigger(); });
    add("help dialog", [this, w] {
      w->actionCochlex_Help->trigger();
      QTimer::singleShot(uniform(100, 2000), &w->helpDialog, &QWidget::close);
    });
    add("about dialog", [this, w] {
      w->actionAbout_Cochlex->trigger();
      QTimer::singleShot(uniform(100, 2000), &w->aboutDialog, &QWidget::close);
    });
    add("audio guide", [w] { w->audioGuideButton1->click(); });
    add("audio guide", [w] { w->audioGuideButton2->click(); });
    // Switches the axis; automatic rotation stays on.
    add("automatic rotation axis",
        [w] { (w->autoRotY->isChecked() ? w->autoRotX : w->autoRotY)->click(); });
    add("window resize", [this, w] {
      const QRect screen = QGuiApplication::primaryScreen()->geometry();
      w->resize(uniform(screen.width() / 2, screen.width() - 100),
                uniform(screen.height() / 2, screen.height() - 100));
    });

    QWidget* const views[] = { w->qvtkWidget, w->qvtkHead };
    for (QWidget* view : views) {
      const std::string where = view == w->qvtkWidget ? "main view " : "head view ";
      add(
        where + "rotate", [this, view] { drag(view, Qt::LeftButton, Qt::NoModifier); }, 3);
      add(where + "pan", [this, view] { drag(view, Qt::MiddleButton, Qt::NoModifier); });
      add(where + "pan", [this, view] { drag(view, Qt::LeftButton, Qt::ShiftModifier); });
      add(where + "zoom", [this, view] { drag(view, Qt::RightButton, Qt::NoModifier); });
      add(where + "zoom", [this, view] { wheel(view); });
      add(where + "spin", [this, view] { drag(view, Qt::LeftButton, Qt::ControlModifier); });
    }
    // Lessons: views added, gone to, saved and opened again.
    add("lesson add view", [w] { w->lessons->addView(); });
    add(
      "lesson go to view",
      [this, w] {
        const int count = int(w->lessons->views().size());
        if (count > 0) {
          w->lessons->goToView(uniform(0, count - 1));
        }
      },
      2);
    add("lesson standard view",
        [this, w] { w->lessons->goToStandardView(standardViews[std::size_t(uniform(0, 5))]); });
    add("lesson next and previous",
        [this, w] { uniform(0, 1) ? w->lessons->nextView() : w->lessons->previousView(); });
    add("lesson save and open", [w] {
      const QString path = QDir::temp().filePath(
        QStringLiteral("cochlex-soak-%1.cochlex-lesson").arg(QCoreApplication::applicationPid()));
      if (w->lessons->saveLessonTo(path).isEmpty()) {
        w->lessons->openLessonFile(path);
      }
      QFile::remove(path);
    });
    // Labels and the white background.
    for (const char* name : { "actionShow_Labels", "actionWhite_Background" }) {
      if (auto* toggle = w->findChild<QAction*>(QString::fromLatin1(name))) {
        add(
          "labels", [toggle] { toggle->trigger(); }, 2);
      }
    }
    // A structure's description in the Structure dock, as after a click on it.
    add(
      "description",
      [this, w] {
        const int count = int(w->structureCheckBoxes.size());
        if (count > 0) {
          w->structureSelection->selectStructure(uniform(0, count - 1));
        }
      },
      2);
    add("x/y/z key", [this, w] { key(w->qvtkWidget, Qt::Key_X, QStringLiteral("x")); });
    add("x/y/z key", [this, w] { key(w->qvtkWidget, Qt::Key_Y, QStringLiteral("y")); });
    add("x/y/z key", [this, w] { key(w->qvtkWidget, Qt::Key_Z, QStringLiteral("z")); });
  }

  _CochlexUI& window;
  std::mt19937 random;
  std::vector<Action> actions;
  std::map<std::string, long long> counts;
  long long total = 0;
  bool fullScreenPending = false;
  QRect startGeometry;
  std::vector<bool> startShown;
  std::vector<int> startTransparency;
};

// One start of the many of scripts/soak-starts: the load is done; actions for a random share of
// the given time (the coarse copies are built a second after the first frame, the labels laid
// out before each frame), then the quit a user's Ctrl+Q or window close would make.
int
startAndQuit(_CochlexUI& window, const Options& options)
{
  std::mt19937 random(options.seed);
  const int lasting = std::uniform_int_distribution<int>(0, options.startAndQuitMs)(random);
  Monkey monkey(window, options.seed, options.only, options.skip);
  QTimer actions;
  QObject::connect(&actions, &QTimer::timeout, [&] {
    if (!monkey.empty()) {
      monkey.act();
    }
  });
  if (lasting > 0) {
    actions.start(std::max(options.intervalMs, 1) * 4);
  }
  bool stayedOpen = false;
  QTimer::singleShot(lasting, &window, [&] {
    actions.stop();
    window.close();
    // Views the actions added are unsaved: the window asks, and the user lets them go. The
    // answer closes the window on the next pass of the event loop, before the quit.
    if (auto* question = window.findChild<QMessageBox*>(QStringLiteral("unsavedLessonBox"))) {
      question->button(QMessageBox::Discard)->click();
    }
    QTimer::singleShot(0, &window, [&window, &stayedOpen] {
      stayedOpen = window.isVisible();
      QCoreApplication::quit();
    });
  });
  QApplication::exec();
  if (stayedOpen) {
    std::fprintf(stderr, "soak: the window did not close when asked to quit\n");
    return 1;
  }
  std::printf("soak: started, ran %lld actions in %d ms, quit\n", monkey.actionCount(), lasting);
  std::fflush(stdout);
  return 0;
}

} // namespace

int
main(int argc, char** argv)
{
  Options options;
  if (!parseOptions(argc, argv, options)) {
    std::fprintf(
      stderr,
      "usage: cochlex_soak [--seconds <n>] [--seed <n>] [--model <directory>] "
      "[--interval <ms>] [--only <text>] [--skip <text>] [--abrupt-exit] [--vtk-variants]\n"
      "       cochlex_soak --start-and-quit <ms> [--seed <n>] [--model <directory>]\n"
      "       cochlex_soak --write-model <directory> [--vtk-variants]\n");
    return 2;
  }
  if (!options.writeModel.isEmpty()) {
    // The splash image is drawn with the application's fonts.
    QApplication application(argc, argv);
    return writeSoakModel(options.writeModel, options.vtkVariants) ? 0 : 1;
  }

  // Large blocks straight from and back to the system: with the allocator's adaptive threshold
  // the frames' big temporary buffers stay resident after use, by an amount that depends on
  // the history of the run and hides any real growth.
  mallopt(M_MMAP_THRESHOLD, 128 * 1024);
  mallopt(M_TRIM_THRESHOLD, 128 * 1024);

  prepareApplication();
  QApplication application(argc, argv);

  QTemporaryDir temporary;
  QString model = options.model;
  if (model.isEmpty()) {
    if (!temporary.isValid()) {
      std::printf("soak: cannot create a temporary folder\n");
      return 1;
    }
    model = temporary.filePath("model");
    std::printf("soak: writing the sample teaching model into %s\n", qPrintable(model));
    std::fflush(stdout);
    if (!writeSoakModel(model, options.vtkVariants)) {
      return 1;
    }
  }
  QDir::setCurrent(model);

  UrlCatcher audioGuides;
  QDesktopServices::setUrlHandler(QStringLiteral("file"), &audioGuides, "openUrl");

  StartupSplash splash;
  _CochlexUI window;
  startViewer(window, splash);
  if (window.frontActors.size() != 9 || !window.hasSectionVolume()) {
    std::printf("soak: the sample model did not load completely\n");
    return 1;
  }
  if (options.startAndQuitMs >= 0) {
    return startAndQuit(window, options);
  }
  window.autoRotX->click();

  // The baseline is taken after the first minute, or half-way through a shorter run.
  const int baselineSeconds = options.seconds >= 120 ? 60 : options.seconds / 2;
  Monkey monkey(window, options.seed, options.only, options.skip);
  if (monkey.empty()) {
    std::printf("soak: no kind of action is left to run\n");
    return 2;
  }
  QElapsedTimer clock;
  clock.start();
  double baselineRss = 0;
  double finalRss = 0;
  double peakRss = 0;

  QTimer actions;
  QObject::connect(&actions, &QTimer::timeout, [&] { monkey.act(); });

  // Memory is compared in the start state with the views at rest: the software renderer holds
  // tens of megabytes while a frame is in flight. Its caches of compiled per-state shader
  // variants fill and empty with what the run happened to draw, by tens of megabytes, so both
  // views first drop their graphics resources and build only what the start state needs.
  // The lowest of a few readings counts.
  auto checkpoint = [&] {
    actions.stop();
    monkey.restoreStartState();
    window.autoRotX->click();
    for (vtkRenderWindow* view : { window.mainRenderWindow(), window.headRenderWindow() }) {
      view->ReleaseGraphicsResources(view);
      view->Render();
    }
    double lowest = 0;
    for (int reading = 0; reading < 6; ++reading) {
      QEventLoop settling;
      QTimer::singleShot(reading == 0 ? 2000 : 500, &settling, &QEventLoop::quit);
      settling.exec();
      const double rss = residentMegabytes();
      lowest = reading == 0 ? rss : std::min(lowest, rss);
    }
    window.autoRotX->click();
    std::printf(
      "soak: %4d s  start state: rss %.1f MB, heap in use %.1f MB, %lld actions, views %s\n",
      int(clock.elapsed() / 1000),
      lowest,
      heapInUseMegabytes(),
      monkey.actionCount(),
      drawsSomething(window.qvtkWidget) && drawsSomething(window.qvtkHead) ? "drawing" : "BLANK");
    std::fflush(stdout);
    return lowest;
  };
  int nextCheckpoint = baselineSeconds;

  QTimer sampler;
  QObject::connect(&sampler, &QTimer::timeout, [&] {
    const int seconds = int(clock.elapsed() / 1000);
    const double rss = residentMegabytes();
    peakRss = std::max(peakRss, rss);
    if (seconds % 30 < 5) {
      std::printf("soak: %4d s  rss %.1f MB  %lld actions\n", seconds, rss, monkey.actionCount());
      std::fflush(stdout);
    }
    if (clock.elapsed() >= qint64(options.seconds) * 1000) {
      sampler.stop();
      finalRss = checkpoint();
      QCoreApplication::quit();
    } else if (seconds >= nextCheckpoint) {
      // Every minute after the first, to show the trend.
      const double rss = checkpoint();
      if (baselineRss == 0) {
        baselineRss = rss;
      }
      nextCheckpoint += 60;
      actions.start(options.intervalMs);
    }
  });
  sampler.start(5000);

  std::printf("soak: %d s, seed %u, an action every %d ms, automatic rotation on\n",
              options.seconds,
              options.seed,
              options.intervalMs);
  std::fflush(stdout);
  actions.start(options.intervalMs);
  QApplication::exec();

  if (baselineRss == 0) {
    baselineRss = finalRss;
  }
  const double growth = finalRss - baselineRss;
  std::printf("\nsoak: actions by kind:\n");
  for (const auto& [name, count] : monkey.actionCounts()) {
    std::printf("  %-28s %6lld\n", name.c_str(), count);
  }
  std::printf("  audio guides caught: %d\n", audioGuides.opened);
  std::printf("soak: duration %d s, seed %u\n", options.seconds, options.seed);
  std::printf("soak: actions performed %lld\n", monkey.actionCount());
  std::printf("soak: RSS after %d s %.1f MB (start state)\n", baselineSeconds, baselineRss);
  std::printf(
    "soak: RSS final %.1f MB (start state; peak of all samples %.1f MB)\n", finalRss, peakRss);
  std::printf("soak: growth %+.1f MB (allowed %.1f MB)\n", growth, allowedGrowthMegabytes);
  const bool pass = growth <= allowedGrowthMegabytes;
  std::printf("soak: %s\n", pass ? "PASS" : "FAIL");
  std::fflush(stdout);
  if (options.abruptExit) {
    std::_Exit(pass ? 0 : 1);
  }
  return pass ? 0 : 1;
}

#include "soak_driver.moc"
