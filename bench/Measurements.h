#pragma once

// Measuring helpers shared by the benchmarks, the soak driver and the tests.

#include <vtkCommand.h>
#include <vtkRenderWindow.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

// Milliseconds on the system-wide monotonic clock, comparable between processes: the driver
// notes when it starts a program, the program notes when its events happen.
inline double
monotonicMilliseconds()
{
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return double(now.tv_sec) * 1000.0 + double(now.tv_nsec) / 1.0e6;
}

struct ResidentMemory
{
  double currentMegabytes = 0;
  double peakMegabytes = 0;
};

// Resident memory of this process now and at its peak so far, from the kernel's accounting.
inline ResidentMemory
residentMemory()
{
  ResidentMemory memory;
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) {
      memory.currentMegabytes = std::atof(line.c_str() + 6) / 1024.0;
    } else if (line.rfind("VmHWM:", 0) == 0) {
      memory.peakMegabytes = std::atof(line.c_str() + 6) / 1024.0;
    }
  }
  return memory;
}

// The middle value; with an even count, the mean of the two middle values.
inline double
median(std::vector<double> values)
{
  if (values.empty()) {
    return 0;
  }
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// Counts the frames a render window draws while the counter lives.
class RenderCounter
{
public:
  explicit RenderCounter(vtkRenderWindow* window)
    : window(window)
    , tag(window->AddObserver(vtkCommand::EndEvent, this, &RenderCounter::increment))
  {
  }
  ~RenderCounter() { window->RemoveObserver(tag); }
  RenderCounter(const RenderCounter&) = delete;
  RenderCounter& operator=(const RenderCounter&) = delete;
  int count = 0;

private:
  void increment() { ++count; }
  vtkRenderWindow* window;
  unsigned long tag;
};
