#include "p2p/admission/foreign_call_backs.h"

namespace kvel::p2p {

ForeignCallBacks::ForeignCallBacks(Ask ask, platform::Clock clock)
    : ask_(std::move(ask)), clock_(std::move(clock)) {}

const ForeignCallBacks::Answer* ForeignCallBacks::Given(const Key& key, uint64_t run) const {
  const auto found = answers_.find(key);
  return found != answers_.end() && found->second.run == run ? &found->second : nullptr;
}

void ForeignCallBacks::Keep(const Key& key, uint64_t run, bool yes) {
  answers_[key] = {run, yes, ++given_};
  while (answers_.size() > kMaxForeignAnswers) {
    auto oldest = answers_.begin();
    for (auto it = answers_.begin(); it != answers_.end(); ++it) {
      if (it->second.order < oldest->second.order) oldest = it;
    }
    answers_.erase(oldest);
  }
}

bool ForeignCallBacks::Allowed(uint32_t uin, uint32_t address, uint64_t run, uint32_t waitMs) {
  const Key key{uin, address};
  const platform::Deadline end(clock_, waitMs);
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    if (stopped_) return false;
    if (const Answer* answer = Given(key, run)) return answer->yes;
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
