// How many files one contact may have taken without asking in a short
// time. A contact that offers more (a flood of thousands, or a folder far
// larger than a batch of photos) is asked for the rest: its files then cost
// what any other offer costs, one question at a time, and at most
// kAutoAcceptBurst files of at most maxkb each reach the disk unasked per
// kAutoAcceptWindowMs.
//
// Thread safety: any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>

#include "platform/clock.h"

namespace kvel::transfers {

// A batch of photos or documents arrives whole; more in a minute is asked.
inline constexpr size_t kAutoAcceptBurst = 20;
inline constexpr uint32_t kAutoAcceptWindowMs = 60 * 1000;

class AutoAcceptBudget {
 public:
  // At most `burst` files per contact within `windowMs` on `clock`.
  AutoAcceptBudget(platform::Clock clock, size_t burst = kAutoAcceptBurst,
                   uint32_t windowMs = kAutoAcceptWindowMs);
  AutoAcceptBudget(const AutoAcceptBudget&) = delete;
  AutoAcceptBudget& operator=(const AutoAcceptBudget&) = delete;

  // Counts one more file of `uin` taken without asking; false, counting
  // nothing, when `uin` had `burst` of them within the last `windowMs`.
  bool Spend(uint32_t uin);

  size_t Burst() const { return burst_; }
  uint32_t WindowMs() const { return windowMs_; }

 private:
  const platform::Clock clock_;
  const size_t burst_;
  const uint32_t windowMs_;
  std::mutex mutex_;
  // The times of each contact's files within the window, oldest first; a
  // contact with none has no entry.
  std::map<uint32_t, std::deque<uint32_t>> spent_;
};

}  // namespace kvel::transfers
