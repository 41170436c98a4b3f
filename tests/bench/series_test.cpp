// The benchmark's fairness: every run of a series starts with its files out
// of the page cache and no target of an earlier run, the contenders take
// turns in alternating order, each run is compared with the baseline of its
// own round, and a run that moved the wrong bytes fails the series.
#include "series.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "page_cache.h"
#include "support/test_paths.h"

namespace kvel::bench {
namespace {

using testing::ScratchDir;

// Pages of `path` in the page cache; -1 when they cannot be counted.
long ResidentPages(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  const size_t size = static_cast<size_t>(in.tellg());
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr || size == 0) return -1;
  void* map = mmap(nullptr, size, PROT_READ, MAP_SHARED, fileno(file), 0);
  std::fclose(file);
  if (map == MAP_FAILED) return -1;
  const long page = sysconf(_SC_PAGESIZE);
  std::vector<unsigned char> resident((size + page - 1) / page);
  long count = -1;
  if (mincore(map, size, resident.data()) == 0) {
    count = 0;
    for (unsigned char r : resident) count += r & 1;
  }
  munmap(map, size);
  return count;
}

// File systems that keep files in memory only (tmpfs), or may not pass the
// drop through (overlays): there the cache cannot be checked.
bool CacheCheckable(const std::string& path) {
  struct statfs fs {};
  if (statfs(path.c_str(), &fs) != 0) return false;
  constexpr long kTmpfs = 0x01021994, kOverlay = 0x794c7630;
  return fs.f_type != kTmpfs && fs.f_type != kOverlay;
}

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(Median, MiddleValueOrMeanOfTheTwoMiddleOnes) {
  struct Case {
    std::vector<double> values;
    double median;
  };
  const Case cases[] = {
      {{}, 0}, {{3}, 3}, {{5, 1, 3}, 3}, {{4, 1, 3, 2}, 2.5}, {{1.5, 0.5}, 1}, {{7, 7, 1}, 7},
  };
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(Median(c.values), c.median);
}

TEST(PairedRatios, EachPairOfRoundsByItsGeometricMean) {
  struct Case {
    std::vector<double> ratios, paired;
  };
  const Case cases[] = {
      {{}, {}}, {{1.5}, {1.5}}, {{2, 0.5}, {1}}, {{4, 1, 0.25, 1}, {2, 0.5}}, {{2, 0.5, 3}, {1, 3}},
  };
  for (const Case& c : cases) {
    const std::vector<double> paired = PairedRatios(c.ratios);
    ASSERT_EQ(paired.size(), c.paired.size());
    for (size_t i = 0; i < paired.size(); ++i) EXPECT_DOUBLE_EQ(paired[i], c.paired[i]);
  }
}

TEST(PageCache, AWrittenFileIsSyncedAndDropped) {
  ScratchDir dir;
  const std::string path = dir.File("source.bin");
  ASSERT_TRUE(MakeSourceFile(path, 4 << 20, 1));
  EXPECT_EQ(Slurp(path).size(), size_t{4} << 20);  // read back: cached again
  if (!CacheCheckable(path)) GTEST_SKIP() << "the page cache cannot be checked here";
  EXPECT_GT(ResidentPages(path), 0);
  std::string why;
  ASSERT_TRUE(DropFromPageCache(path, &why)) << why;
  EXPECT_EQ(ResidentPages(path), 0);
}

TEST(PageCache, AMissingFileSaysWhy) {
  ScratchDir dir;
  std::string why;
  EXPECT_FALSE(DropFromPageCache(dir.File("none.bin"), &why));
  EXPECT_NE(why.find("none.bin"), std::string::npos) << why;
}

class Series : public ::testing::Test {
 protected:
  Series() {
    for (int i = 0; i < 2; ++i) {
      const std::string source = dir_.File("s" + std::to_string(i));
      EXPECT_TRUE(MakeSourceFile(source, kBytes, static_cast<uint64_t>(i)));
      pairs_.push_back({source, source + ".received"});
    }
  }

  // A contender that records its turn and what it found, then copies every
  // file (or writes `wrong` into the first target), reporting `bytes`.
  Contender Copier(int id, bool wrong = false) {
    return {[this, id, wrong](const std::vector<FilePair>& pairs, uint64_t bytes) {
      turns_.push_back(id);
      for (const FilePair& pair : pairs) {
        leftTargets_ += testing::FileExists(pair.target);
        if (CacheCheckable(pair.source)) cachedSources_ += ResidentPages(pair.source) > 0;
        std::string content = Slurp(pair.source);
        if (wrong && &pair == &pairs.front()) content[100] ^= 1;
        testing::WriteFile(pair.target, content);
      }
      Result result;
      result.name = "copier " + std::to_string(id);
      result.bytes = bytes * pairs.size();
      // Contender 0 is the baseline; the others, as if going first cost
      // them, twice as fast in the first round (of three turns), where they
      // run after it, and half as fast in the second, where they run before.
      const int round = static_cast<int>(turns_.size() - 1) / 3;
      result.seconds = id == 0 ? 0.001 : (round % 2 ? 0.002 : 0.0005);
      result.cpuSeconds = 0.0005;
      return result;
    }};
  }

  static constexpr uint64_t kBytes = 256 * 1024;
  ScratchDir dir_;
  std::vector<FilePair> pairs_;
  std::vector<int> turns_;
  int leftTargets_ = 0;
  int cachedSources_ = 0;
};

TEST_F(Series, RoundsAlternateTheOrderAndStartClean) {
  ::testing::internal::CaptureStdout();
  Contender ceiling = Copier(2);
  ceiling.alternates = false;
  EXPECT_TRUE(RunSeries("## test", pairs_, kBytes, {Copier(0), Copier(1), ceiling}, {4, 0}));
  const std::string out = ::testing::internal::GetCapturedStdout();
  // The ceiling first in every round; the two compared take turns.
  EXPECT_EQ(turns_, (std::vector<int>{2, 0, 1, 2, 1, 0, 2, 0, 1, 2, 1, 0}));
  EXPECT_EQ(leftTargets_, 0);    // each run removed the last one's targets
  EXPECT_EQ(cachedSources_, 0);  // and found its sources out of the cache
  // Each ratio is to the baseline of its own round; a pair of rounds, in
  // which each went first once, cancels what going first did.
  EXPECT_NE(out.find("| copier 0 | 524.3 | 1.00x | 0.95 | identical |"), std::string::npos) << out;
  EXPECT_NE(out.find("| copier 1 | 655.4 | 1.00x [2.00, 0.50 | 2.00, 0.50] | 0.95 | identical |"),
            std::string::npos)
      << out;
  for (const FilePair& pair : pairs_) EXPECT_FALSE(testing::FileExists(pair.target));
}

TEST_F(Series, ATargetThatDiffersFailsTheSeries) {
  ::testing::internal::CaptureStdout();
  EXPECT_FALSE(RunSeries("## test", pairs_, kBytes, {Copier(0), Copier(1, true)}, {1, 0}));
  const std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("| copier 1 |"), std::string::npos);
  EXPECT_NE(out.find("DIFFERENT"), std::string::npos) << out;
}

TEST_F(Series, ARunThatMovedTooFewBytesOrTookNoTimeFailsTheSeries) {
  struct Case {
    uint64_t bytes;
    double seconds;
  };
  for (const Case& c : {Case{kBytes, 1.0}, Case{2 * kBytes - 1, 1.0}, Case{2 * kBytes, 0.0}}) {
    Contender socketOnly{[c](const std::vector<FilePair>&, uint64_t) {
                           Result result;
                           result.name = "socket";
                           result.bytes = c.bytes;
                           result.seconds = c.seconds;
                           return result;
                         },
                         false};
    ::testing::internal::CaptureStdout();
    EXPECT_FALSE(RunSeries("## test", pairs_, kBytes, {Copier(0), socketOnly}, {1, 0}))
        << c.bytes << " in " << c.seconds;
    ::testing::internal::GetCapturedStdout();
  }
}

}  // namespace
}  // namespace kvel::bench
