// Waiting on another process: polls a condition until it holds or a limit
// passes. The limit guards against a hang; it is never a timing check.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace kvel::e2e {

// True as soon as `done` holds; false when `limitMs` pass first.
inline bool WaitUntil(const std::function<bool()>& done, int limitMs, int pollMs = 20) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(pollMs));
  }
  return true;
}

}  // namespace kvel::e2e
