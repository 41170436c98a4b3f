// What both benchmark programs share: their command line and how a result
// is printed.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "measure.h"

namespace kvel::bench {

struct Options {
  std::vector<uint64_t> megabytes = {100, 1000};  // file sizes in MiB
  std::string dir;                                // where the files go
};

//   --sizes 100,1000   --dir FOLDER
inline Options ParseOptions(int argc, char** argv, std::string defaultDir) {
  Options options;
  options.dir = std::move(defaultDir);
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--sizes" && i + 1 < argc) {
      options.megabytes.clear();
      std::stringstream list(argv[++i]);
      std::string item;
      while (std::getline(list, item, ',')) {
        options.megabytes.push_back(std::strtoull(item.c_str(), nullptr, 10));
      }
    } else if (arg == "--dir" && i + 1 < argc) {
      options.dir = argv[++i];
    }
  }
  return options;
}

// One line: MB/s, the ratio to `baseline` MB/s, CPU seconds per GB, and
// whether the received bytes matched.
inline void Print(const Result& r, double baseline) {
  std::printf("  %-44s %8.1f MB/s  %5.2fx  %6.2f CPU s/GB  %s\n", r.name.c_str(),
              r.MegabytesPerSecond(), r.MegabytesPerSecond() / baseline, r.CpuSecondsPerGigabyte(),
              r.identical ? "identical" : "DIFFERENT");
}

}  // namespace kvel::bench
