// At most one question box per peer, a peer being a claimed number at one
// address (a stranger claiming a contact's number takes no turn of the
// contact's): a peer's further offers wait their turn for the question (they are not refused:
// several files at once from one contact must work). Every wait is bounded and can be called off.
//
// Thread safety: any thread; each question's thread holds its own turn.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <set>
#include <utility>

#include "platform/clock.h"

namespace kvel::transfers {

// How often a wait for a turn looks whether it was called off.
inline constexpr uint32_t kTurnLookMs = 100;

class QuestionTurns {
 public:
  // A turn held: the peer's question may be open until it goes. Movable.
  class Turn {
   public:
    Turn() = default;
    ~Turn();
    Turn(Turn&& other) noexcept { *this = std::move(other); }
    Turn& operator=(Turn&& other) noexcept;
    Turn(const Turn&) = delete;
    Turn& operator=(const Turn&) = delete;
    explicit operator bool() const { return turns_ != nullptr; }

   private:
    friend class QuestionTurns;
    QuestionTurns* turns_ = nullptr;
    std::pair<uint32_t, uint32_t> peer_;
  };

  // A turn waits at most `maxWaitMs` on `clock`.
  QuestionTurns(uint32_t maxWaitMs, platform::Clock clock);
  QuestionTurns(const QuestionTurns&) = delete;
  QuestionTurns& operator=(const QuestionTurns&) = delete;

  // Waits until no question of peer `uin` at `address` is open and takes
  // the turn; an empty turn when the wait ran out or `calledOff` (asked
  // every kTurnLookMs) said so. Turns are given in no particular order.
  Turn Take(uint32_t uin, uint32_t address, const std::function<bool()>& calledOff);

 private:
  using Peer = std::pair<uint32_t, uint32_t>;  // number, address
  void Give(const Peer& peer);

  const uint32_t maxWaitMs_;
  const platform::Clock clock_;
  std::mutex mutex_;
  std::condition_variable given_;
  std::set<Peer> open_;  // peers with a question open
};

}  // namespace kvel::transfers
