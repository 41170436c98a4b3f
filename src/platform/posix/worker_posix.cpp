// The worker's threads and stop signal over pthreads and an eventfd.
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <utility>

#include "platform/threads/worker_state.h"

namespace kvel::platform {
namespace native {
namespace {
void* Trampoline(void* raw) {
  const std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(raw));
  (*body)();
  return nullptr;
}
}  // namespace

// Natively the plug-in is linked into its program: there is no module to hold.
bool StartThread(std::function<void()> body, uintptr_t* joinable) {
  auto* handed = new std::function<void()>(std::move(body));
  pthread_t thread;
  if (pthread_create(&thread, nullptr, &Trampoline, handed) != 0) {
    delete handed;
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
  const uint64_t nanoseconds = static_cast<uint64_t>(deadline.tv_nsec) + milliseconds * 1000000ull;
  deadline.tv_sec += static_cast<time_t>(nanoseconds / 1000000000u);
  deadline.tv_nsec = static_cast<long>(nanoseconds % 1000000000u);
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
