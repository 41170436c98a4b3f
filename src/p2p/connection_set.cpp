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

void ConnectionSet::Attach(platform::Socket socket) {
  std::lock_guard<std::mutex> lock(mutex_);
  sockets_.insert(socket);
  if (stopped_) platform::ShutdownBoth(socket);
}

void ConnectionSet::Detach(platform::Socket socket) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = sockets_.find(socket);
  if (found != sockets_.end()) sockets_.erase(found);
}

void ConnectionSet::Stop() {
  // Under the lock: an attached socket is not closed until it is detached.
  std::lock_guard<std::mutex> lock(mutex_);
  stopped_ = true;
  for (platform::Socket socket : sockets_) platform::ShutdownBoth(socket);
}

bool ConnectionSet::Stopped() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return stopped_;
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
