// The direct connections running at once, as threads: their number is
// capped, unloading refuses new ones and waits for the running ones to end.
// Their transfers, and the sockets a stop shuts down, are kept in the
// transfers registry, which unloading stops.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>

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
  // Refuses new connections from now on.
  void Stop();
  // A connection reports its end to the host only between these two, and
  // only while the set is not stopped (BeginReport is false then).
  bool BeginReport();
  void EndReport();
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

 private:
  bool WaitEmptyFor(uint32_t milliseconds);

  const size_t capacity_;
  mutable std::mutex mutex_;
  std::condition_variable left_;
  size_t count_ = 0;
  size_t reports_ = 0;
  bool stopped_ = false;
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
