#include "limited_series.h"

#include <algorithm>
#include <cstdio>
#include <numeric>

#include "loopback_copy.h"
#include "series.h"

namespace kvel::bench {
namespace {

constexpr int kRounds = 2;

int64_t Total(const Pacing::Sample& sample) {
  return std::accumulate(sample.moved.begin(), sample.moved.end(), int64_t{0});
}

}  // namespace

LimitedFigures FiguresOf(const Pacing& pacing) {
  LimitedFigures figures;
  const std::vector<Pacing::Sample>& samples = pacing.samples;
  const double limit = pacing.kilobytesPerSecond * 1024.0;
  auto first = std::find_if(samples.begin(), samples.end(),
                            [](const Pacing::Sample& s) { return Total(s) > 0; });
  if (first == samples.end() || limit == 0) return figures;
  // Steady from 3 s after the first byte until a transfer ends (it stops
  // growing while the limit's other share holders still move).
  const double begin = first->seconds + 3;
  const int64_t whole = Total(samples.back());
  auto last = std::find_if(first, samples.end(), [&](const Pacing::Sample& s) {
    for (size_t i = 0; i < s.moved.size(); ++i)
      if (s.moved[i] == samples.back().moved[i]) return true;
    return false;
  });
  auto end = std::find_if(first, samples.end(),
                          [&](const Pacing::Sample& s) { return Total(s) == whole; });
  // From the last sample before the first byte: never more than it was.
  const double started = first == samples.begin() ? 0 : (first - 1)->seconds;
  figures.overall = whole / std::max(end->seconds - started, 1e-9) / limit;
  figures.leastThree = 1e9;
  for (auto from = first; from != samples.end(); ++from) {
    if (from->seconds < begin) continue;
    auto to = std::find_if(from, samples.end(),
                           [&](const Pacing::Sample& s) { return s.seconds >= from->seconds + 3; });
    if (to == samples.end() || to > last) break;
    const double rate = (Total(*to) - Total(*from)) / (to->seconds - from->seconds) / limit;
    figures.leastThree = std::min(figures.leastThree, rate);
    figures.mostThree = std::max(figures.mostThree, rate);
  }
  if (figures.mostThree == 0) return {};
  auto from = std::find_if(first, samples.end(),
                           [&](const Pacing::Sample& s) { return s.seconds >= begin; });
  const double even =
      limit / static_cast<double>(from->moved.size()) * (last->seconds - from->seconds);
  figures.leastShare = 1e9;
  for (size_t i = 0; i < from->moved.size(); ++i) {
    const double share = (last->moved[i] - from->moved[i]) / even;
    figures.leastShare = std::min(figures.leastShare, share);
    figures.mostShare = std::max(figures.mostShare, share);
  }
  return figures;
}

bool RunLimitedSeries(const Options& options) {
  if (options.limitKb == 0) return true;
  bool sound = true;
  for (uint64_t count : options.limited) {
    const uint64_t megabytes = options.limitedMegabytes / count;
    std::printf("## %llu transfer%s at once limited to %u KB/s, %llu MiB each\n",
                static_cast<unsigned long long>(count), count == 1 ? "" : "s", options.limitKb,
                static_cast<unsigned long long>(megabytes));
    std::vector<FilePair> pairs;
    for (uint64_t i = 0; i < count; ++i) {
      const std::string source = options.dir + "/kvel-bench-limited-" + std::to_string(count) +
                                 "x-" + std::to_string(i) + ".bin";
      pairs.push_back({source, source + ".received"});
      if (!MakeSourceFile(source, megabytes << 20, 977 + i)) {
        std::printf("cannot write %s\n", source.c_str());
        return false;
      }
    }
    std::printf("| round | KB/s | overall | any 3 s, least to most | each transfer's share |\n");
    std::printf("|---|---|---|---|---|\n");
    for (int round = 1; round <= kRounds; ++round) {
      for (const FilePair& pair : pairs) std::remove(pair.target.c_str());
      Pacing pacing;
      pacing.kilobytesPerSecond = options.limitKb;
      const Result result = KvelEnds(pairs, &pacing);
      bool same = result.identical;
      for (const FilePair& pair : pairs) same = same && SameContent(pair.source, pair.target);
      const LimitedFigures f = FiguresOf(pacing);
      std::printf("| %d | %.1f | %.3fx | %.3fx to %.3fx | %.3fx to %.3fx |%s\n", round,
                  result.bytes / result.seconds / 1024, f.overall, f.leastThree, f.mostThree,
                  f.leastShare, f.mostShare, same ? "" : " DIFFERENT");
      sound = sound && same;
    }
    for (const FilePair& pair : pairs) {
      std::remove(pair.source.c_str());
      std::remove(pair.target.c_str());
    }
  }
  return sound;
}

}  // namespace kvel::bench
