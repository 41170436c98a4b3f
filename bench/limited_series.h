// The series at a speed limit: kvel's two ends, both keeping to the limit
// as the product does, for one and for several transfers at once; how close
// they came to the limit overall, over any 3 s once 3 s had run, and how
// evenly the transfers shared it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bench_options.h"
#include "kvel_ends.h"

namespace kvel::bench {

// What one run at a limit came to, each as a share of what the limit allows.
struct LimitedFigures {
  double overall = 0;     // the whole run, from the first byte to the last
  double leastThree = 0;  // the least and the most of any 3 s, from 3 s
  double mostThree = 0;   // after the first byte until the first end
  double leastShare = 0;  // each transfer's part of the steady span,
  double mostShare = 0;   // against an even share
};

// Figures of `pacing`'s samples at its limit (`samples` of `count` pairs);
// zero when too short for a 3-s span.
LimitedFigures FiguresOf(const Pacing& pacing);

// Runs every count of `options.limited` at `options.limitKb`, its files
// sharing `options.limitedMegabytes` in `options.dir`; false when a run
// failed or a file arrived different.
bool RunLimitedSeries(const Options& options);

}  // namespace kvel::bench
