#include "images/requested_images.h"

#include <iterator>
#include <utility>

namespace kvel::images {

RequestedImages::RequestedImages(platform::Clock clock, Forget forget, RequestLimits limits)
    : clock_(std::move(clock)), forget_(std::move(forget)), limits_(limits) {}

void RequestedImages::Drop(std::map<wire::ImageId, uint32_t>::iterator entry) {
  bytes_ -= entry->first.size;
  if (forget_) forget_(entry->first);
  entries_.erase(entry);
}

void RequestedImages::Expire(uint32_t now) {
  for (auto it = entries_.begin(); it != entries_.end();) {
    auto next = std::next(it);
    if (now - it->second >= limits_.lifetimeMs) Drop(it);
    it = next;
  }
}

void RequestedImages::MakeRoom(uint32_t now, uint64_t size) {
  while (!entries_.empty() &&
         (entries_.size() >= limits_.capacity || bytes_ + size > limits_.partBytes)) {
    auto oldest = entries_.begin();
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
      if (now - it->second > now - oldest->second) oldest = it;
    }
    Drop(oldest);
  }
}

bool RequestedImages::Add(const wire::ImageId& id) {
  const uint32_t now = clock_();
  std::lock_guard<std::mutex> lock(mutex_);
  Expire(now);
  if (entries_.count(id) != 0) return false;
  if (limits_.capacity == 0 || id.size > limits_.partBytes) return false;
  MakeRoom(now, id.size);
  entries_.emplace(id, now);
  bytes_ += id.size;
  return true;
}

void RequestedImages::Renew(const wire::ImageId& id) {
  const uint32_t now = clock_();
  std::lock_guard<std::mutex> lock(mutex_);
  Expire(now);
  if (auto found = entries_.find(id); found != entries_.end()) {
    found->second = now;
    return;
  }
  if (limits_.capacity == 0 || id.size > limits_.partBytes) return;
  MakeRoom(now, id.size);
  entries_.emplace(id, now);
  bytes_ += id.size;
}

bool RequestedImages::Contains(const wire::ImageId& id) {
  const uint32_t now = clock_();
  std::lock_guard<std::mutex> lock(mutex_);
  Expire(now);
  return entries_.count(id) != 0;
}

bool RequestedImages::Take(const wire::ImageId& id) {
  const uint32_t now = clock_();
  std::lock_guard<std::mutex> lock(mutex_);
  Expire(now);
  auto found = entries_.find(id);
  if (found == entries_.end()) return false;
  bytes_ -= found->first.size;
  entries_.erase(found);
  return true;
}

void RequestedImages::Sweep() {
  const uint32_t now = clock_();
  std::lock_guard<std::mutex> lock(mutex_);
  Expire(now);
}

void RequestedImages::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  while (!entries_.empty()) Drop(entries_.begin());
}

size_t RequestedImages::Size() {
  const uint32_t now = clock_();
  std::lock_guard<std::mutex> lock(mutex_);
  Expire(now);
  return entries_.size();
}

uint64_t RequestedImages::Bytes() {
  const uint32_t now = clock_();
  std::lock_guard<std::mutex> lock(mutex_);
  Expire(now);
  return bytes_;
}

}  // namespace kvel::images
