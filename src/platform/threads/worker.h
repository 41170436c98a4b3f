// Worker: every thread of the plug-in, from its start to its stop. The body
// is a callable; it sleeps through WorkerStop, which wakes it at once when a
// stop is asked (or the owner wakes it for new work), so that nothing polls
// a flag on a timer. A running thread holds the module (on win32 a
// reference taken at its start and dropped as it exits), so its code stays
// mapped however long it runs.
//
// Thread safety: Start, Stop and the destructor from the owner's thread;
// Wake and Running from any thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "platform/sockets.h"

namespace kvel::platform {

// WaitFor without a deadline: only a stop or a wake ends it.
inline constexpr uint32_t kNoDeadline = UINT32_MAX;
// How long a stop waits for its thread unless told otherwise.
inline constexpr uint32_t kWorkerStopWaitMs = 1000;

struct WorkerState;

// What a running body sees of its worker.
class WorkerStop {
 public:
  explicit WorkerStop(WorkerState& state) : state_(state) {}

  // True once a stop was asked.
  bool Requested() const;
  // Sleeps until a stop is asked, the worker is woken, or `milliseconds`
  // pass (kNoDeadline: no deadline); true when a stop was asked. A wake
  // that came while the body was busy ends the next wait at once.
  bool WaitFor(uint32_t milliseconds);

  enum class SocketWait { Readable, Stopped, Failed };
  // Waits, without a deadline, until `socket` is readable (a listening one:
  // a peer waits to be accepted) or a stop is asked. Failed when the system
  // cannot wait on it (a socket closed under the body).
  SocketWait WaitReadable(Socket socket);

 private:
  WorkerState& state_;
};

class Worker {
 public:
  using Body = std::function<void(WorkerStop& stop)>;
  // How the owner's thread spends the stop's wait: it may have messages of
  // other threads to serve meanwhile (see ServeSentMessages).
  using Spend = void (*)(uint32_t milliseconds);

  Worker() = default;
  // Stop(), unless a stop was asked already: a thread that outlived that
  // stop's bound is left to end alone, keeping its state and the module.
  ~Worker();
  Worker(const Worker&) = delete;
  Worker& operator=(const Worker&) = delete;

  // Runs `body` on a thread of its own; false when none started or one is
  // running already. A worker that was stopped starts anew, with a state of
  // its own, so that a thread still running from the last start never sees
  // this one's stop or wakes.
  bool Start(Body body);
  // Ends the body's current or next WaitFor without stopping it: new work.
  void Wake();
  // Asks the body to stop and waits at most `waitMs` for its thread,
  // spending the wait with `spend` when given; true when the thread ended
  // (or none runs). A thread still running is waited for again by the next
  // Stop, or left to end alone by the destructor.
  bool Stop(uint32_t waitMs = kWorkerStopWaitMs, Spend spend = nullptr);
  // True from Start until the body has returned.
  bool Running() const;

  // Runs `body` on a thread that nobody waits for (a connection's, a short
  // one that asks the desktop): it holds the module until `body` returns.
  // False when no thread started.
  static bool StartDetached(std::function<void()> body);

 private:
  mutable std::mutex mutex_;  // guards state_ and thread_ against Wake and Running
  std::shared_ptr<WorkerState> state_;
  uintptr_t thread_ = 0;  // the system's handle while not joined; 0 when none
};

}  // namespace kvel::platform
