// transfer_bench: kvel's two ends in one process against plain loopback
// copies of the same files, with the socket-only copy as the ceiling: one
// transfer of a file of each size, then several transfers at once, each
// pair of ends over its own loopback address. Aggregate MB/s, CPU seconds
// per GB of this process, medians of several rounds.
//
//   transfer_bench [--sizes 100] [--concurrent 1,4,16] [--total 1024]
//                  [--runs 6] [--dir FOLDER] [--label TEXT]
//                  [--limit KB/s [--limited 1,4] [--limited-total 300]]
//
// The transfers at once share --total MiB (16 at once: 64 MiB each). Every
// series is cut to fit half the free space of the folder, sources and
// targets together. With --limit, kvel's ends then run at that speed limit,
// one and several transfers at once sharing --limited-total MiB, and each
// run says how close it came to the limit.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_options.h"
#include "kvel_ends.h"
#include "limited_series.h"
#include "loopback_copy.h"
#include "measure.h"
#include "plan.h"
#include "platform/sockets.h"
#include "series.h"

namespace {

using kvel::bench::Contender;
using kvel::bench::FilePair;

#ifndef KVEL_BUILD_TYPE
#define KVEL_BUILD_TYPE "unknown"
#endif

std::string DefaultDirectory() {
  std::error_code error;
  std::filesystem::path temp = std::filesystem::temp_directory_path(error);
  return error ? std::string(".") : temp.string();
}

std::string Title(const kvel::bench::Point& point, const std::string& label) {
  char text[160];
  if (point.count == 1) {
    std::snprintf(text, sizeof text, "## 1 transfer of %llu MiB",
                  static_cast<unsigned long long>(point.megabytes));
  } else {
    std::snprintf(text, sizeof text, "## %llu transfers at once, %llu MiB each (%llu MiB)",
                  static_cast<unsigned long long>(point.count),
                  static_cast<unsigned long long>(point.megabytes),
                  static_cast<unsigned long long>(point.count * point.megabytes));
  }
  return label.empty() ? text : std::string(text) + ", " + label;
}

}  // namespace

int main(int argc, char** argv) {
  const kvel::bench::Options options = kvel::bench::ParseOptions(argc, argv, DefaultDirectory());
  kvel::platform::StartSocketLibrary(nullptr);
  std::error_code error;
  const uint64_t freeBytes = std::filesystem::space(options.dir, error).available;
  std::printf("transfer_bench: %s build (%s, %s), files in %s (%.1f GiB free), rounds: %d%s%s\n",
              sizeof(void*) == 8 ? "64-bit" : "32-bit", KVEL_BUILD_TYPE,
#ifdef _WIN32
              "Windows",
#else
              "native",
#endif
              options.dir.c_str(), error ? 0.0 : freeBytes / 1073741824.0, options.rounds,
              options.label.empty() ? "" : ", ", options.label.c_str());

  std::vector<std::string> notes;
  const std::vector<kvel::bench::Point> points =
      kvel::bench::Plan(options, error ? UINT64_MAX : freeBytes, &notes);
  for (const std::string& note : notes) std::printf("(%s)\n", note.c_str());

  bool sound = true;
  for (const kvel::bench::Point& point : points) {
    const uint64_t bytes = point.megabytes << 20;
    std::vector<FilePair> pairs;
    for (uint64_t i = 0; i < point.count; ++i) {
      const std::string source = options.dir + "/kvel-bench-" + std::to_string(point.count) + "x" +
                                 std::to_string(point.megabytes) + "MiB-" + std::to_string(i) +
                                 ".bin";
      pairs.push_back({source, source + ".received"});
      if (!kvel::bench::MakeSourceFile(source, bytes, point.megabytes * 131 + i)) {
        std::printf("cannot write %s\n", source.c_str());
        return 1;
      }
    }
    const int count = static_cast<int>(point.count);
    const std::vector<Contender> contenders = {
        {[count](const std::vector<FilePair>&, uint64_t each) {
           return kvel::bench::SocketOnlyCopies(count, each);
         },
         false, false},
        {[](const std::vector<FilePair>& files, uint64_t) {
          return kvel::bench::LoopbackCopies(files);
        }},
        {[](const std::vector<FilePair>& files, uint64_t) { return kvel::bench::KvelEnds(files); }},
    };
    sound = kvel::bench::RunSeries(Title(point, options.label), pairs, bytes, contenders,
                                   {options.rounds, 1}) &&
            sound;
    for (const FilePair& pair : pairs) std::remove(pair.source.c_str());
  }
  sound = kvel::bench::RunLimitedSeries(options) && sound;
  std::printf("peak memory %.1f MiB\n", kvel::bench::PeakMegabytes());
  return sound ? 0 : 1;
}
