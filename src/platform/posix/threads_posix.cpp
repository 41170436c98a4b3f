#include <pthread.h>
#include <time.h>

#include <cerrno>

#include "platform/threads.h"

namespace kvel::platform {
namespace {
struct Start {
  ThreadRoutine routine;
  void* argument;
};

void* Trampoline(void* raw) {
  Start start = *static_cast<Start*>(raw);
  delete static_cast<Start*>(raw);
  start.routine(start.argument);
  return nullptr;
}

bool Launch(ThreadRoutine routine, void* argument, pthread_t* thread) {
  auto* start = new Start{routine, argument};
  if (pthread_create(thread, nullptr, &Trampoline, start) != 0) {
    delete start;
    return false;
  }
  return true;
}
}  // namespace

bool SpawnDetachedThread(ThreadRoutine routine, void* argument) {
  pthread_t thread;
  if (!Launch(routine, argument, &thread)) return false;
  pthread_detach(thread);
  return true;
}

bool StartThread(ThreadRoutine routine, void* argument, ThreadHandle* handle) {
  auto* thread = new pthread_t;
  if (!Launch(routine, argument, thread)) {
    delete thread;
    return false;
  }
  handle->native = thread;
  return true;
}

bool WaitThread(ThreadHandle* handle, uint32_t milliseconds) {
  auto* thread = static_cast<pthread_t*>(handle->native);
  if (thread == nullptr) return true;
  struct timespec deadline;
  clock_gettime(CLOCK_REALTIME, &deadline);
  deadline.tv_sec += milliseconds / 1000;
  deadline.tv_nsec += static_cast<long>(milliseconds % 1000) * 1000000L;
  if (deadline.tv_nsec >= 1000000000L) {
    deadline.tv_sec += 1;
    deadline.tv_nsec -= 1000000000L;
  }
  bool ended = pthread_timedjoin_np(*thread, nullptr, &deadline) == 0;
  if (!ended) pthread_detach(*thread);
  delete thread;
  handle->native = nullptr;
  return ended;
}

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
