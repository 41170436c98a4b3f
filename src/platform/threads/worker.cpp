#include "platform/threads/worker.h"

#include <chrono>
#include <utility>

#include "platform/threads/worker_state.h"

namespace kvel::platform {
namespace {

// The thread's entry: the body, then its captures freed, then the end told.
void RunBody(void* argument) {
  std::shared_ptr<WorkerState> state =
      std::move(*static_cast<std::shared_ptr<WorkerState>*>(argument));
  delete static_cast<std::shared_ptr<WorkerState>*>(argument);
  WorkerStop stop(*state);
  state->body(stop);
  state->body = nullptr;
  std::lock_guard<std::mutex> lock(state->mutex);
  state->ended = true;
  state->changed.notify_all();
}

void RunDetached(void* argument) {
  std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(argument));
  (*body)();
}

// How often a stop that spends its wait looks whether the thread ended.
constexpr uint32_t kSpendSliceMs = 5;

}  // namespace

bool WorkerStop::Requested() const {
  std::lock_guard<std::mutex> lock(state_.mutex);
  return state_.stopRequested;
}

bool WorkerStop::WaitFor(uint32_t milliseconds) {
  std::unique_lock<std::mutex> lock(state_.mutex);
  const auto due = [this] { return state_.stopRequested || state_.woken; };
  if (milliseconds == kNoDeadline)
    state_.changed.wait(lock, due);
  else
    state_.changed.wait_for(lock, std::chrono::milliseconds(milliseconds), due);
  state_.woken = false;
  return state_.stopRequested;
}

Worker::~Worker() {
  bool asked = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (state_ != nullptr) {
      std::lock_guard<std::mutex> stateLock(state_->mutex);
      asked = state_->stopRequested;
    }
  }
  // A stop asked already had its bound: a thread that outlived it ends alone.
  if (!asked) Stop();
  std::lock_guard<std::mutex> lock(mutex_);
  if (thread_ != 0) native::LetGo(thread_);
  thread_ = 0;
  state_.reset();
}

bool Worker::Start(Body body) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (state_ != nullptr) {
    std::lock_guard<std::mutex> stateLock(state_->mutex);
    if (!state_->ended) return false;
  }
  // A body that returned leaves a thread that only drops the module.
  if (thread_ != 0 && !native::JoinThread(thread_, kWorkerStopWaitMs)) return false;
  thread_ = 0;
  auto state = std::make_shared<WorkerState>();
  state->body = std::move(body);
  // The thread's own share: it may outlive a stop that gave up waiting.
  auto* handed = new std::shared_ptr<WorkerState>(state);
  if (!native::StartThread(&RunBody, handed, &thread_)) {
    delete handed;
    thread_ = 0;
    return false;
  }
  state_ = std::move(state);
  return true;
}

void Worker::Wake() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (state_ == nullptr) return;
  std::lock_guard<std::mutex> stateLock(state_->mutex);
  state_->woken = true;
  state_->changed.notify_all();
}

bool Worker::Stop(uint32_t waitMs, Spend spend) {
  std::shared_ptr<WorkerState> state;
  uintptr_t thread = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    state = state_;
    thread = thread_;
  }
  if (state == nullptr) return true;
  {
    std::lock_guard<std::mutex> lock(state->mutex);
    state->stopRequested = true;
    state->changed.notify_all();
  }
  native::RaiseSignal(state->signal);
  bool ended = false;
  if (spend != nullptr) {
    // The owner's thread serves what the body may wait for meanwhile.
    for (uint32_t waited = 0;; waited += kSpendSliceMs) {
      {
        std::lock_guard<std::mutex> lock(state->mutex);
        ended = state->ended;
      }
      if (ended || waited >= waitMs) break;
      spend(kSpendSliceMs);
    }
    // Past its body the thread only drops the module: a short wait.
    ended = ended && (thread == 0 || native::JoinThread(thread, kWorkerStopWaitMs));
  } else {
    ended = thread == 0 || native::JoinThread(thread, waitMs);
  }
  if (!ended) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  if (thread_ == thread) thread_ = 0;
  return true;
}

bool Worker::Running() const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (state_ == nullptr) return false;
  std::lock_guard<std::mutex> stateLock(state_->mutex);
  return !state_->ended;
}

bool Worker::StartDetached(std::function<void()> body) {
  auto* handed = new std::function<void()>(std::move(body));
  if (native::StartThread(&RunDetached, handed, nullptr)) return true;
  delete handed;
  return false;
}

}  // namespace kvel::platform
