// The direct connections running at once, as threads: their number is
// capped, some places are kept for this user's own sends, and a peer can
// hold only a few connections that wait on it (per remote address and per
// claimed number); unloading refuses new ones and waits for the running
// ones to end. Their transfers, and the sockets a stop shuts down, are kept
// in the transfers registry, which unloading stops.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <utility>

#include "p2p/admission/connection_limits.h"

namespace kvel::p2p {

// Why a connection got no place.
enum class Refusal {
  None,
  Full,     // every place it may take is taken, or the set is stopped
  Address,  // its remote address holds as many pending connections as it may
  Number,   // its claimed number does
};

class ConnectionSet {
 public:
  // A place taken in the set, given back when it goes. Movable.
  class Place {
   public:
    Place() = default;
    ~Place() { Leave(); }
    Place(Place&& other) noexcept { *this = std::move(other); }
    Place& operator=(Place&& other) noexcept;
    Place(const Place&) = delete;
    Place& operator=(const Place&) = delete;

    explicit operator bool() const { return set_ != nullptr; }
    // Taken only to answer a call-back: a connection that turns out to be
    // anything else must close.
    bool ForCallBack() const { return forCallBack_; }
    // The handshake named the peer `number`: counted against it while the
    // connection is pending. False (nothing counted) when that number holds
    // as many pending connections as it may; the connection must close.
    bool CountAgainstNumber(uint32_t number);
    // This side has answered the peer's offer: the connection no longer
    // waits on the peer, and counts against neither address nor number.
    void EndPending();
    // The connection answers a call-back this user asked for: from now on
    // it is one of the user's own (in the reserve, counted against nobody).
    void BecomeOwn();
    // Gives the place back now.
    void Leave();

   private:
    friend class ConnectionSet;
    ConnectionSet* set_ = nullptr;
    bool own_ = false;
    bool forCallBack_ = false;
    uint32_t address_ = 0;            // counted against while pending; 0: none
    std::optional<uint32_t> number_;  // counted against while pending
  };

  explicit ConnectionSet(const ConnectionLimits& limits);
  ConnectionSet(const ConnectionSet&) = delete;
  ConnectionSet& operator=(const ConnectionSet&) = delete;

  // A place for this user's own send: any free place.
  Place EnterOwn(Refusal* refusal = nullptr);
  // A place for a connection a peer made from `address` (network byte
  // order; 0 when unknown), outside the reserve. When only the reserve has
  // room and `callBackAwaited`, a place in it, for a connection that must
  // answer a call-back.
  Place EnterCall(uint32_t address, bool callBackAwaited, Refusal* refusal = nullptr);
  // A place for calling back peer `number`, who asked for it, outside the
  // reserve and counted against the number while pending.
  Place EnterCallBack(uint32_t number, Refusal* refusal = nullptr);
  // Refuses new connections from now on.
  void Stop();
  // Runs `report`, one short call of the host, unless the set is stopped: a
  // connection reaches the host only so, and unloading waits for the
  // reports under way (WaitReportsDone). False when it did not run.
  template <typename Report>
  bool Reporting(Report report);
  // Waits, without limit, until no report is under way: after Stop, none
  // begins, and each is one short call of the host.
  template <typename Serve>
  void WaitReportsDone(Serve serve);

  // Waits at most `milliseconds` until no place is taken; true when none is.
  // `serve` runs between short waits (a host call of a connection thread
  // may be waiting for the waiting thread's messages meanwhile).
  template <typename Serve>
  bool WaitEmpty(uint32_t milliseconds, Serve serve);
  size_t Count() const;
  // Pending connections from `address` / claiming `number` (tests).
  size_t PendingFrom(uint32_t address) const;
  size_t PendingOf(uint32_t number) const;

 private:
  bool BeginReport();
  void EndReport();
  // Under the lock: whether a place outside the reserve is free.
  bool PeerRoom() const;
  Place Make(bool own);
  void Release(Place& place);
  void Uncount(Place& place);

  const ConnectionLimits limits_;
  mutable std::mutex mutex_;
  size_t own_ = 0;   // places of the user's own sends, in or out of the reserve
  size_t peer_ = 0;  // places of connections peers made or asked for
  std::map<uint32_t, size_t> byAddress_;  // pending connections per address
  std::map<uint32_t, size_t> byNumber_;   // pending connections per number
  size_t reports_ = 0;
  bool stopped_ = false;
};

template <typename Report>
bool ConnectionSet::Reporting(Report report) {
  if (!BeginReport()) return false;
  report();
  EndReport();
  return true;
}

template <typename Serve>
bool ConnectionSet::WaitEmpty(uint32_t milliseconds, Serve serve) {
  constexpr uint32_t kStep = 10;
  for (uint32_t waited = 0;; waited += kStep) {
    if (Count() == 0) return true;
    if (waited >= milliseconds) return false;
    serve(kStep);
  }
}

template <typename Serve>
void ConnectionSet::WaitReportsDone(Serve serve) {
  for (;;) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (reports_ == 0) return;
    }
    serve(1);
  }
}

}  // namespace kvel::p2p
