// What a row of the transfer window says: percent, bar, size, speed, time
// left and file texts, for files of every size.
#include "ui/row_texts.h"

#include <gtest/gtest.h>

#include <string>

namespace kvel::ui {
namespace {

constexpr int64_t kGiB = int64_t{1} << 30;

// A send that waits shows what it waits for where its speed would be,
// byte for byte in Windows-1250; the other cells read as for any transfer.
TEST(RowTexts, AWaitingTransferSaysWhatItWaitsForInPlaceOfItsSpeed) {
  struct Case {
    transfers::TransferState state;
    transfers::Awaits awaits;
    std::string speed;
    bool awaitsShare = false;  // its turn under the speed limit
  };
  const Case cases[] = {
      {transfers::TransferState::Waiting, transfers::Awaits::Connection,
       "czeka na po\xB3\xB9"
       "czenie"},
      {transfers::TransferState::Waiting, transfers::Awaits::Turn, "czeka"},
      {transfers::TransferState::Asking, transfers::Awaits::Connection, "0.00KB/s"},
      {transfers::TransferState::Moving, transfers::Awaits::Turn, "0.00KB/s"},
      {transfers::TransferState::Moving, transfers::Awaits::Handshake, "0.00KB/s"},
      {transfers::TransferState::Asking, transfers::Awaits::Handshake, "czeka", true},
      {transfers::TransferState::Moving, transfers::Awaits::Handshake, "czeka", true},
  };
  for (const Case& c : cases) {
    transfers::Transfer transfer;
    transfer.contact = "Bolek";
    transfer.state = c.state;
    transfer.awaits = c.awaits;
    transfer.awaitsShare = c.awaitsShare;
    const RowTexts texts = TextsOf(transfer);
    EXPECT_EQ(texts.speed, c.speed);
    EXPECT_EQ(*texts.Of(Column::Speed), c.speed);
    EXPECT_EQ(texts.contact, "Bolek");
    EXPECT_EQ(texts.file, "-");
    EXPECT_EQ(texts.percent, "0");
    EXPECT_EQ(texts.size, "0.00KB");
    EXPECT_EQ(texts.Of(Column::Bar), nullptr);
    EXPECT_EQ(*texts.Of(Column::File), "-");
  }
  EXPECT_EQ(AwaitsText(transfers::Awaits::Handshake), nullptr);
}

TEST(RowTexts, PercentCountsFromWhereTheDataStarted) {
  transfers::Transfer transfer;
  transfer.size = 1000;
  transfer.offset = 400;
  transfer.moved = 100;
  EXPECT_EQ(TextsOf(transfer).percent, "50");
}

// What is left after the offset and the bytes moved, at the recent speed.
TEST(RowTexts, TimeLeftCountsWhatIsLeftOfTheFileAtTheRecentSpeed) {
  transfers::Transfer transfer;
  transfer.size = 100 << 20;
  transfer.offset = 40 << 20;
  transfer.moved = 20 << 20;
  transfer.speed = 512 * 1024;
  const RowTexts texts = TextsOf(transfer);
  EXPECT_EQ(texts.timeLeft, "1 min 20 s");
  EXPECT_EQ(*texts.Of(Column::TimeLeft), "1 min 20 s");
}

// The percent and the bar's right edge, both truncated, over the same
// fractions. A cell of 100 pixels at 200: inner width 96 from 202 to 298.
TEST(PercentAndBar, AreTheFractionDoneTruncatedWithinTheirBounds) {
  struct Case {
    int64_t done, size;
    int32_t percent;
    int right;
  };
  const Case cases[] = {
      {0, 0, 0, 202},
      {5, 0, 0, 202},
      {0, 1, 0, 202},
      {1, 1, 100, 298},
      {1, 2, 50, 250},
      {1, 3, 33, 234},
      {2, 3, 66, 266},
      {199, 200, 99, 297},
      {8192, 12'000, 68, 267},
      {kGiB, 2 * kGiB, 50, 250},
      {2 * kGiB - 1, 2 * kGiB, 99, 298},  // the bar's float rounds up
      {5 * kGiB / 4, 5 * kGiB, 25, 226},
      {5 * kGiB, 5 * kGiB, 100, 298},
      {6 * kGiB, 5 * kGiB, 100, 298},  // more than announced
      {-10, 100, 0, 202},
      {10, -100, 0, 202},
      {INT64_MAX - 1, INT64_MAX, 99, 298},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PercentDone(c.done, c.size), c.percent) << c.done << "/" << c.size;
    EXPECT_EQ(BarRight(202, 298, c.done, c.size), c.right) << c.done << "/" << c.size;
  }
}

TEST(SizeAndSpeed, TwoDecimalsOfKilobytes) {
  struct Case {
    int64_t size;
    const char* text;
  };
  const Case sizes[] = {
      {0, "0.00KB"},
      {1, "0.00KB"},
      {1536, "1.50KB"},
      {int64_t{1} << 31, "2097152.00KB"},
      {5 * kGiB, "5242880.00KB"},
  };
  for (const Case& c : sizes) EXPECT_EQ(SizeText(c.size), c.text) << c.size;
  EXPECT_EQ(SpeedText(0), "0.00KB/s");
  EXPECT_EQ(SpeedText(1'024'000), "1000.00KB/s");
  EXPECT_EQ(SpeedText(3.5e9f), "3417968.75KB/s");
}

TEST(FileText, LongPathsKeepTheirEnd) {
  EXPECT_EQ(FileText(""), "-");
  EXPECT_EQ(FileText("c:\\short.txt"), "c:\\short.txt");
  const std::string exact(kMaxFileText, 'a');
  EXPECT_EQ(FileText(exact), exact);
  const std::string longPath = "c:\\" + std::string(400, 'd') + "\\file.bin";
  const std::string shown = FileText(longPath);
  EXPECT_EQ(shown.size(), kMaxFileText);
  EXPECT_EQ(shown.substr(0, 3), "...");
  EXPECT_EQ(shown.substr(shown.size() - 9), "\\file.bin");
  EXPECT_EQ(FileText(exact + "b").size(), kMaxFileText);
}

}  // namespace
}  // namespace kvel::ui
