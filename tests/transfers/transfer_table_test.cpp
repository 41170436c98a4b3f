// The table behind the transfer window: entries, percent, speed over the
// measuring window, the bar, and many connection threads at once.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "transfers/transfer_table.h"

namespace kvel::transfers {
namespace {

constexpr int64_t kGiB = int64_t{1} << 30;

// A clock the test moves by hand.
struct ManualClock {
  std::shared_ptr<std::atomic<uint32_t>> now = std::make_shared<std::atomic<uint32_t>>(5000);
  TransferTable::Clock Bind() const {
    return [now = now] { return now->load(); };
  }
  void Advance(uint32_t ms) { *now += ms; }
};

TEST(TransferTable, NewEntryShowsNoFileAndNothingDone) {
  TransferTable table([] { return 0u; });
  EXPECT_TRUE(table.Add(7, 1234, Receive, "Ala"));
  std::optional<TaskInfo> entry = table.Find(7);
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->uin, 1234u);
  EXPECT_EQ(entry->contact, "Ala");
  EXPECT_STREQ(entry->fileName, "-");
  EXPECT_EQ(entry->direction, Receive);
  EXPECT_EQ(entry->totalBytes, 0);
  EXPECT_EQ(entry->doneBytes, 0);
  EXPECT_EQ(entry->percent, 0);
  EXPECT_EQ(entry->speed, 0.0f);
  EXPECT_EQ(SizeText(entry->totalBytes), "0.00KB");
  EXPECT_EQ(SpeedText(entry->speed), "0.00KB/s");
}

TEST(TransferTable, SecondAddForTheSameSocketReplacesTheEntry) {
  TransferTable table([] { return 0u; });
  table.Add(7, 1, Send, "Ala");
  table.SetFile(7, "c:\\a.txt", 100, 50);
  EXPECT_FALSE(table.Add(7, 2, Receive, "Bolek"));
  EXPECT_EQ(table.Size(), 1u);
  EXPECT_EQ(table.Find(7)->uin, 2u);
  EXPECT_EQ(table.Find(7)->contact, "Bolek");
  EXPECT_STREQ(table.Find(7)->fileName, "-");
}

TEST(TransferTable, OperationsOnAnUnlistedSocketChangeNothing) {
  TransferTable table([] { return 0u; });
  EXPECT_FALSE(table.SetFile(3, "x", 10, 0));
  EXPECT_FALSE(table.AddProgress(3, 10));
  EXPECT_FALSE(table.Remove(3));
  bool ran = false;
  EXPECT_FALSE(table.WithListedSocket(3, [&](platform::Socket) { ran = true; }));
  EXPECT_FALSE(ran);
  EXPECT_EQ(table.Size(), 0u);
}

TEST(Percent, IsTruncatedAndStaysWithinZeroToHundred) {
  struct Case {
    int64_t done, total;
    int32_t percent;
  };
  const Case cases[] = {
      {0, 0, 0},
      {5, 0, 0},
      {0, 1, 0},
      {1, 1, 100},
      {1, 3, 33},
      {2, 3, 66},
      {199, 200, 99},
      {kGiB, 2 * kGiB, 50},
      {2 * kGiB - 1, 2 * kGiB, 99},
      {5 * kGiB / 4, 5 * kGiB, 25},
      {5 * kGiB, 5 * kGiB, 100},
      {6 * kGiB, 5 * kGiB, 100},  // more than announced
      {-10, 100, 0},
      {10, -100, 0},
      {INT64_MAX - 1, INT64_MAX, 99},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PercentDone(c.done, c.total), c.percent) << c.done << "/" << c.total;
  }
}

TEST(Bar, LengthIsTheFractionOfTheInnerWidthTruncated) {
  struct Case {
    int64_t done, total;
    int right;
  };
  // A cell of 100 pixels at 200: inner width 96 from 202 to 298.
  const Case cases[] = {
      {0, 0, 202},
      {7, 0, 202},
      {0, 1, 202},
      {1, 1, 298},
      {1, 2, 250},
      {1, 3, 234},
      {kGiB, 2 * kGiB, 250},
      {2 * kGiB, 2 * kGiB, 298},
      {5 * kGiB / 2, 5 * kGiB, 250},
      {6 * kGiB, 5 * kGiB, 298},
      {-1, 5, 202},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BarRight(202, 298, c.done, c.total), c.right) << c.done << "/" << c.total;
  }
}

TEST(TransferTable, LargeFilesShowTheirTrueSizeAndPercent) {
  TransferTable table([] { return 0u; });
  for (int64_t total : {int64_t{0}, int64_t{1}, int64_t{1} << 31, 5 * kGiB}) {
    table.Add(4, 1, Receive, "");
    ASSERT_TRUE(table.SetFile(4, "c:\\big.iso", total, 0));
    table.AddProgress(4, total / 2);
    std::optional<TaskInfo> entry = table.Find(4);
    EXPECT_EQ(entry->totalBytes, total);
    EXPECT_EQ(entry->doneBytes, total / 2);
    EXPECT_EQ(entry->percent, total == 0 ? 0 : (total == 1 ? 0 : 50)) << total;
  }
  EXPECT_EQ(SizeText(int64_t{1} << 31), "2097152.00KB");
  EXPECT_EQ(SizeText(5 * kGiB), "5242880.00KB");
  EXPECT_EQ(SizeText(1), "0.00KB");
  EXPECT_EQ(SizeText(1536), "1.50KB");
}

TEST(Speed, StaysZeroDuringTheFirstSecondThenCountsTheWindow) {
  ManualClock clock;
  TransferTable table(clock.Bind());
  table.Add(5, 1, Send, "");
  table.SetFile(5, "c:\\f", 10'000'000, 0);
  // The first block starts the measuring window.
  EXPECT_FALSE(table.AddProgress(5, 24'000));
  for (int i = 0; i < 9; ++i) {
    clock.Advance(100);
    table.AddProgress(5, 100'000);
    EXPECT_EQ(table.Find(5)->speed, 0.0f) << i;
  }
  // 999 ms so far: still nothing measured.
  clock.Advance(99);
  table.AddProgress(5, 0);
  EXPECT_EQ(table.Find(5)->speed, 0.0f);
  // Exactly 1000 ms after the first block, 1,024,000 bytes counted.
  clock.Advance(1);
  EXPECT_TRUE(table.AddProgress(5, 100'000));
  EXPECT_EQ(table.Find(5)->speed, 1'024'000.0f);
  EXPECT_EQ(SpeedText(table.Find(5)->speed), "1000.00KB/s");
  // A new window starts there: the speed holds until another second passed.
  clock.Advance(500);
  table.AddProgress(5, 10);
  EXPECT_EQ(table.Find(5)->speed, 1'024'000.0f);
  clock.Advance(1500);
  EXPECT_TRUE(table.AddProgress(5, 3990));
  EXPECT_EQ(table.Find(5)->speed, 2000.0f);
}

TEST(Speed, FastTransfersDoNotOverflow) {
  ManualClock clock;
  TransferTable table(clock.Bind());
  table.Add(5, 1, Receive, "");
  table.SetFile(5, "c:\\f", 100 * kGiB, 0);
  table.AddProgress(5, 1);
  clock.Advance(1000);
  table.AddProgress(5, 3 * kGiB);  // 3 GiB in a second
  EXPECT_GT(table.Find(5)->speed, 3.0e9f);
}

TEST(Speed, MeasuresAcrossTheWrapOfTheTick) {
  ManualClock clock;
  *clock.now = 0xFFFFFF00u;
  TransferTable table(clock.Bind());
  table.Add(5, 1, Receive, "");
  table.AddProgress(5, 1000);
  clock.Advance(2000);  // wraps past zero
  EXPECT_TRUE(table.AddProgress(5, 1000));
  EXPECT_EQ(table.Find(5)->speed, 1000.0f);
}

TEST(Progress, RedrawIsAskedOnlyWhenThePercentOrSpeedChanges) {
  ManualClock clock;
  TransferTable table(clock.Bind());
  table.Add(5, 1, Receive, "");
  table.SetFile(5, "c:\\f", 1000, 0);
  std::vector<bool> redraws;
  for (int i = 0; i < 6; ++i) redraws.push_back(table.AddProgress(5, 4));
  // 4, 8 (0%), 12 (1%), 16 (1%), 20 (2%), 24 (2%)
  EXPECT_EQ(redraws, (std::vector<bool>{false, false, true, false, true, false}));
}

TEST(Progress, NegativeCountsMoveNothing) {
  TransferTable table([] { return 0u; });
  table.Add(5, 1, Send, "");
  table.SetFile(5, "c:\\f", 1000, 0);
  table.AddProgress(5, 500);
  table.AddProgress(5, -1);  // a failed write reports -1
  EXPECT_EQ(table.Find(5)->doneBytes, 500);
  EXPECT_EQ(table.Find(5)->percent, 50);
}

TEST(FileName, LongPathsKeepTheirEnd) {
  TaskInfo entry;
  CopyFileName(entry.fileName, "c:\\short.txt");
  EXPECT_STREQ(entry.fileName, "c:\\short.txt");
  std::string exact(TaskInfo::kFileNameSize - 1, 'a');
  CopyFileName(entry.fileName, exact.c_str());
  EXPECT_EQ(std::string(entry.fileName), exact);
  std::string longPath = "c:\\" + std::string(400, 'd') + "\\file.bin";
  CopyFileName(entry.fileName, longPath.c_str());
  std::string shown = entry.fileName;
  EXPECT_EQ(shown.size(), TaskInfo::kFileNameSize - 1);
  EXPECT_EQ(shown.substr(0, 3), "...");
  EXPECT_EQ(shown.substr(shown.size() - 9), "\\file.bin");
  CopyFileName(entry.fileName, nullptr);
  EXPECT_STREQ(entry.fileName, "");
}

// Connection threads add, report and remove while the window's thread reads;
// run under ThreadSanitizer natively.
TEST(TransferTable, ManyThreadsAtOnce) {
  TransferTable table([] {
    static std::atomic<uint32_t> tick{0};
    return tick += 7;
  });
  constexpr int kThreads = 8;
  constexpr int kRounds = 200;
  std::atomic<bool> done{false};
  std::thread reader([&] {
    while (!done) {
      for (platform::Socket s = 0; s < kThreads; ++s) {
        if (std::optional<TaskInfo> entry = table.Find(s)) {
          EXPECT_GE(entry->percent, 0);
          EXPECT_LE(entry->percent, 100);
        }
      }
      table.Size();
    }
  });
  std::vector<std::thread> writers;
  for (int t = 0; t < kThreads; ++t) {
    writers.emplace_back([&table, t] {
      for (int round = 0; round < kRounds; ++round) {
        table.Add(t, static_cast<uint32_t>(t), t % 2 ? Send : Receive, "");
        table.SetFile(t, "c:\\file", 4096 * 10, 0);
        for (int block = 0; block < 10; ++block) table.AddProgress(t, 4096);
        EXPECT_EQ(table.Find(t)->percent, 100);
        table.WithListedSocket(t, [](platform::Socket) {});
        EXPECT_TRUE(table.Remove(t));
      }
    });
  }
  for (std::thread& writer : writers) writer.join();
  done = true;
  reader.join();
  EXPECT_EQ(table.Size(), 0u);
}

}  // namespace
}  // namespace kvel::transfers
