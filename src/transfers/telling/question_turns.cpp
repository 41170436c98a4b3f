#include "transfers/telling/question_turns.h"

#include <algorithm>
#include <chrono>
#include <utility>

namespace kvel::transfers {

QuestionTurns::Turn::~Turn() {
  if (turns_ != nullptr) turns_->Give(peer_);
}

QuestionTurns::Turn::Turn(Turn&& other) noexcept
    : turns_(std::exchange(other.turns_, nullptr)), peer_(other.peer_) {}

QuestionTurns::Turn& QuestionTurns::Turn::operator=(Turn&& other) noexcept {
  if (this != &other) {
    if (turns_ != nullptr) turns_->Give(peer_);
    turns_ = std::exchange(other.turns_, nullptr);
    peer_ = other.peer_;
  }
  return *this;
}

QuestionTurns::QuestionTurns(uint32_t maxWaitMs) : maxWaitMs_(maxWaitMs) {}

QuestionTurns::Turn QuestionTurns::Take(uint32_t uin, uint32_t address,
                                        const std::function<bool()>& calledOff) {
  const Peer peer{uin, address};
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(maxWaitMs_);
  std::unique_lock<std::mutex> lock(mutex_);
  while (open_.count(peer) != 0) {
    const auto now = std::chrono::steady_clock::now();
    if (now >= end) return {};
    lock.unlock();
    const bool off = calledOff && calledOff();
    lock.lock();
    if (off) return {};
    given_.wait_for(lock, std::min<std::chrono::steady_clock::duration>(
                              end - now, std::chrono::milliseconds(kTurnLookMs)));
  }
  open_.insert(peer);
  Turn turn;
  turn.turns_ = this;
  turn.peer_ = peer;
  return turn;
}

bool QuestionTurns::Open(uint32_t uin, uint32_t address) {
  std::lock_guard<std::mutex> lock(mutex_);
  return open_.count({uin, address}) != 0;
}

void QuestionTurns::Give(const Peer& peer) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    open_.erase(peer);
  }
  given_.notify_all();
}

}  // namespace kvel::transfers
