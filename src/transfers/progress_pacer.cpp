#include "transfers/progress_pacer.h"

namespace kvel::transfers {

ProgressPacer::ProgressPacer(TransferSide& side) : side_(side), lastReport_(side.Milliseconds()) {}

void ProgressPacer::Add(int64_t bytes) {
  gathered_ += bytes;
  const uint32_t now = side_.Milliseconds();
  // Unsigned difference: right across the tick count's wrap.
  if (now - lastReport_ < kProgressIntervalMs) return;
  lastReport_ = now;
  side_.AddProgress(gathered_);
  gathered_ = 0;
}

void ProgressPacer::Finish() {
  side_.AddProgress(gathered_);
  gathered_ = 0;
}

}  // namespace kvel::transfers
