// transfer_bench: throughput of the same file sent over loopback, as MB/s,
// CPU seconds per GB and peak memory.
//
//   transfer_bench [--sizes 100,1000] [--dir /tmp]
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <vector>

#include "bench_options.h"
#include "kvel_ends.h"
#include "loopback_copy.h"
#include "measure.h"
#include "platform/sockets.h"

namespace {

void MakeFile(const std::string& path, uint64_t megabytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  std::mt19937_64 random(megabytes);
  std::vector<uint64_t> block(1 << 17);  // 1 MiB
  for (uint64_t i = 0; i < megabytes; ++i) {
    for (uint64_t& word : block) word = random();
    out.write(reinterpret_cast<const char*>(block.data()), 1 << 20);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const kvel::bench::Options options = kvel::bench::ParseOptions(argc, argv, "/tmp");
  using kvel::bench::Print;
  kvel::platform::StartSocketLibrary(nullptr);
  for (uint64_t mb : options.megabytes) {
    std::string source = options.dir + "/kvel-bench-" + std::to_string(mb) + "MiB.bin";
    std::string target = source + ".received";
    MakeFile(source, mb);
    std::printf("file of %llu MiB\n", static_cast<unsigned long long>(mb));
    using kvel::bench::WritePattern;
    // Every run writes a new file, and starts with nothing waiting to be
    // written back: an earlier run's file, replaced or emptied, or its dirty
    // pages would cost the next run time of its own.
    auto fresh = [&] {
      std::remove(target.c_str());
      ::sync();
    };
    fresh();
    kvel::bench::Result base = kvel::bench::LoopbackCopy(source, target, WritePattern::Large64K);
    Print(base, base.MegabytesPerSecond());
    fresh();
    Print(kvel::bench::LoopbackCopy(source, target, WritePattern::Header12Chunk4096),
          base.MegabytesPerSecond());
    fresh();
    Print(kvel::bench::KvelEnds(source, target), base.MegabytesPerSecond());
    std::remove(target.c_str());
    std::remove(source.c_str());
  }
  std::printf("peak memory %.1f MiB\n", kvel::bench::PeakMegabytes());
  return 0;
}
