// What a benchmark run measures: the points of its series, cut to the disk.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bench_options.h"

namespace kvel::bench {

// `count` transfers at once of a file of `megabytes` MiB each.
struct Point {
  uint64_t count = 1;
  uint64_t megabytes = 0;
};

// One transfer of each size, then each number of transfers at once sharing
// the total. A point whose sources and targets need more than half of
// `freeBytes` gets files that fit, and says so in `notes`; one left with no
// file at all, or more pairs than loopback addresses, is dropped.
std::vector<Point> Plan(const Options& options, uint64_t freeBytes,
                        std::vector<std::string>* notes);

}  // namespace kvel::bench
