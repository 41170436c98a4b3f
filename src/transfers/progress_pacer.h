// Progress reports of one transfer at a bounded rate: the bytes moved are
// gathered and handed to the transfer window at most once per interval, and
// once more at the end, so the window's total is exact.
#pragma once

#include <cstdint>

#include "transfers/transfer_side.h"

namespace kvel::transfers {

// At most 20 reports a second.
inline constexpr uint32_t kProgressIntervalMs = 50;

class ProgressPacer {
 public:
  // The side's clock starts the first interval.
  explicit ProgressPacer(TransferSide& side);
  // Counts `bytes` more; reports them with the rest gathered when an
  // interval has passed since the last report.
  void Add(int64_t bytes);
  // Reports what is gathered, also nothing, once at the end.
  void Finish();

 private:
  TransferSide& side_;
  uint32_t lastReport_;
  int64_t gathered_ = 0;
};

}  // namespace kvel::transfers
