// Start-up of the viewer on a teaching model (the sample unless --model names another), next to
// a bare-VTK baseline that reads the same files and renders the same number of frames, and a
// bare Qt + VTK program drawing the same scene in two QVTKOpenGLNativeWidgets (memory only).
// Prints JSON: time from process start to the first complete frame, time per phase, frames, and
// peak RSS of the programs (the viewer's up to its first frame, and with the coarse copies for
// dragging, built after it). Every program starts twice in a run, each with a private shader
// cache of the GL driver (MESA_SHADER_CACHE_DIR): first emptied (cold), then holding what the
// first start compiled (warm), as the second start of the day on a teacher's computer.
// Targets: the viewer's start-up at most 0.9 times the baseline's, cold and warm; its peak
// memory at most 1.1 times the Qt + VTK program's.
//
//   bench_startup [--model <directory>] [--runs <n>]
//
// Needs a display (run it under xvfb-run). Without --model the sample teaching model is written
// into a temporary folder first. The viewer runs as a child process of this program (the same
// executable with --viewer), the baseline as bench_startup_baseline from the same folder.

#include "app/Startup.h"
#include "bench/Measurements.h"
#include "loading/LegacyPolyDataCheck.h"
#include "loading/ModelManifest.h"
#include "loading/SectionVolume.h"
#include "loading/StructureList.h"
#include "tools/SampleModel.h"
#include "viewer/CochlexUI.h"
#include "viewer/InteractiveDetail.h"

#include "ui/RenderView.h"
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QSplashScreen>
#include <QSurfaceFormat>
#include <QTemporaryDir>
#include <QTimer>

#include <vtkCallbackCommand.h>
#include <vtkCommand.h>
#include <vtkImageData.h>
#include <vtkNew.h>
#include <vtkRenderWindow.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

// ---------------------------------------------------------------------------------------------
// The viewer run: main()'s start-up sequence, with clocks on the console lines and the renders.

// Passes console output through and notes when each line ends.
class TimedLines : public std::streambuf
{
public:
  explicit TimedLines(std::streambuf* target)
    : target(target)
  {
  }
  std::vector<double> lineEnds;

protected:
  int overflow(int character) override
  {
    if (character == '\n') {
      lineEnds.push_back(monotonicMilliseconds());
    }
    return character == EOF ? 0 : target->sputc(char(character));
  }
  int sync() override { return target->pubsync(); }

private:
  std::streambuf* target;
};

struct RenderLog
{
  double started = 0;
  std::vector<std::pair<double, double>> intervals;
};

void
noteRenderStart(vtkObject*, unsigned long, void* clientData, void*)
{
  static_cast<RenderLog*>(clientData)->started = monotonicMilliseconds();
}

void
noteRenderEnd(vtkObject*, unsigned long, void* clientData, void*)
{
  auto* log = static_cast<RenderLog*>(clientData);
  log->intervals.emplace_back(log->started, monotonicMilliseconds());
}

void
observeRenders(vtkRenderWindow* window,
               RenderLog& log,
               std::vector<vtkSmartPointer<vtkCallbackCommand>>& keep)
{
  auto start = vtkSmartPointer<vtkCallbackCommand>::New();
  start->SetCallback(noteRenderStart);
  start->SetClientData(&log);
  auto end = vtkSmartPointer<vtkCallbackCommand>::New();
  end->SetCallback(noteRenderEnd);
  end->SetClientData(&log);
  window->AddObserver(vtkCommand::StartEvent, start);
  window->AddObserver(vtkCommand::EndEvent, end);
  keep.push_back(start);
  keep.push_back(end);
}

// Render time inside [from, to).
double
renderTimeBetween(const RenderLog& log, double from, double to)
{
  double total = 0;
  for (const auto& [start, end] : log.intervals) {
    total += std::max(0.0, std::min(end, to) - std::max(start, from));
  }
  return total;
}

int
runViewer(int argc, char** argv, const QString& model, int expectedStructures)
{
  // The program's own start-up, with clocks around the load.
  prepareApplication();
  QApplication application(argc, argv);
  QDir::setCurrent(model);
  StartupSplash splash;
  _CochlexUI window;

  RenderLog mainRenders;
  RenderLog headRenders;
  std::vector<vtkSmartPointer<vtkCallbackCommand>> commands;
  observeRenders(window.mainRenderWindow(), mainRenders, commands);
  observeRenders(window.headRenderWindow(), headRenders, commands);

  double shownRss = 0;
  ResidentMemory loaded;
  std::ostringstream console;
  TimedLines timedLines(console.rdbuf());
  std::streambuf* previous = nullptr;
  double loadStarted = 0;
  double loadEnded = 0;
  startViewer(window, splash, [&](bool beforeLoad) {
    if (beforeLoad) {
      shownRss = residentMemory().currentMegabytes;
      previous = std::cout.rdbuf(&timedLines);
      loadStarted = monotonicMilliseconds();
    } else {
      loadEnded = monotonicMilliseconds();
      std::cout.rdbuf(previous);
      loaded = residentMemory();
    }
  });
  const double loadedRss = loaded.currentMegabytes;
  const double loadPeakRss = loaded.peakMegabytes;

  // The first complete frame: both views composed on screen after the load.
  bool mainShown = false;
  bool headShown = false;
  double firstFrame = 0;
  auto frameDone = [&] {
    if (mainShown && headShown && firstFrame == 0) {
      firstFrame = monotonicMilliseconds();
      QTimer::singleShot(0, &application, &QCoreApplication::quit);
    }
  };
  QObject::connect(window.qvtkWidget, &RenderView::frameSwapped, [&] {
    mainShown = true;
    frameDone();
  });
  QObject::connect(window.qvtkHead, &RenderView::frameSwapped, [&] {
    headShown = true;
    frameDone();
  });
  window.qvtkWidget->update();
  window.qvtkHead->update();
  QTimer::singleShot(60000, &application, &QCoreApplication::quit);
  QApplication::exec();
  const double framePeakRss = residentMemory().peakMegabytes;
  // The coarse copies for dragging are built after the first frame; their build must stay under
  // the start-up's peak. Waited for, up to 20 s, once the first frame's render times have decided
  // whether they are needed.
  QElapsedTimer waited;
  waited.start();
  while (waited.elapsed() < 1500 ||
         (waited.elapsed() < 20000 && window.interactiveDetail->fullDetailMissesBudget() &&
          !window.interactiveDetail->coarseCopiesReady())) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  }
  const double coarseCopiesPeakRss = residentMemory().peakMegabytes;

  // Lines: working directory, one per structure, then the volume's lines.
  const std::string text = console.str();
  const std::vector<double>& lines = timedLines.lineEnds;
  const int structures = int(window.frontActors.size());
  const bool complete = firstFrame > 0 && structures == expectedStructures &&
                        window.hasSectionVolume() && int(lines.size()) == structures + 2;
  const double firstLine = lines.empty() ? loadStarted : lines.front();
  const double lastStructure =
    lines.size() > std::size_t(structures) ? lines[structures] : firstLine;
  const double volumeLine = lines.empty() ? loadEnded : lines.back();
  auto renders = [&](double from, double to) {
    return renderTimeBetween(mainRenders, from, to) + renderTimeBetween(headRenders, from, to);
  };

  std::printf("BENCH {\"window_shown\": %.3f, \"load_started\": %.3f, \"load_ended\": %.3f, "
              "\"first_frame\": %.3f, \"complete\": %d, "
              "\"surfaces_ms\": %.3f, \"head_and_volume_ms\": %.3f, "
              "\"render_ms\": %.3f, \"main_frames\": %d, \"head_frames\": %d, "
              "\"main_width\": %d, \"main_height\": %d, \"head_width\": %d, \"head_height\": %d, "
              "\"rss_shown_mb\": %.1f, \"rss_loaded_mb\": %.1f, \"rss_load_peak_mb\": %.1f, "
              "\"rss_first_frame_peak_mb\": %.1f, \"rss_coarse_copies_peak_mb\": %.1f}\n",
              loadStarted,
              loadStarted,
              loadEnded,
              firstFrame,
              complete ? 1 : 0,
              lastStructure - firstLine - renders(firstLine, lastStructure),
              volumeLine - lastStructure - renders(lastStructure, volumeLine),
              renders(loadStarted, firstFrame > 0 ? firstFrame : loadEnded),
              int(mainRenders.intervals.size()),
              int(headRenders.intervals.size()),
              window.qvtkWidget->width(),
              window.qvtkWidget->height(),
              window.qvtkHead->width(),
              window.qvtkHead->height(),
              shownRss,
              loadedRss,
              loadPeakRss,
              framePeakRss,
              coarseCopiesPeakRss);
  std::fflush(stdout);
  return complete ? 0 : 1;
}

// ---------------------------------------------------------------------------------------------
// The driver.

struct ChildRun
{
  double spawned = 0;
  std::string output;
  double peakRssMegabytes = 0;
  int status = -1;
};

// Empties a shader cache folder: the next start compiles every shader.
void
emptyFolder(const QString& folder)
{
  QDir(folder).removeRecursively();
  QDir().mkpath(folder);
}

// Runs a program with the GL driver's shader cache in shaderCache.
ChildRun
runChild(const std::vector<std::string>& arguments, const std::string& shaderCache)
{
  ChildRun run;
  int channel[2];
  if (pipe(channel) != 0) {
    return run;
  }
  run.spawned = monotonicMilliseconds();
  const pid_t child = fork();
  if (child == 0) {
    dup2(channel[1], STDOUT_FILENO);
    close(channel[0]);
    close(channel[1]);
    // A private cache, so that the user's own cache neither helps nor hinders a start.
    unsetenv("MESA_SHADER_CACHE_DISABLE");
    setenv("MESA_SHADER_CACHE_DIR", shaderCache.c_str(), 1);
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 1);
    for (const std::string& argument : arguments) {
      argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(channel[1]);
  char buffer[4096];
  ssize_t count = 0;
  while ((count = read(channel[0], buffer, sizeof buffer)) > 0) {
    run.output.append(buffer, std::size_t(count));
  }
  close(channel[0]);
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.peakRssMegabytes = double(usage.ru_maxrss) / 1024.0;
  return run;
}

// The numbers of the "BENCH {...}" line a child printed.
std::map<std::string, double>
benchValues(const std::string& output)
{
  std::map<std::string, double> values;
  const std::size_t line = output.find("BENCH {");
  if (line == std::string::npos) {
    return values;
  }
  std::size_t position = line;
  const std::size_t end = output.find('}', line);
  while ((position = output.find('"', position + 1)) < end) {
    const std::size_t close = output.find('"', position + 1);
    const std::string key = output.substr(position + 1, close - position - 1);
    values[key] = std::strtod(output.c_str() + close + 2, nullptr);
    position = output.find(',', close);
    if (position == std::string::npos || position > end) {
      break;
    }
  }
  return values;
}

struct ModelInfo
{
  int structures = 0;
  ModelManifest manifest;
};

// The structures a model's folder names (its manifest's, else its list's) and its manifest.
ModelInfo
modelInfo(const std::string& model)
{
  ModelInfo info;
  QFile manifestFile(QString::fromStdString(model + "/" + modelManifestName));
  if (manifestFile.open(QIODevice::ReadOnly)) {
    info.manifest = parseModelManifest(manifestFile.readAll().toStdString(), model);
  }
  if (info.manifest.usable) {
    info.structures = int(info.manifest.structures.size());
  } else {
    std::ifstream listFile(model + "/Joint_transformed.txt");
    info.structures =
      int(parseStructureList(listFile, model + "/Joint_transformed.txt").entries.size());
  }
  return info;
}

// The load's phases measured one by one in this process, on a warm file cache.
std::map<std::string, double>
isolatedPhases(const std::string& model, const ModelInfo& info)
{
  std::map<std::string, double> phases;
  double start = monotonicMilliseconds();
  std::ifstream listFile(model + "/Joint_transformed.txt");
  const StructureList list = parseStructureList(listFile, model + "/Joint_transformed.txt");
  phases["list"] = monotonicMilliseconds() - start;

  start = monotonicMilliseconds();
  for (const StructureEntry& entry : list.entries) {
    readCheckedPolyData(model + entry.relativePath);
  }
  phases["surfaces"] = monotonicMilliseconds() - start;

  start = monotonicMilliseconds();
  std::string checkProblem;
  for (const StructureEntry& entry : list.entries) {
    checkProblem += checkLegacyPolyDataFile(model + entry.relativePath);
  }
  phases["surface_checks_only"] = monotonicMilliseconds() - start;

  start = monotonicMilliseconds();
  readCheckedPolyData(model + "/Joint/Head_bone_transformed.vtp");
  phases["head"] = monotonicMilliseconds() - start;

  start = monotonicMilliseconds();
  readSectionVolume(model + info.manifest.volume.relativePath, info.manifest.volume);
  phases["volume_read"] = monotonicMilliseconds() - start;
  return phases;
}

std::string
json(const std::map<std::string, double>& values)
{
  std::ostringstream text;
  text << "{";
  bool first = true;
  for (const auto& [key, value] : values) {
    text << (first ? "" : ", ") << "\"" << key << "\": " << value;
    first = false;
  }
  text << "}";
  return text.str();
}

} // namespace

int
main(int argc, char** argv)
{
  if (argc >= 4 && std::strcmp(argv[1], "--viewer") == 0) {
    int viewerArgc = 1;
    return runViewer(viewerArgc, argv, QString::fromLocal8Bit(argv[2]), std::atoi(argv[3]));
  }

  QString model;
  int runs = 3;
  for (int index = 1; index + 1 < argc; index += 2) {
    if (std::strcmp(argv[index], "--model") == 0) {
      model = QFileInfo(QString::fromLocal8Bit(argv[index + 1])).absoluteFilePath();
    } else if (std::strcmp(argv[index], "--runs") == 0) {
      runs = std::max(1, std::atoi(argv[index + 1]));
    }
  }

  // The sample model needs a GUI application for its images; off screen, so the children
  // still get the real display.
  QTemporaryDir temporary;
  if (model.isEmpty()) {
    char platformOption[] = "-platform";
    char platform[] = "offscreen";
    char* generatorArgv[] = { argv[0], platformOption, platform, nullptr };
    int generatorArgc = 3;
    QGuiApplication generator(generatorArgc, generatorArgv);
    model = temporary.path() + "/model";
    QString error;
    if (!writeSampleModel(model, &error)) {
      std::printf("{\"error\": \"%s\"}\n", qPrintable(error));
      return 1;
    }
  }

  const std::string self =
    QFileInfo(QString::fromLocal8Bit(argv[0])).absoluteFilePath().toStdString();
  const std::string baselineProgram =
    QFileInfo(QString::fromLocal8Bit(argv[0])).absolutePath().toStdString() +
    "/bench_startup_baseline";
  const std::string qtBaselineProgram =
    baselineProgram.substr(0, baselineProgram.size() - 9) + "_qt_baseline";
  const std::string modelPath = model.toStdString();
  // The structures and the volume the baselines read: from the manifest when there is one.
  const ModelInfo info = modelInfo(modelPath);
  std::vector<std::string> volumeArguments;
  if (info.manifest.volumeGiven) {
    const auto& dimensions = info.manifest.volume.dimensions;
    volumeArguments = { info.manifest.volume.relativePath,
                        std::to_string(dimensions[0]) + "x" + std::to_string(dimensions[1]) + "x" +
                          std::to_string(dimensions[2]) };
  }
  const QString shaderCache = temporary.path() + "/shader-cache";

  std::vector<double> viewerStartup, baselineStartup, viewerRss, viewerCoarseCopiesRss, baselineRss;
  std::vector<double> viewerWarmStartup, baselineWarmStartup, qtBaselineRss;
  std::vector<std::map<std::string, double>> viewerValues, baselineValues;
  bool complete = true;
  for (int run = 0; run < runs; ++run) {
    emptyFolder(shaderCache);
    const ChildRun viewer = runChild(
      { self, "--viewer", modelPath, std::to_string(info.structures) }, shaderCache.toStdString());
    std::map<std::string, double> values = benchValues(viewer.output);
    complete = complete && viewer.status == 0 && values["complete"] == 1;
    viewerStartup.push_back(values["first_frame"] - viewer.spawned);
    viewerRss.push_back(values["rss_first_frame_peak_mb"]);
    viewerCoarseCopiesRss.push_back(viewer.peakRssMegabytes);
    values["before_load_ms"] = values["load_started"] - viewer.spawned;
    values["load_ms"] = values["load_ended"] - values["load_started"];
    values["load_to_first_frame_ms"] = values["first_frame"] - values["load_ended"];
    viewerValues.push_back(values);
    const ChildRun viewerWarm = runChild(
      { self, "--viewer", modelPath, std::to_string(info.structures) }, shaderCache.toStdString());
    std::map<std::string, double> warmValues = benchValues(viewerWarm.output);
    complete = complete && viewerWarm.status == 0 && warmValues["complete"] == 1;
    viewerWarmStartup.push_back(warmValues["first_frame"] - viewerWarm.spawned);

    const auto size = [&](const char* width, const char* height) {
      return std::to_string(int(values[width])) + "x" + std::to_string(int(values[height]));
    };
    std::vector<std::string> baselineArguments = { baselineProgram,
                                                   modelPath,
                                                   std::to_string(int(values["main_frames"])),
                                                   std::to_string(int(values["head_frames"])),
                                                   size("main_width", "main_height"),
                                                   size("head_width", "head_height") };
    baselineArguments.insert(
      baselineArguments.end(), volumeArguments.begin(), volumeArguments.end());
    emptyFolder(shaderCache);
    const ChildRun baseline = runChild(baselineArguments, shaderCache.toStdString());
    std::map<std::string, double> base = benchValues(baseline.output);
    complete = complete && baseline.status == 0;
    baselineStartup.push_back(base["last_frame"] - baseline.spawned);
    baselineRss.push_back(baseline.peakRssMegabytes);
    base["before_reading_ms"] = base["started"] - baseline.spawned;
    baselineValues.push_back(base);
    const ChildRun baselineWarm = runChild(baselineArguments, shaderCache.toStdString());
    const std::map<std::string, double> warmBase = benchValues(baselineWarm.output);
    complete = complete && baselineWarm.status == 0;
    baselineWarmStartup.push_back(warmBase.at("last_frame") - baselineWarm.spawned);

    baselineArguments.front() = qtBaselineProgram;
    emptyFolder(shaderCache);
    const ChildRun qtBaseline = runChild(baselineArguments, shaderCache.toStdString());
    complete = complete && qtBaseline.status == 0;
    qtBaselineRss.push_back(qtBaseline.peakRssMegabytes);
  }

  const double viewerMedian = median(viewerStartup);
  const double baselineMedian = median(baselineStartup);
  const double viewerPeak = *std::max_element(viewerRss.begin(), viewerRss.end());
  const double baselinePeak = *std::max_element(baselineRss.begin(), baselineRss.end());
  const double viewerCoarseCopiesPeak =
    *std::max_element(viewerCoarseCopiesRss.begin(), viewerCoarseCopiesRss.end());
  const double qtBaselinePeak = *std::max_element(qtBaselineRss.begin(), qtBaselineRss.end());
  const double rssRatio = baselinePeak > 0 ? viewerPeak / baselinePeak : 0;
  const double qtRssRatio = qtBaselinePeak > 0 ? viewerPeak / qtBaselinePeak : 0;
  const double ratio = baselineMedian > 0 ? viewerMedian / baselineMedian : 0;
  const double viewerWarmMedian = median(viewerWarmStartup);
  const double baselineWarmMedian = median(baselineWarmStartup);
  const double warmRatio = baselineWarmMedian > 0 ? viewerWarmMedian / baselineWarmMedian : 0;
  // The phases of the run closest to the median (with an even count the median is the mean of
  // the two middle runs, which no run need equal).
  const std::size_t middle = std::size_t(
    std::distance(viewerStartup.begin(),
                  std::min_element(
                    viewerStartup.begin(), viewerStartup.end(), [viewerMedian](double a, double b) {
                      return std::abs(a - viewerMedian) < std::abs(b - viewerMedian);
                    })));

  std::map<std::string, double> viewerPhases;
  for (const char* key : { "before_load_ms",
                           "surfaces_ms",
                           "head_and_volume_ms",
                           "render_ms",
                           "load_ms",
                           "load_to_first_frame_ms",
                           "main_frames",
                           "head_frames" }) {
    viewerPhases[key] = viewerValues[middle][key];
  }
  // Resident memory at points of the run: window shown, model loaded, peaks.
  std::map<std::string, double> viewerMemory;
  for (const char* key : { "rss_shown_mb",
                           "rss_loaded_mb",
                           "rss_load_peak_mb",
                           "rss_first_frame_peak_mb",
                           "rss_coarse_copies_peak_mb" }) {
    viewerMemory[key] = viewerValues[middle][key];
  }
  std::map<std::string, double> baselinePhases;
  baselinePhases["rss_windows_mb"] = baselineValues[middle]["rss_windows_mb"];
  for (const char* key : { "before_reading_ms",
                           "surfaces_ms",
                           "head_ms",
                           "volume_ms",
                           "render_ms",
                           "main_frames",
                           "head_frames" }) {
    baselinePhases[key] = baselineValues[middle][key];
  }

  std::printf("{\n  \"benchmark\": \"startup\",\n  \"model\": \"%s\",\n  \"runs\": %d,\n",
              modelPath.c_str(),
              runs);
  std::printf("  \"complete_load\": %s,\n", complete ? "true" : "false");
  std::printf("  \"structures\": %d,\n", info.structures);
  std::printf("  \"viewer\": {\"startup_to_first_frame_ms\": %.1f, \"peak_rss_mb\": %.1f, "
              "\"peak_rss_with_coarse_copies_mb\": %.1f, \"phases_ms\": %s, \"memory_mb\": %s},\n",
              viewerMedian,
              viewerPeak,
              viewerCoarseCopiesPeak,
              json(viewerPhases).c_str(),
              json(viewerMemory).c_str());
  std::printf("  \"baseline\": {\"startup_to_last_frame_ms\": %.1f, \"peak_rss_mb\": %.1f, "
              "\"phases_ms\": %s},\n",
              baselineMedian,
              baselinePeak,
              json(baselinePhases).c_str());
  std::printf("  \"qt_baseline\": {\"peak_rss_mb\": %.1f},\n", qtBaselinePeak);
  std::printf("  \"warm_shader_cache\": {\"viewer_startup_ms\": %.1f, "
              "\"baseline_startup_ms\": %.1f, \"ratio\": %.3f, \"target\": 0.9},\n",
              viewerWarmMedian,
              baselineWarmMedian,
              warmRatio);
  std::printf("  \"isolated_phases_ms\": %s,\n", json(isolatedPhases(modelPath, info)).c_str());
  std::printf(R"(  "startup_runs_ms": {"viewer": [)");
  for (std::size_t run = 0; run < viewerStartup.size(); ++run) {
    std::printf("%s%.1f", run ? ", " : "", viewerStartup[run]);
  }
  std::printf("], \"baseline\": [");
  for (std::size_t run = 0; run < baselineStartup.size(); ++run) {
    std::printf("%s%.1f", run ? ", " : "", baselineStartup[run]);
  }
  std::printf("], \"viewer_warm\": [");
  for (std::size_t run = 0; run < viewerWarmStartup.size(); ++run) {
    std::printf("%s%.1f", run ? ", " : "", viewerWarmStartup[run]);
  }
  std::printf("], \"baseline_warm\": [");
  for (std::size_t run = 0; run < baselineWarmStartup.size(); ++run) {
    std::printf("%s%.1f", run ? ", " : "", baselineWarmStartup[run]);
  }
  std::printf("]},\n");
  std::printf("  \"startup_ratio\": %.3f,\n  \"startup_ratio_target\": 0.9,\n", ratio);
  std::printf("  \"peak_rss_ratio\": %.3f,\n", rssRatio);
  std::printf("  \"peak_rss_ratio_qt_baseline\": %.3f,\n  \"peak_rss_ratio_qt_target\": 1.1,\n",
              qtRssRatio);
  std::printf("  \"coarse_copies_under_startup_peak\": %s,\n",
              viewerCoarseCopiesPeak <= viewerPeak + 1 ? "true" : "false");
  std::printf("  \"within_targets\": %s\n}\n",
              complete && ratio <= 0.9 && warmRatio <= 0.9 && qtRssRatio <= 1.1 ? "true" : "false");
  return complete ? 0 : 1;
}
