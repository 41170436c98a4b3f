#include "p2p/connection_set.h"

#include <chrono>

namespace kvel::p2p {

ConnectionSet::ConnectionSet(size_t capacity) : capacity_(capacity) {}

bool ConnectionSet::Enter() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (stopped_ || count_ >= capacity_) return false;
  ++count_;
  return true;
}

void ConnectionSet::Leave() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (count_ > 0) --count_;
  left_.notify_all();
}

void ConnectionSet::Stop() {
  std::lock_guard<std::mutex> lock(mutex_);
  stopped_ = true;
}

bool ConnectionSet::BeginReport() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (stopped_) return false;
  ++reports_;
  return true;
}

void ConnectionSet::EndReport() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (reports_ > 0) --reports_;
}

size_t ConnectionSet::Count() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return count_;
}

bool ConnectionSet::WaitEmptyFor(uint32_t milliseconds) {
  std::unique_lock<std::mutex> lock(mutex_);
  return left_.wait_for(lock, std::chrono::milliseconds(milliseconds),
                        [this] { return count_ == 0; });
}

}  // namespace kvel::p2p
