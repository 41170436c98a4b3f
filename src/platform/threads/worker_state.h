// What a Worker shares with its thread, and what the worker piece needs of
// the system: a thread that holds the module while it runs, a join within a
// bound, and a stop signal that a socket wait sees. Only the worker piece
// includes this.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

#include "platform/threads/worker.h"

namespace kvel::platform {

namespace native {
// Starts a thread running `body` and holding the module until `body` has
// returned and is freed. With `joinable` it is kept for JoinThread, else
// detached.
bool StartThread(std::function<void()> body, uintptr_t* joinable);
// Waits at most `milliseconds` for the thread; true when it ended, and the
// handle is then released.
bool JoinThread(uintptr_t thread, uint32_t milliseconds);
// Lets a thread that did not end go on alone; releases the handle.
void LetGo(uintptr_t thread);
// A signal raised once, at the stop; 0 when none could be made.
uintptr_t MakeSignal();
void RaiseSignal(uintptr_t signal);
void FreeSignal(uintptr_t signal);
}  // namespace native

// Shared by a Worker and its thread; freed by whichever lets go last.
struct WorkerState {
  WorkerState() : signal(native::MakeSignal()) {}
  ~WorkerState() { native::FreeSignal(signal); }
  WorkerState(const WorkerState&) = delete;
  WorkerState& operator=(const WorkerState&) = delete;

  // `flag` of this state, read under its lock.
  bool Read(const bool& flag) {
    std::lock_guard<std::mutex> lock(mutex);
    return flag;
  }
  // Sets `flag` under the lock and wakes every wait.
  void Raise(bool& flag) {
    std::lock_guard<std::mutex> lock(mutex);
    flag = true;
    changed.notify_all();
  }

  std::mutex mutex;
  std::condition_variable changed;
  bool stopRequested = false;
  bool woken = false;
  bool ended = false;  // the body has returned and its captures are gone
  const uintptr_t signal;
  Worker::Body body;
};

}  // namespace kvel::platform
