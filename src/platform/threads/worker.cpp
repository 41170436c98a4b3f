#include "platform/threads/worker.h"

#include <chrono>
#include <utility>

#include "platform/threads/worker_state.h"

namespace kvel::platform {
namespace {

// The thread's body: the worker's body, then its captures freed, then the
// end told.
void RunBody(WorkerState& state) {
  WorkerStop stop(state);
  state.body(stop);
  state.body = nullptr;
  state.Raise(state.ended);
}

// How often a stop that spends its wait looks whether the thread ended.
constexpr uint32_t kSpendSliceMs = 5;

}  // namespace

bool WorkerStop::Requested() const {
  return state_.Read(state_.stopRequested);
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
  std::unique_lock<std::mutex> lock(mutex_);
  const bool asked = state_ != nullptr && state_->Read(state_->stopRequested);
  lock.unlock();
  if (!asked) Stop();
  lock.lock();
  if (thread_ != 0) native::LetGo(thread_);
  thread_ = 0;
  state_.reset();
}

bool Worker::Start(Body body) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (state_ != nullptr && !state_->Read(state_->ended)) return false;
  // A body that returned leaves a thread that only drops the module.
  if (thread_ != 0 && !native::JoinThread(thread_, kWorkerStopWaitMs)) return false;
  thread_ = 0;
  auto state = std::make_shared<WorkerState>();
  state->body = std::move(body);
  // The thread's own share: it may outlive a stop that gave up waiting.
  if (!native::StartThread([state] { RunBody(*state); }, &thread_)) return false;
  state_ = std::move(state);
  return true;
}

void Worker::Wake() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (state_ != nullptr) state_->Raise(state_->woken);
}

bool Worker::Stop(uint32_t waitMs, Spend spend) {
  std::unique_lock<std::mutex> lock(mutex_);
  const std::shared_ptr<WorkerState> state = state_;
  const uintptr_t thread = thread_;
  lock.unlock();
  if (state == nullptr) return true;
  state->Raise(state->stopRequested);
  native::RaiseSignal(state->signal);
  bool ended = false;
  if (spend != nullptr) {
    // The owner's thread serves what the body may wait for meanwhile.
    for (uint32_t waited = 0;; waited += kSpendSliceMs) {
      ended = state->Read(state->ended);
      if (ended || waited >= waitMs) break;
      spend(kSpendSliceMs);
    }
    // Past its body the thread only drops the module: a short wait.
    ended = ended && (thread == 0 || native::JoinThread(thread, kWorkerStopWaitMs));
  } else {
    ended = thread == 0 || native::JoinThread(thread, waitMs);
  }
  if (!ended) return false;
  lock.lock();
  if (thread_ == thread) thread_ = 0;
  return true;
}

bool Worker::Running() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return state_ != nullptr && !state_->Read(state_->ended);
}

bool Worker::StartDetached(std::function<void()> body) {
  return native::StartThread(std::move(body), nullptr);
}

}  // namespace kvel::platform
