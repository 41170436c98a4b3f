#include "images/part_sweeper.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <utility>

namespace kvel::images {

// Shared by the object and its thread.
struct PartSweeper::State {
  std::function<void()> sweep;
  uint32_t intervalMs = kPartSweepMs;
  std::mutex mutex;
  std::condition_variable changed;
  bool stopped = false;
};

PartSweeper::PartSweeper(std::function<void()> sweep, uint32_t intervalMs)
    : state_(std::make_shared<State>()) {
  state_->sweep = std::move(sweep);
  state_->intervalMs = intervalMs;
}

PartSweeper::~PartSweeper() {
  Stop();
}

bool PartSweeper::Start() {
  if (thread_.native != nullptr) return true;
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    if (state_->stopped) return false;
  }
  // The thread holds its own reference: it may outlive a Stop that gave up
  // waiting for it.
  auto* held = new std::shared_ptr<State>(state_);
  if (platform::StartThread(&PartSweeper::Run, held, &thread_)) return true;
  delete held;
  return false;
}

void PartSweeper::Stop() {
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->stopped = true;
  }
  state_->changed.notify_all();
  if (thread_.native != nullptr) platform::WaitThread(&thread_, 1000);
  thread_ = {};
}

void PartSweeper::Run(void* argument) {
  std::unique_ptr<std::shared_ptr<State>> held(static_cast<std::shared_ptr<State>*>(argument));
  State& state = **held;
  std::unique_lock<std::mutex> lock(state.mutex);
  while (!state.changed.wait_for(lock, std::chrono::milliseconds(state.intervalMs),
                                 [&] { return state.stopped; })) {
    // Without the lock: Stop waits for the sweep, never the other way.
    lock.unlock();
    state.sweep();
    lock.lock();
  }
}

}  // namespace kvel::images
