#include "transfers/auto_accept/auto_accept_budget.h"

#include <utility>

namespace kvel::transfers {

AutoAcceptBudget::AutoAcceptBudget(platform::Clock clock, size_t burst, uint32_t windowMs)
    : clock_(std::move(clock)), burst_(burst), windowMs_(windowMs) {}

bool AutoAcceptBudget::Spend(uint32_t uin) {
  const uint32_t now = clock_();
  std::lock_guard<std::mutex> lock(mutex_);
  // Every contact's old times go, so that the map holds only recent ones.
  for (auto it = spent_.begin(); it != spent_.end();) {
    std::deque<uint32_t>& times = it->second;
    while (!times.empty() && now - times.front() >= windowMs_) times.pop_front();
    it = times.empty() ? spent_.erase(it) : std::next(it);
  }
  std::deque<uint32_t>& times = spent_[uin];
  if (times.size() >= burst_) return false;
  times.push_back(now);
  return true;
}

}  // namespace kvel::transfers
