#include "transfers/registry/speed_meter.h"

namespace kvel::transfers {

float SpeedMeter::Sample(uint32_t now, int64_t moved) {
  if (count_ == 0) {
    firstAt_ = now;
    Push({now, moved});
    return 0;
  }
  // The base is the newest point at least a span old, or the oldest there
  // is; points older than the base are of no more use. Unsigned
  // differences: right across the clock's wrap.
  while (count_ >= 2 && now - At(1).at >= kSpanMs) {
    first_ = (first_ + 1) % kPoints;
    --count_;
  }
  if (now - firstAt_ >= kWarmUpMs) warm_ = true;
  const Point& base = At(0);
  const uint32_t elapsed = now - base.at;
  float speed = 0;
  if (warm_ && elapsed > 0 && moved > base.moved)
    speed = static_cast<float>(static_cast<double>(moved - base.moved) * 1000.0 / elapsed);
  if (now - At(count_ - 1).at >= kSpacingMs) Push({now, moved});
  return speed;
}

void SpeedMeter::Push(Point point) {
  if (count_ == kPoints) {
    first_ = (first_ + 1) % kPoints;
    --count_;
  }
  points_[(first_ + count_) % kPoints] = point;
  ++count_;
}

}  // namespace kvel::transfers
