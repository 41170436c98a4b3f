// Requests this side sent recently and still waits on: a call-back asked of
// a contact, an image asked of its sender. A peer's answer is taken only
// while its request is listed. The table is bounded (the oldest request makes
// room for a new one) and every entry expires.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <map>
#include <mutex>

#include "platform/clock.h"

namespace kvel::gg {

template <typename Key>
class RecentRequests {
 public:
  RecentRequests(size_t capacity, uint32_t lifetimeMs, platform::Clock clock)
      : capacity_(capacity), lifetimeMs_(lifetimeMs), clock_(std::move(clock)) {}
  RecentRequests(const RecentRequests&) = delete;
  RecentRequests& operator=(const RecentRequests&) = delete;

  // Lists a request for `key` made now; false, changing nothing, while one is
  // already listed.
  bool Add(const Key& key) {
    const uint32_t now = clock_();
    std::lock_guard<std::mutex> lock(mutex_);
    Expire(now);
    if (entries_.count(key) != 0) return false;
    Insert(key, now);
    return true;
  }
  // Lists a request for `key` made now, listed before or not.
  void Renew(const Key& key) {
    const uint32_t now = clock_();
    std::lock_guard<std::mutex> lock(mutex_);
    Expire(now);
    entries_.erase(key);
    Insert(key, now);
  }
  bool Contains(const Key& key) {
    const uint32_t now = clock_();
    std::lock_guard<std::mutex> lock(mutex_);
    Expire(now);
    return entries_.count(key) != 0;
  }
  // Removes the request; true when it was listed.
  bool Take(const Key& key) {
    const uint32_t now = clock_();
    std::lock_guard<std::mutex> lock(mutex_);
    Expire(now);
    return entries_.erase(key) != 0;
  }
  void Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.clear();
  }
  size_t Size() {
    const uint32_t now = clock_();
    std::lock_guard<std::mutex> lock(mutex_);
    Expire(now);
    return entries_.size();
  }

 private:
  void Expire(uint32_t now) {
    for (auto it = entries_.begin(); it != entries_.end();) {
      it = now - it->second >= lifetimeMs_ ? entries_.erase(it) : std::next(it);
    }
  }
  void Insert(const Key& key, uint32_t now) {
    if (capacity_ == 0) return;
    while (entries_.size() >= capacity_) {
      auto oldest = entries_.begin();
      for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (now - it->second > now - oldest->second) oldest = it;
      }
      entries_.erase(oldest);
    }
    entries_.emplace(key, now);
  }

  const size_t capacity_;
  const uint32_t lifetimeMs_;
  platform::Clock clock_;
  std::mutex mutex_;
  std::map<Key, uint32_t> entries_;  // key: when it was requested
};

}  // namespace kvel::gg
