#include "transfers/telling/question_turns.h"

#include <utility>

namespace kvel::transfers {

QuestionTurns::Turn::~Turn() {
  if (turns_ != nullptr) turns_->Give(peer_);
}

QuestionTurns::Turn& QuestionTurns::Turn::operator=(Turn&& other) noexcept {
  if (this != &other) {
    if (turns_ != nullptr) turns_->Give(peer_);
    turns_ = std::exchange(other.turns_, nullptr);
    peer_ = other.peer_;
  }
  return *this;
}

QuestionTurns::QuestionTurns(uint32_t maxWaitMs, platform::Clock clock)
    : maxWaitMs_(maxWaitMs), clock_(std::move(clock)) {}

QuestionTurns::Turn QuestionTurns::Take(uint32_t uin, uint32_t address,
                                        const std::function<bool()>& calledOff) {
  const Peer peer{uin, address};
  const platform::Deadline end(clock_, maxWaitMs_);
  std::unique_lock<std::mutex> lock(mutex_);
  while (open_.count(peer) != 0) {
    if (end.Passed()) return {};
    lock.unlock();
    const bool off = calledOff && calledOff();
    lock.lock();
    if (off) return {};
    given_.wait_for(lock, end.Slice(kTurnLookMs));
  }
  open_.insert(peer);
  Turn turn;
  turn.turns_ = this;
  turn.peer_ = peer;
  return turn;
}

void QuestionTurns::Give(const Peer& peer) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    open_.erase(peer);
  }
  given_.notify_all();
}

}  // namespace kvel::transfers
