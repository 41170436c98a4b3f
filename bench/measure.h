// What one benchmark run measured.
#pragma once

#ifdef _WIN32
#include <windows.h>
#include <psapi.h>
#else
#include <sys/resource.h>
#endif

#include <chrono>
#include <cstdint>
#include <string>

namespace kvel::bench {

struct Result {
  std::string name;
  uint64_t bytes = 0;
  double seconds = 0;
  double cpuSeconds = 0;  // user + system of this process
  bool identical = true;  // the received bytes equal the sent ones
  double MegabytesPerSecond() const { return bytes / 1e6 / seconds; }
  double CpuSecondsPerGigabyte() const { return cpuSeconds / (bytes / 1e9); }
};

#ifdef _WIN32
// User + kernel time of a process, in seconds.
inline double CpuSeconds(HANDLE process = GetCurrentProcess()) {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
  auto seconds = [](const FILETIME& t) {
    return ((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
  };
  return seconds(kernel) + seconds(user);
}

// Peak working set of a process so far, in MiB.
inline double PeakMegabytes(HANDLE process = GetCurrentProcess()) {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(process, &counters, sizeof counters)) return 0;
  return counters.PeakWorkingSetSize / (1024.0 * 1024.0);
}
#else
inline double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
         usage.ru_stime.tv_usec / 1e6;
}

// Peak resident memory of this process so far, in MiB.
inline double PeakMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024.0;
}
#endif

class Stopwatch {
 public:
  Stopwatch() : start_(std::chrono::steady_clock::now()), cpu_(CpuSeconds()) {}
  void Finish(Result& result) const {
    result.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    result.cpuSeconds = CpuSeconds() - cpu_;
  }

 private:
  std::chrono::steady_clock::time_point start_;
  double cpu_;
};

}  // namespace kvel::bench
