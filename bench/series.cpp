#include "series.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

#include "page_cache.h"

namespace kvel::bench {
namespace {

// Says once per program why the page cache stays as it is.
void DropOrSay(const std::string& path) {
  static bool said = false;
  std::string why;
  if (DropFromPageCache(path, &why) || said) return;
  said = true;
  std::printf("  (the page cache is not dropped between runs: %s)\n", why.c_str());
}

// Says once per program why removals are not synced.
void SyncOrSay(const std::string& directory) {
  static bool said = false;
  std::string why;
  if (SyncFileSystem(directory, &why) || said) return;
  said = true;
  std::printf("  (the file system is not synced between runs: %s)\n", why.c_str());
}

// The contenders' order in `round`: those that do not alternate first, then
// the others, reversed every other round.
std::vector<size_t> Order(const std::vector<Contender>& contenders, int round) {
  std::vector<size_t> fixed, turns;
  for (size_t i = 0; i < contenders.size(); ++i)
    (contenders[i].alternates ? turns : fixed).push_back(i);
  if (round % 2 == 1) std::reverse(turns.begin(), turns.end());
  fixed.insert(fixed.end(), turns.begin(), turns.end());
  return fixed;
}

// The machine's load averages over 1, 5 and 15 minutes, as uptime shows
// them (under Wine the Linux host's, through its root drive).
std::string LoadAverage() {
#ifdef _WIN32
  std::ifstream in("Z:\\proc\\loadavg");
#else
  std::ifstream in("/proc/loadavg");
#endif
  std::string one, five, fifteen;
  if (!(in >> one >> five >> fifteen)) return "unknown";
  return one + ", " + five + ", " + fifteen;
}

// Every round's ratio, the rounds of a pair together: "[1.62, 0.94 | ...]".
std::string Ratios(const std::vector<double>& ratios) {
  std::string text = "[";
  for (size_t i = 0; i < ratios.size(); ++i) {
    char one[32];
    std::snprintf(one, sizeof one, "%s%.2f", i == 0 ? "" : i % 2 ? ", " : " | ", ratios[i]);
    text += one;
  }
  return text + "]";
}

}  // namespace

std::vector<double> PairedRatios(const std::vector<double>& ratios) {
  std::vector<double> paired;
  for (size_t i = 0; i + 1 < ratios.size(); i += 2)
    paired.push_back(std::sqrt(ratios[i] * ratios[i + 1]));
  if (ratios.size() % 2 == 1) paired.push_back(ratios.back());
  return paired;
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

bool MakeSourceFile(const std::string& path, uint64_t bytes, uint64_t seed) {
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::mt19937_64 random(seed);
    std::vector<uint64_t> block(1 << 17);  // 1 MiB
    for (uint64_t left = bytes; left > 0 && out;) {
      for (uint64_t& word : block) word = random();
      const uint64_t n = std::min<uint64_t>(left, block.size() * sizeof(uint64_t));
      out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(n));
      left -= n;
    }
    if (!out) return false;
  }
  DropOrSay(path);
  return true;
}

bool RunSeries(const std::string& title, const std::vector<FilePair>& pairs, uint64_t bytes,
               const std::vector<Contender>& contenders, const SeriesOptions& options) {
  if (options.rounds < 1 || options.baseline >= contenders.size()) return false;
  std::printf("%s\n  (load average before: %s)\n", title.c_str(), LoadAverage().c_str());
  std::fflush(stdout);
  // results[contender][round]
  std::vector<std::vector<Result>> results(contenders.size());
  bool sound = true;
  for (int round = 0; round < options.rounds; ++round) {
    const std::vector<size_t> order = Order(contenders, round);
    for (size_t index : order) {
      for (const FilePair& pair : pairs) {
        std::remove(pair.target.c_str());
        DropOrSay(pair.source);
      }
      if (!pairs.empty())
        SyncOrSay(std::filesystem::path(pairs.front().target).parent_path().string());
      Result result = contenders[index].run(pairs, bytes);
      if (contenders[index].writesFiles) {
        // Written and synced, so that the next run has no write-back to wait
        // for, then compared; removed before the next run.
        for (const FilePair& pair : pairs) {
          DropOrSay(pair.target);
          result.identical = result.identical && SameContent(pair.source, pair.target);
        }
      }
      if (result.seconds <= 0 || result.bytes != bytes * pairs.size()) result.identical = false;
      sound = sound && result.identical;
      results[index].push_back(result);
    }
    std::printf("  round %d:", round + 1);
    for (size_t index : order) {
      const Result& r = results[index].back();
      std::printf(" %s %.1f MB/s%s;", r.name.c_str(), r.MegabytesPerSecond(),
                  r.identical ? "" : " (FAILED)");
    }
    std::printf("\n");
    std::fflush(stdout);
  }
  for (const FilePair& pair : pairs) std::remove(pair.target.c_str());
  std::printf("  (load average after: %s)\n", LoadAverage().c_str());

  std::printf("\n| run | MB/s | ratio, every round's in brackets | CPU s/GB | received |\n");
  std::printf("|---|---|---|---|---|\n");
  const std::vector<Result>& base = results[options.baseline];
  for (const std::vector<Result>& runs : results) {
    std::vector<double> speeds, ratios, cpu;
    bool identical = true;
    for (size_t round = 0; round < runs.size(); ++round) {
      speeds.push_back(runs[round].MegabytesPerSecond());
      ratios.push_back(runs[round].MegabytesPerSecond() / base[round].MegabytesPerSecond());
      cpu.push_back(runs[round].CpuSecondsPerGigabyte());
      identical = identical && runs[round].identical;
    }
    const bool isBase = &runs == &base;
    std::printf("| %s | %.1f | %.2fx%s%s | %.2f | %s |\n", runs.front().name.c_str(),
                Median(speeds), Median(PairedRatios(ratios)), isBase ? "" : " ",
                isBase ? "" : Ratios(ratios).c_str(), Median(cpu),
                identical ? "identical" : "DIFFERENT");
  }
  std::printf("\n");
  std::fflush(stdout);
  return sound;
}

}  // namespace kvel::bench
