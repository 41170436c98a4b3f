// A series of benchmark runs that no run pays for: the contenders move the
// same files in turn, round after round, the compared ones in alternating
// order, and each run starts with the files synced and dropped from the
// page cache, no target left by an earlier run and its removal synced.
// Medians are printed with every run's ratio to the baseline of its own
// round.
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
  // It takes its turn in the alternating order; one that does not runs
  // first in every round (the ceiling), so that the contenders compared
  // follow it equally often.
  bool alternates = true;
};

struct SeriesOptions {
  int rounds = 6;       // even: each order of the alternating contenders as often
  size_t baseline = 0;  // the contender the others are compared to
};

// Runs the contenders on `pairs` and prints, under `title`, each round's
// figures as they come and then one table row per contender: the median
// aggregate MB/s, the ratio to the baseline (below) with every round's in
// brackets, the median CPU seconds per GB, and whether every target matched
// its source. False when a run failed or a target did not match.
//
// Which of two contenders runs first changes their figures (what the disk
// and the machine still do after a run); the alternating order gives each
// the first place in one round of every pair. So the ratio is the median
// over pairs of rounds of each pair's geometric mean, in which such an
// effect cancels.
bool RunSeries(const std::string& title, const std::vector<FilePair>& pairs, uint64_t bytes,
               const std::vector<Contender>& contenders, const SeriesOptions& options);

// Writes `bytes` pseudo-random bytes from `seed` to `path`, then syncs it and
// drops it from the page cache.
bool MakeSourceFile(const std::string& path, uint64_t bytes, uint64_t seed);

// The geometric mean of each pair of rounds' ratios (1st and 2nd, 3rd and
// 4th, ...); a last round without a pair stands alone.
std::vector<double> PairedRatios(const std::vector<double>& ratios);

// The middle value (the mean of the two middle ones for an even count).
double Median(std::vector<double> values);

}  // namespace kvel::bench
