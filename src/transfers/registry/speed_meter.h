// A transfer's speed over its last few seconds, from samples of its byte
// count on a wrapping millisecond clock. While data flows it is the average
// over the last kSpanMs; when the data stops it falls with every sample and
// is 0 once the pause covers the whole span. Pure: samples in, speed out.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace kvel::transfers {

class SpeedMeter {
 public:
  // The speed is the average over about this long.
  static constexpr uint32_t kSpanMs = 3000;
  // It reads 0 until this long has been sampled, so a first burst does not
  // show as a speed.
  static constexpr uint32_t kWarmUpMs = 1000;
  // Samples closer together than this are not kept (the speed is still
  // computed at each); so few are needed to cover the span.
  static constexpr uint32_t kSpacingMs = 200;

  // Takes the byte count `moved` read at `now`; returns bytes per second.
  float Sample(uint32_t now, int64_t moved);

 private:
  struct Point {
    uint32_t at = 0;
    int64_t moved = 0;
  };
  // One point older than the span, the span's points and the newest.
  static constexpr size_t kPoints = kSpanMs / kSpacingMs + 2;

  const Point& At(size_t index) const { return points_[(first_ + index) % kPoints]; }
  void Push(Point point);

  std::array<Point, kPoints> points_{};
  size_t first_ = 0;
  size_t count_ = 0;
  uint32_t firstAt_ = 0;  // the first sample's time
  bool warm_ = false;     // kWarmUpMs have been sampled
};

}  // namespace kvel::transfers
