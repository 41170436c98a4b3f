// What one benchmark run measured.
#pragma once

#include <sys/resource.h>

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
