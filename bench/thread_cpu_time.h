// CPU time of the calling thread: the console's own share, without the
// emulator's thread that runs in the same process.
#pragma once

#include <sys/resource.h>

#include <chrono>

inline std::chrono::duration<double> ThreadCpuTime() {
  rusage usage{};
  if (getrusage(RUSAGE_THREAD, &usage) != 0) return {};
  const auto seconds = [](const timeval& t) { return std::chrono::duration<double>(t.tv_sec + t.tv_usec / 1e6); };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}
