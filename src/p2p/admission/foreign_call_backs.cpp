#include "p2p/admission/foreign_call_backs.h"

#include <algorithm>

namespace kvel::p2p {

ForeignCallBacks::ForeignCallBacks(Ask ask, platform::Clock clock)
    : ask_(std::move(ask)), clock_(std::move(clock)) {}

void ForeignCallBacks::Keep(const Key& key, uint64_t run, bool yes) {
  answers_[key] = {run, yes, ++given_};
  while (answers_.size() > kMaxForeignAnswers) {
    answers_.erase(std::min_element(answers_.begin(), answers_.end(), [](auto& a, auto& b) {
      return a.second.order < b.second.order;
    }));
  }
}

bool ForeignCallBacks::Allowed(uint32_t uin, uint32_t address, uint64_t run, uint32_t waitMs) {
  const Key key{uin, address};
  const platform::Deadline end(clock_, waitMs);
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    if (stopped_) return false;
    // The answer given for the caller in this run, if any.
    const auto given = answers_.find(key);
    if (given != answers_.end() && given->second.run == run) return given->second.yes;
    if (asking_.count(uin) == 0) break;
    if (end.Passed()) return false;
    answered_.wait_for(lock, end.Slice(kForeignLookMs));
  }
  asking_.insert(uin);
  lock.unlock();
  const bool yes = ask_(uin, address);
  lock.lock();
  asking_.erase(uin);
  const bool stopped = stopped_;
  if (!stopped) Keep(key, run, yes);
  lock.unlock();
  answered_.notify_all();
  return yes && !stopped;
}

void ForeignCallBacks::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopped_ = true;
  }
  answered_.notify_all();
}

}  // namespace kvel::p2p
