#include "message_pump.h"

#include <chrono>

namespace standin {

void DispatchPendingMessages(uint32_t waitMilliseconds);  // per platform

void PumpMessages(uint32_t milliseconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (std::chrono::steady_clock::now() < end) DispatchPendingMessages(5);
}

bool PumpUntil(const std::function<bool()>& done, uint32_t timeoutMilliseconds) {
  const auto end =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMilliseconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= end) return done();
    DispatchPendingMessages(5);
  }
  return true;
}

}  // namespace standin
