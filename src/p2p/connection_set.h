// The direct connections running at once: their number is capped, and
// unloading the plug-in stops them all for good (as the stop button stops
// one) and waits for them.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <set>

#include "platform/sockets.h"

namespace kvel::p2p {

class ConnectionSet {
 public:
  explicit ConnectionSet(size_t capacity);
  ConnectionSet(const ConnectionSet&) = delete;
  ConnectionSet& operator=(const ConnectionSet&) = delete;

  // Takes a place for a new connection; false when every place is taken or
  // the set is stopped.
  bool Enter();
  // Gives the place back; the last step of a connection.
  void Leave();
  // Names a place's socket, so that Stop reaches it; a socket attached to a
  // stopped set is shut down at once. Detach before closing the socket.
  void Attach(platform::Socket socket);
  void Detach(platform::Socket socket);

  // Refuses new connections and shuts every attached socket down in both
  // directions, so that their threads' next reads and writes fail.
  void Stop();
  bool Stopped() const;
  // A connection reports its end to the host only between these two, and
  // only while the set is not stopped (BeginReport is false then).
  bool BeginReport();
  void EndReport();
  // Waits, without limit, until no report is under way: after Stop, none
  // begins, and each is one short call of the host.
  template <typename Serve>
  void WaitReportsDone(Serve serve);

  // Waits at most `milliseconds` until no place is taken; true when none is.
  // `serve` runs between short waits (the window's thread serves the
  // messages that connection threads send it meanwhile).
  template <typename Serve>
  bool WaitEmpty(uint32_t milliseconds, Serve serve);
  size_t Count() const;

 private:
  bool WaitEmptyFor(uint32_t milliseconds);

  const size_t capacity_;
  mutable std::mutex mutex_;
  std::condition_variable left_;
  size_t count_ = 0;
  size_t reports_ = 0;
  bool stopped_ = false;
  std::multiset<platform::Socket> sockets_;
};

template <typename Serve>
bool ConnectionSet::WaitEmpty(uint32_t milliseconds, Serve serve) {
  constexpr uint32_t kStep = 10;
  for (uint32_t waited = 0;; waited += kStep) {
    if (WaitEmptyFor(0)) return true;
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
