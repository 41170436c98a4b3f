// A series of benchmark runs that no run pays for: the contenders move the
// same files in turn, round after round, their order alternating, and each
// run starts with the files synced and dropped from the page cache and no
// target left by an earlier run. Medians are printed with every run's ratio
// to the baseline of its own round.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "loopback_copy.h"
#include "measure.h"

namespace kvel::bench {

// One way of moving every pair's file at once, `bytes` each.
struct Contender {
  std::function<Result(const std::vector<FilePair>& pairs, uint64_t bytes)> run;
  // It writes the targets, which are then compared with their sources.
  bool writesFiles = true;
};

struct SeriesOptions {
  int rounds = 5;
  size_t baseline = 0;  // the contender the others are compared to
};

// Runs the contenders on `pairs` and prints, under `title`, each round's
// figures as they come and then one table row per contender: the median
// aggregate MB/s, the median ratio with every round's in brackets, the
// median CPU seconds per GB, and whether every target matched its source.
// False when a run failed or a target did not match.
bool RunSeries(const std::string& title, const std::vector<FilePair>& pairs, uint64_t bytes,
               const std::vector<Contender>& contenders, const SeriesOptions& options);

// Writes `bytes` pseudo-random bytes from `seed` to `path`, then syncs it and
// drops it from the page cache.
bool MakeSourceFile(const std::string& path, uint64_t bytes, uint64_t seed);

// The middle value (the mean of the two middle ones for an even count).
double Median(std::vector<double> values);

}  // namespace kvel::bench
