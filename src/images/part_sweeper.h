// PartSweeper: a thread of its own that, every few seconds, lets the
// requested images' table forget the requests that have run out, so that an
// image's part file goes soon after its request expires even when no
// message or reply comes to touch the table.
//
// Thread safety: Start and Stop from one thread (the plug-in's start and
// unload).
#pragma once

#include <cstdint>
#include <functional>

#include "platform/threads/worker.h"

namespace kvel::images {

// How often the table is swept: a part outlives its request by at most this.
inline constexpr uint32_t kPartSweepMs = 10 * 1000;

class PartSweeper {
 public:
  // `sweep` runs on the sweeper's thread every `intervalMs`.
  explicit PartSweeper(std::function<void()> sweep, uint32_t intervalMs = kPartSweepMs);
  PartSweeper(const PartSweeper&) = delete;
  PartSweeper& operator=(const PartSweeper&) = delete;
  ~PartSweeper();  // Stop

  // False when the thread cannot start, or after Stop.
  bool Start();
  // Wakes the thread and ends it; a sweep under way is finished first.
  // False when the thread outlived the worker's bound (a sweep that hangs).
  bool Stop();

 private:
  std::function<void()> sweep_;
  const uint32_t intervalMs_;
  bool stopped_ = false;
  platform::Worker worker_;
};

}  // namespace kvel::images
