#pragma once

#include <ctime>

// Milliseconds on the system-wide monotonic clock, comparable between processes: the driver
// notes when it starts a program, the program notes when its events happen.
inline double
monotonicMilliseconds()
{
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return double(now.tv_sec) * 1000.0 + double(now.tv_nsec) / 1.0e6;
}
