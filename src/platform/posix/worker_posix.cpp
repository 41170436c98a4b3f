// The worker's threads and stop signal over pthreads and an eventfd.
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

#include "platform/threads/worker_state.h"

namespace kvel::platform {
namespace native {
namespace {
struct Start {
  Entry entry;
  void* argument;
};

void* Trampoline(void* raw) {
  const Start start = *static_cast<Start*>(raw);
  delete static_cast<Start*>(raw);
  start.entry(start.argument);
  return nullptr;
}
}  // namespace

// Natively the plug-in is linked into its program: there is no module to hold.
bool StartThread(Entry entry, void* argument, uintptr_t* joinable) {
  auto* start = new Start{entry, argument};
  pthread_t thread;
  if (pthread_create(&thread, nullptr, &Trampoline, start) != 0) {
    delete start;
    return false;
  }
  if (joinable == nullptr)
    pthread_detach(thread);
  else
    *joinable = static_cast<uintptr_t>(thread);
  return true;
}

bool JoinThread(uintptr_t thread, uint32_t milliseconds) {
  struct timespec deadline;
  clock_gettime(CLOCK_REALTIME, &deadline);
  deadline.tv_sec += milliseconds / 1000;
  deadline.tv_nsec += static_cast<long>(milliseconds % 1000) * 1000000L;
  if (deadline.tv_nsec >= 1000000000L) {
    deadline.tv_sec += 1;
    deadline.tv_nsec -= 1000000000L;
  }
  return pthread_timedjoin_np(static_cast<pthread_t>(thread), nullptr, &deadline) == 0;
}

void LetGo(uintptr_t thread) {
  pthread_detach(static_cast<pthread_t>(thread));
}

uintptr_t MakeSignal() {
  const int fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  return fd < 0 ? 0 : static_cast<uintptr_t>(fd) + 1;
}

void RaiseSignal(uintptr_t signal) {
  if (signal == 0) return;
  const uint64_t one = 1;
  // Never read: the descriptor stays readable from the stop on.
  ssize_t written = write(static_cast<int>(signal - 1), &one, sizeof one);
  (void)written;
}

void FreeSignal(uintptr_t signal) {
  if (signal != 0) close(static_cast<int>(signal - 1));
}
}  // namespace native

WorkerStop::SocketWait WorkerStop::WaitReadable(Socket socket) {
  if (state_.signal == 0) return SocketWait::Failed;
  struct pollfd fds[2] = {{static_cast<int>(socket), POLLIN, 0},
                          {static_cast<int>(state_.signal - 1), POLLIN, 0}};
  for (;;) {
    const int ready = poll(fds, 2, -1);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) return SocketWait::Failed;
    if (fds[1].revents != 0) return SocketWait::Stopped;
    if (fds[0].revents & (POLLNVAL | POLLERR)) return SocketWait::Failed;
    return SocketWait::Readable;
  }
}

}  // namespace kvel::platform
