// What the benchmark's command line asks for, and the points it measures,
// cut to the disk.
#include "plan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bench_options.h"

namespace kvel::bench {
namespace {

constexpr uint64_t kGiB = uint64_t{1} << 30;

Options Parse(std::vector<std::string> words) {
  std::vector<char*> argv{const_cast<char*>("bench")};
  for (std::string& word : words) argv.push_back(word.data());
  return ParseOptions(static_cast<int>(argv.size()), argv.data(), "/default");
}

TEST(BenchOptions, ListsNumbersAndTheirDefaults) {
  const Options none = Parse({});
  EXPECT_EQ(none.megabytes, (std::vector<uint64_t>{100, 1000}));
  EXPECT_EQ(none.concurrent, (std::vector<uint64_t>{1, 4, 16}));
  EXPECT_EQ(none.dir, "/default");
  const Options some = Parse({"--sizes", "5,0,x,7", "--concurrent", "", "--runs", "0", "--total",
                              "64", "--dir", "/d", "--label", "MTU 1500", "--sizes"});
  EXPECT_EQ(some.megabytes, (std::vector<uint64_t>{5, 7}));  // no empty or zero sizes
  EXPECT_TRUE(some.concurrent.empty());                      // an empty list skips its series
  EXPECT_EQ(some.rounds, 1);                                 // at least one
  EXPECT_EQ(some.totalMegabytes, 64u);
  EXPECT_EQ(some.dir, "/d");
  EXPECT_EQ(some.label, "MTU 1500");
}

TEST(Plan, OneTransferOfEachSizeThenSeveralSharingTheTotal) {
  struct Case {
    const char* what;
    std::vector<uint64_t> sizes, concurrent;
    uint64_t total, freeBytes;
    std::vector<std::pair<uint64_t, uint64_t>> points;  // count, MiB
    size_t notes;
  };
  const Case cases[] = {
      {"plenty of room",
       {100},
       {1, 4, 16},
       1024,
       64 * kGiB,
       {{1, 100}, {1, 1024}, {4, 256}, {16, 64}},
       0},
      // 4 GiB free: 2 GiB for files; 16 x 2 files of at most 64 MiB.
      {"cut to half the free space", {1000}, {16}, 4096, 4 * kGiB, {{1, 1000}, {16, 64}}, 1},
      {"a point left with nothing is dropped", {100}, {4}, 1024, 1 << 20, {}, 2},
      {"more transfers than the total's MiB", {}, {4, 2000}, 2, 64 * kGiB, {}, 1},
      {"more pairs than addresses", {}, {201}, 201 * 16, 64 * kGiB, {}, 1},
  };
  for (const Case& c : cases) {
    Options options;
    options.megabytes = c.sizes;
    options.concurrent = c.concurrent;
    options.totalMegabytes = c.total;
    std::vector<std::string> notes;
    std::vector<std::pair<uint64_t, uint64_t>> points;
    for (const Point& point : Plan(options, c.freeBytes, &notes))
      points.emplace_back(point.count, point.megabytes);
    EXPECT_EQ(points, c.points) << c.what;
    EXPECT_EQ(notes.size(), c.notes) << c.what;
  }
}

}  // namespace
}  // namespace kvel::bench
