#include "images/requested_images.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace kvel::images {

RequestedImages::RequestedImages(platform::Clock clock, Forget forget, RequestLimits limits)
    : clock_(std::move(clock)), forget_(std::move(forget)), limits_(limits) {}

void RequestedImages::Drop(std::map<wire::ImageId, uint32_t>::iterator entry, bool forget) {
  bytes_ -= entry->first.size;
  if (forget && forget_) forget_(entry->first);
  entries_.erase(entry);
}

std::unique_lock<std::mutex> RequestedImages::LockAt(uint32_t now) {
  std::unique_lock<std::mutex> lock(mutex_);
  Expire(now);
  return lock;
}

void RequestedImages::Expire(uint32_t now) {
  for (auto it = entries_.begin(); it != entries_.end();) {
    auto next = std::next(it);
    if (now - it->second >= limits_.lifetimeMs) Drop(it);
    it = next;
  }
}

bool RequestedImages::Insert(const wire::ImageId& id, uint32_t now) {
  if (limits_.capacity == 0 || id.size > limits_.partBytes) return false;
  while (!entries_.empty() &&
         (entries_.size() >= limits_.capacity || bytes_ + id.size > limits_.partBytes)) {
    Drop(std::max_element(entries_.begin(), entries_.end(), [now](const auto& a, const auto& b) {
      return now - a.second < now - b.second;
    }));
  }
  entries_.emplace(id, now);
  bytes_ += id.size;
  return true;
}

bool RequestedImages::Add(const wire::ImageId& id) {
  const uint32_t now = clock_();
  const auto lock = LockAt(now);
  return entries_.count(id) == 0 && Insert(id, now);
}

void RequestedImages::Renew(const wire::ImageId& id) {
  const uint32_t now = clock_();
  const auto lock = LockAt(now);
  if (auto found = entries_.find(id); found != entries_.end()) {
    found->second = now;
    return;
  }
  Insert(id, now);
}

bool RequestedImages::Contains(const wire::ImageId& id) {
  const auto lock = LockAt(clock_());
  return entries_.count(id) != 0;
}

bool RequestedImages::Take(const wire::ImageId& id) {
  const auto lock = LockAt(clock_());
  auto found = entries_.find(id);
  if (found == entries_.end()) return false;
  Drop(found, false);
  return true;
}

void RequestedImages::Sweep() {
  LockAt(clock_());
}

void RequestedImages::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  while (!entries_.empty()) Drop(entries_.begin());
}

size_t RequestedImages::Size() {
  const auto lock = LockAt(clock_());
  return entries_.size();
}

uint64_t RequestedImages::Bytes() {
  const auto lock = LockAt(clock_());
  return bytes_;
}

}  // namespace kvel::images
