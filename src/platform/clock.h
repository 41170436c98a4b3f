// The one clock seam: whatever measures time takes a Clock, so that tests
// can move time by hand. The product hands it TickCount (threads.h).
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>

namespace kvel::platform {

// Milliseconds since an arbitrary start, wrapping at 2^32 like TickCount:
// compare two readings only by their unsigned difference.
using Clock = std::function<uint32_t()>;

// A moment `afterMs` after `startedAt` (by default: now) on `clock`, which
// must outlive it.
class Deadline {
 public:
  Deadline(const Clock& clock, uint32_t afterMs) : Deadline(clock, clock(), afterMs) {}
  Deadline(const Clock& clock, uint32_t startedAt, uint32_t afterMs)
      : clock_(clock), start_(startedAt), afterMs_(afterMs) {}

  // The milliseconds left; 0 once it has passed.
  uint32_t LeftMs() const {
    const uint32_t spent = clock_() - start_;
    return spent >= afterMs_ ? 0 : afterMs_ - spent;
  }
  bool Passed() const { return LeftMs() == 0; }
  // A real wait toward it (a condition's, a socket's): what is left, at
  // most `boundMs`, so that the clock is read again at least that often
  // (a scripted clock moves otherwise than real time).
  std::chrono::milliseconds Slice(uint32_t boundMs) const {
    return std::chrono::milliseconds(std::min(LeftMs(), boundMs));
  }

 private:
  const Clock& clock_;
  uint32_t start_;
  uint32_t afterMs_;
};

}  // namespace kvel::platform
