// transfer_bench: throughput of the same file sent over loopback, as MB/s,
// CPU seconds per GB and peak memory.
//
//   transfer_bench [--sizes 100,1000] [--dir /tmp]
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

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

void Print(const kvel::bench::Result& r, double baseline) {
  std::printf("  %-44s %8.1f MB/s  %5.2fx  %6.2f CPU s/GB  %s\n", r.name.c_str(),
              r.MegabytesPerSecond(), r.MegabytesPerSecond() / baseline, r.CpuSecondsPerGigabyte(),
              r.identical ? "identical" : "DIFFERENT");
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<uint64_t> sizes = {100, 1000};
  std::string dir = "/tmp";
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--sizes" && i + 1 < argc) {
      sizes.clear();
      std::stringstream list(argv[++i]);
      std::string item;
      while (std::getline(list, item, ','))
        sizes.push_back(std::strtoull(item.c_str(), nullptr, 10));
    } else if (arg == "--dir" && i + 1 < argc) {
      dir = argv[++i];
    }
  }
  kvel::platform::StartSocketLibrary(nullptr);
  for (uint64_t mb : sizes) {
    std::string source = dir + "/kvel-bench-" + std::to_string(mb) + "MiB.bin";
    std::string target = source + ".received";
    MakeFile(source, mb);
    std::printf("file of %llu MiB\n", static_cast<unsigned long long>(mb));
    using kvel::bench::WritePattern;
    kvel::bench::Result base = kvel::bench::LoopbackCopy(source, target, WritePattern::Large64K);
    Print(base, base.MegabytesPerSecond());
    Print(kvel::bench::LoopbackCopy(source, target, WritePattern::Header12Chunk4096),
          base.MegabytesPerSecond());
    std::remove(target.c_str());
    std::remove(source.c_str());
  }
  std::printf("peak memory %.1f MiB\n", kvel::bench::PeakMegabytes());
  return 0;
}
