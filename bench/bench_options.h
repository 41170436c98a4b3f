// What both benchmark programs share: their command line.
#pragma once

#include <cstdint>
#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace kvel::bench {

struct Options {
  std::vector<uint64_t> megabytes = {100, 1000};  // one transfer of a file of each size, in MiB
  std::vector<uint64_t> concurrent = {1, 4, 16};  // transfers at once
  uint64_t totalMegabytes = 1024;                 // the files of the transfers at once, together
  int rounds = 6;                                 // runs of each contender
  std::string dir;                                // where the files go
  std::string label;     // names the series in the output (say, the loopback's MTU)
  uint32_t limitKb = 0;  // the series at a speed limit; 0: none
  std::vector<uint64_t> limited = {1, 4};  // transfers at once under it
  uint64_t limitedMegabytes = 300;         // their files, together
};

inline std::vector<uint64_t> NumberList(const std::string& text) {
  std::vector<uint64_t> numbers;
  std::stringstream list(text);
  std::string item;
  while (std::getline(list, item, ',')) {
    const uint64_t number = std::strtoull(item.c_str(), nullptr, 10);
    if (number > 0) numbers.push_back(number);
  }
  return numbers;
}

//   --sizes 100,1000  --concurrent 1,4,16  --total 1024  --runs 6  --dir FOLDER
//   --label TEXT        (an empty list skips its series)
//   --limit KB/s  --limited 1,4  --limited-total 300   (the series at a limit)
inline Options ParseOptions(int argc, char** argv, std::string defaultDir) {
  Options options;
  options.dir = std::move(defaultDir);
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string arg = argv[i];
    const std::string value = argv[i + 1];
    if (arg == "--sizes") {
      options.megabytes = NumberList(value);
    } else if (arg == "--concurrent") {
      options.concurrent = NumberList(value);
    } else if (arg == "--total") {
      options.totalMegabytes = std::strtoull(value.c_str(), nullptr, 10);
    } else if (arg == "--runs") {
      options.rounds = std::max(1, std::atoi(value.c_str()));
    } else if (arg == "--dir") {
      options.dir = value;
    } else if (arg == "--label") {
      options.label = value;
    } else if (arg == "--limit") {
      options.limitKb = static_cast<uint32_t>(std::strtoul(value.c_str(), nullptr, 10));
    } else if (arg == "--limited") {
      options.limited = NumberList(value);
    } else if (arg == "--limited-total") {
      options.limitedMegabytes = std::strtoull(value.c_str(), nullptr, 10);
    }
  }
  return options;
}

}  // namespace kvel::bench
