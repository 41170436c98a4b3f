// wine_hosts_bench: a file sent between two stand-in hosts with kvel.tpl
// under Wine, through the contact menu as a user sends it, against a plain
// loopback copy of the same file under Wine and the socket-only copy as the
// ceiling, round after round, the hosts and the copy in alternating order
// and the page cache dropped before each run.
//
//   wine_hosts_bench.exe [--sizes 100,1000] [--runs 6] [--dir FOLDER\]
//
// The clock starts when the receiver has created its part file (its user
// has answered the question and the save dialog) and stops when the whole
// file has taken its name, so no dialog's time is counted. CPU seconds are
// both host processes'.
#include <chrono>
#include <cstdio>
#include <string>

#include "bench_options.h"
#include "loopback_copy.h"
#include "measure.h"
#include "series.h"
#include "world.h"
#include "world_files.h"

namespace {

using kvel::bench::Contender;
using kvel::bench::FilePair;
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
  result.name = "two hosts with kvel.tpl";
  result.identical = false;
  const uint64_t size = FileSize(source);
  b.Command("answer yes");
  b.Command("save \"" + target + "\"");
  a.Command("open \"" + source + "\"");
  a.Command("click kvel/send 1002");
  if (!WaitUntil([&] { return ArrivingSize(target) > 0; }, 120000, 1)) return result;
  const double cpu = HostsCpuSeconds(a, b);
  const auto start = std::chrono::steady_clock::now();
  if (!WaitUntil([&] { return FileSize(target) == size; }, 1800000, 1)) return result;
  result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  result.cpuSeconds = HostsCpuSeconds(a, b) - cpu;
  result.bytes = size;
  // Both rows gone: the transfer is over at both ends before the next run.
  result.identical = a.WaitFor("rows", "ok rows 0") && b.WaitFor("rows", "ok rows 0");
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
  std::printf("wine_hosts_bench: %s build, files in %s, rounds: %d\n",
              sizeof(void*) == 8 ? "64-bit" : "32-bit", world.Scratch().c_str(), options.rounds);
  bool sound = true;
  for (uint64_t mb : options.megabytes) {
    const std::string source = world.Scratch() + "bench-" + std::to_string(mb) + "MiB.bin";
    const std::vector<FilePair> pairs = {{source, source + ".received"}};
    if (!kvel::bench::MakeSourceFile(source, mb << 20, mb)) {
      std::printf("cannot write %s\n", source.c_str());
      return 1;
    }
    const std::vector<Contender> contenders = {
        {[](const std::vector<FilePair>&, uint64_t bytes) {
           Result r = kvel::bench::SocketOnlyCopies(1, bytes);
           r.name += " (Wine)";
           return r;
         },
         false, false},
        {[](const std::vector<FilePair>& files, uint64_t) {
          Result r = kvel::bench::LoopbackCopies(files);
          r.name += " (Wine)";
          return r;
        }},
        {[&a, &b](const std::vector<FilePair>& files, uint64_t) {
          return SendBetweenHosts(a, b, files[0].source, files[0].target);
        }},
    };
    sound = kvel::bench::RunSeries("## 1 transfer of " + std::to_string(mb) + " MiB", pairs,
                                   mb << 20, contenders, {options.rounds, 1}) &&
            sound;
    DeleteFileA(source.c_str());
  }
  std::printf("peak memory: host 1001 %.1f MiB, host 1002 %.1f MiB\n",
              kvel::bench::PeakMegabytes(a.Process()), kvel::bench::PeakMegabytes(b.Process()));
  return sound ? 0 : 1;
}
