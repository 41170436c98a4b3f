#include <time.h>

#include <cerrno>

#include "platform/threads/threads.h"

namespace kvel::platform {
void SleepMilliseconds(uint32_t milliseconds) {
  struct timespec delay = {static_cast<time_t>(milliseconds / 1000),
                           static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&delay, &delay) != 0 && errno == EINTR) {
  }
}

void ServeSentMessages(uint32_t milliseconds) {
  SleepMilliseconds(milliseconds);
}

uint32_t TickCount() {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<uint32_t>(static_cast<uint64_t>(now.tv_sec) * 1000u +
                               static_cast<uint64_t>(now.tv_nsec) / 1000000u);
}

uint32_t UnixTime() {
  return static_cast<uint32_t>(::time(nullptr));
}

}  // namespace kvel::platform
