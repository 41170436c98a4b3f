// kvel's two ends in one process: for each pair, the file-transfer stream's
// sender and receiver over a connection of their own loopback address, with
// the product's files, socket reads and writes and transfers registry (one
// registry for all, as one plug-in keeps them, rendered meanwhile by a
// window), and users who choose the file, accept and save at once (no dialog
// time). The pairs run at once.
#pragma once

#include <cstdint>
#include <vector>

#include "loopback_copy.h"
#include "measure.h"

namespace kvel::bench {

// A speed limit both ends keep to, each way, as the product's, and the
// bytes each receiving end had moved, sampled meanwhile.
struct Pacing {
  uint32_t kilobytesPerSecond = 0;
  struct Sample {
    double seconds = 0;          // since the ends began
    std::vector<int64_t> moved;  // each pair's, in the order of the pairs
  };
  std::vector<Sample> samples;  // every kSampleMs
  static constexpr uint32_t kSampleMs = 100;
};

// With `pacing`, under its limit, sampled into it.
Result KvelEnds(const std::vector<FilePair>& pairs, Pacing* pacing = nullptr);

}  // namespace kvel::bench
