#include "transfers/kept/kept_rules.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "transfers/kept/held_window.h"
#include "transfers/kept/resume_point.h"

namespace kvel::transfers {
namespace {

constexpr uint32_t kNow = 1733745600;
constexpr uint32_t kDay = 24 * 60 * 60;

TEST(KeptRules, ACutOrThisSidesFailureTheUserDidNotMakeKeepsAPartLargerThan128KiB) {
  constexpr int64_t kMore = kMinResumedPart + 1;
  const struct {
    ReceiveEnd end;
    bool stoppedByUser;
    int64_t bytes;
    bool kept;
  } cases[] = {
      {ReceiveEnd::Cut, false, kMore, true},
      {ReceiveEnd::Cut, false, INT64_MAX, true},
      {ReceiveEnd::Cut, false, kMinResumedPart, false},
      {ReceiveEnd::Cut, false, 0, false},
      {ReceiveEnd::Cut, true, kMore, false},
      {ReceiveEnd::OwnFailure, false, kMore, true},
      {ReceiveEnd::OwnFailure, true, kMore, false},
      {ReceiveEnd::Whole, false, kMore, false},
      {ReceiveEnd::PeerBroke, false, kMore, false},
      {ReceiveEnd::SenderChanged, false, kMore, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(KeepsPart(c.end, c.stoppedByUser, c.bytes), c.kept)
        << static_cast<int>(c.end) << " " << c.stoppedByUser << " " << c.bytes;
  }
}

KeptRecord Kept() {
  KeptRecord record;
  record.uin = 1001;
  record.name = "film.avi";
  record.size = 700000000;
  record.target = "C:\\Filmy\\film.avi";
  record.kept = 300000000;
  record.written = 133781508000000000ull;
  record.at = kNow - kDay;
  return record;
}

platform::FileInformation PartAsKept() {
  platform::FileInformation part;
  part.size = 300000000;
  part.lastWriteTime = 133781508000000000ull;
  return part;
}

OfferedFile SameOffer() {
  return {1001, "film.avi", 700000000, "C:\\Filmy\\film.avi"};
}

TEST(KeptRules, AnOfferResumesOnlyTheSameTransferFromAnUnchangedPart) {
  struct Case {
    const char* name;
    std::optional<KeptRecord> record;
    std::optional<platform::FileInformation> part;
    OfferedFile offer;
    uint32_t now;
    KeptUse use;
    bool stays;  // whatever the offer
  };
  auto with = [](auto change) {
    KeptRecord record = Kept();
    change(record);
    return record;
  };
  auto part = [](auto change) {
    platform::FileInformation information = PartAsKept();
    change(information);
    return information;
  };
  auto offer = [](auto change) {
    OfferedFile offered = SameOffer();
    change(offered);
    return offered;
  };
  const Case cases[] = {
      {"the same transfer", Kept(), PartAsKept(), SameOffer(), kNow, KeptUse::Resume, true},
      // One of the four differs, of the same file: no use to this offer.
      {"another contact", Kept(), PartAsKept(), offer([](auto& o) { o.uin = 1002; }), kNow,
       KeptUse::Remove, true},
      {"another name", Kept(), PartAsKept(), offer([](auto& o) { o.name = "film2.avi"; }), kNow,
       KeptUse::Remove, true},
      {"another size", Kept(), PartAsKept(), offer([](auto& o) { o.size = 700000001; }), kNow,
       KeptUse::Remove, true},
      {"another path", Kept(), PartAsKept(), offer([](auto& o) { o.target = "D:\\film.avi"; }),
       kNow, KeptUse::Remove, true},
      {"the path's letters in another case", Kept(), PartAsKept(),
       offer([](auto& o) { o.target = "C:\\filmy\\film.avi"; }), kNow, KeptUse::Remove, true},
      // Another file to another path: not this offer's business.
      {"another file elsewhere", Kept(), PartAsKept(),
       OfferedFile{1002, "inny.txt", 5, "C:\\inny.txt"}, kNow, KeptUse::Leave, true},
      {"the same contact, another file elsewhere", Kept(), PartAsKept(), offer([](auto& o) {
         o.name = "inny.txt";
         o.target = "C:\\inny.txt";
       }),
       kNow, KeptUse::Leave, true},
      // The part changed on disk, or went, or the record is damaged.
      {"a byte appended", Kept(), part([](auto& p) { p.size += 1; }), SameOffer(), kNow,
       KeptUse::Remove, false},
      {"cut shorter", Kept(), part([](auto& p) { p.size = 0; }), SameOffer(), kNow, KeptUse::Remove,
       false},
      {"written since", Kept(), part([](auto& p) { p.lastWriteTime += 1; }), SameOffer(), kNow,
       KeptUse::Remove, false},
      {"the part gone", Kept(), std::nullopt, SameOffer(), kNow, KeptUse::Remove, false},
      {"a damaged record", std::nullopt, PartAsKept(), SameOffer(), kNow, KeptUse::Remove, false},
      {"a damaged record of another file", std::nullopt, PartAsKept(),
       OfferedFile{1002, "inny.txt", 5, "C:\\inny.txt"}, kNow, KeptUse::Remove, false},
      // Only a part of more than 128 KiB is gone on from.
      {"128 KiB kept", with([](auto& r) { r.kept = kMinResumedPart; }),
       part([](auto& p) { p.size = kMinResumedPart; }), SameOffer(), kNow, KeptUse::Remove, true},
      {"a byte more", with([](auto& r) { r.kept = kMinResumedPart + 1; }),
       part([](auto& p) { p.size = kMinResumedPart + 1; }), SameOffer(), kNow, KeptUse::Resume,
       true},
      // Its age.
      {"kept a week ago to the second", with([](auto& r) { r.at = kNow - 7 * kDay; }), PartAsKept(),
       SameOffer(), kNow, KeptUse::Resume, true},
      {"older than a week", with([](auto& r) { r.at = kNow - 7 * kDay - 1; }), PartAsKept(),
       SameOffer(), kNow, KeptUse::Remove, false},
      {"a day ahead of the clock", with([](auto& r) { r.at = kNow + kDay; }), PartAsKept(),
       SameOffer(), kNow, KeptUse::Resume, true},
      {"more than a day ahead", with([](auto& r) { r.at = kNow + kDay + 1; }), PartAsKept(),
       SameOffer(), kNow, KeptUse::Remove, false},
      {"kept at the clock's start, now at its end", with([](auto& r) { r.at = 0; }), PartAsKept(),
       SameOffer(), UINT32_MAX, KeptUse::Remove, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(JudgeKeptPart(c.record, c.part, c.offer, c.now), c.use) << c.name;
    EXPECT_EQ(KeptPartStays(c.record, c.part, c.now), c.stays) << c.name;
  }
}

// A byte of a file that repeats nowhere near a window's length.
uint8_t Scattered(uint64_t at) {
  return static_cast<uint8_t>(((at ^ (at >> 7)) * 0x9E3779B97F4A7C15ull) >> 56);
}

TEST(ResumePoint, AWindowBackWhereTheKeptBytesDifferFromTheFirstWindow) {
  constexpr uint64_t kWindow = kResumeWindow;
  const auto zerosBut = [](uint64_t from, uint64_t to) {
    return [=](uint64_t at) { return at >= from && at < to ? Scattered(at) : uint8_t{0}; };
  };
  const struct Case {
    const char* name;
    int64_t kept;
    std::function<uint8_t(uint64_t)> file;
    std::optional<uint64_t> offset;
  } cases[] = {
      {"a part", 200000, Scattered, 200000 - kWindow},
      {"128 KiB", kMinResumedPart, Scattered, std::nullopt},
      {"128 KiB and a byte", kMinResumedPart + 1, Scattered, kWindow + 1},
      {"zeros", 1 << 20, zerosBut(0, 0), std::nullopt},
      {"repeating every 64 KiB", 3 * kWindow, [](uint64_t at) { return Scattered(at % kWindow); },
       kWindow - 1},
      {"data between zeros", 500000, zerosBut(100000, 200000), 500000 - kWindow - 4 * kResumeStep},
      {"data further back than the tries", 4 << 20, zerosBut(100000, 200000), std::nullopt},
      {"past 4 GiB", int64_t{5} << 30, Scattered, UINT32_MAX - kWindow},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto point = ChooseResumePoint(c.kept, [&](uint64_t at, std::span<uint8_t> into) {
      EXPECT_LE(at + into.size(), static_cast<uint64_t>(c.kept));
      for (size_t i = 0; i < into.size(); ++i) into[i] = c.file(at + i);
      return true;
    });
    ASSERT_EQ(point.has_value(), c.offset.has_value());
    if (!point) continue;
    EXPECT_EQ(point->offset, *c.offset);
    for (size_t i = 0; i < kWindow; ++i) {
      ASSERT_EQ(point->head[i], c.file(i));
      ASSERT_EQ(point->window[i], c.file(*c.offset + i));
    }
  }
  EXPECT_FALSE(ChooseResumePoint(200000, [](uint64_t, std::span<uint8_t>) { return false; }));
}

TEST(ResumePoint, TheHeldWindowTellsWhatTheSenderSends) {
  const std::vector<uint8_t> head = {1, 2, 3}, window = {5, 6, 7};
  EXPECT_EQ(JudgeHeldWindow(window, window, head), HeldWindow::Honoured);
  EXPECT_EQ(JudgeHeldWindow(head, window, head), HeldWindow::Ignored);
  for (const std::vector<uint8_t>& other : {std::vector<uint8_t>{5, 6, 8}, {1, 2, 4}})
    EXPECT_EQ(JudgeHeldWindow(other, window, head), HeldWindow::Changed);
}

}  // namespace
}  // namespace kvel::transfers
