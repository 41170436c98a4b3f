// wine_hosts_bench: the same file sent between two stand-in hosts with
// kvel.tpl under Wine, through the contact menu as a user sends it, beside
// a plain loopback copy under Wine as the baseline.
//
//   wine_hosts_bench.exe [--sizes 100,1000] [--dir FOLDER\]
//
// The clock starts when the receiver has created its part file (its user
// has answered the question and the save dialog) and stops when the whole
// file has taken its name, so no dialog's time is counted. CPU seconds are both host
// processes'.
#include <chrono>
#include <cstdio>
#include <string>

#include "bench_options.h"
#include "loopback_copy.h"
#include "measure.h"
#include "world.h"
#include "world_files.h"

namespace {

using kvel::bench::Result;
using kvel::e2e::ArrivingSize;
using kvel::e2e::FileSize;
using kvel::e2e::HostProcess;
using kvel::e2e::WaitUntil;

double HostsCpuSeconds(HostProcess& a, HostProcess& b) {
  return kvel::bench::CpuSeconds(a.Process()) + kvel::bench::CpuSeconds(b.Process());
}

Result SendBetweenHosts(HostProcess& a, HostProcess& b, const std::string& source,
                        const std::string& target) {
  Result result;
  result.name = "two hosts with kvel.tpl under Wine";
  result.identical = false;
  const uint64_t size = FileSize(source);
  DeleteFileA(target.c_str());
  b.Command("answer yes");
  b.Command("save \"" + target + "\"");
  a.Command("open \"" + source + "\"");
  a.Command("click kvel/send 1002");
  if (!WaitUntil([&] { return ArrivingSize(target) > 0; }, 120000, 1)) return result;
  const double cpu = HostsCpuSeconds(a, b);
  const auto start = std::chrono::steady_clock::now();
  if (!WaitUntil([&] { return FileSize(target) == size; }, 1800000, 1)) {
    return result;
  }
  result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  result.cpuSeconds = HostsCpuSeconds(a, b) - cpu;
  result.bytes = size;
  a.WaitFor("rows", "ok rows 0");
  b.WaitFor("rows", "ok rows 0");
  result.identical = kvel::bench::SameContent(source, target);
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  const kvel::bench::Options options = kvel::bench::ParseOptions(argc, argv, "");
  kvel::e2e::World world(options.dir);
  HostProcess& a = world.AddHost({1001, kvel::e2e::FreePort(), {{1002, "Bolek"}}, ""});
  HostProcess& b = world.AddHost({1002, kvel::e2e::FreePort(), {{1001, "Alek"}}, ""});
  if (!a.Started() || !b.Started() || !a.WaitFor("contacts", "icon=green")) {
    std::fprintf(stderr, "the hosts did not start\n");
    return 1;
  }
  for (uint64_t mb : options.megabytes) {
    const std::string source = world.Scratch() + "bench-" + std::to_string(mb) + "MiB.bin";
    const std::string target = source + ".received";
    kvel::e2e::MakeFile(source, mb << 20, static_cast<uint32_t>(mb));
    std::printf("file of %llu MiB\n", static_cast<unsigned long long>(mb));
    using kvel::bench::WritePattern;
    Result base = kvel::bench::LoopbackCopy(source, target, WritePattern::Large64K);
    base.name += " (Wine)";
    kvel::bench::Print(base, base.MegabytesPerSecond());
    Result pattern = kvel::bench::LoopbackCopy(source, target, WritePattern::Header12Chunk4096);
    pattern.name += " (Wine)";
    kvel::bench::Print(pattern, base.MegabytesPerSecond());
    kvel::bench::Print(SendBetweenHosts(a, b, source, target), base.MegabytesPerSecond());
    std::fflush(stdout);
    DeleteFileA(target.c_str());
    DeleteFileA(source.c_str());
  }
  std::printf("peak memory: host 1001 %.1f MiB, host 1002 %.1f MiB\n",
              kvel::bench::PeakMegabytes(a.Process()), kvel::bench::PeakMegabytes(b.Process()));
  return 0;
}
