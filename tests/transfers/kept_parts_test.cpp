// The list of kept parts: swept as the plug-in starts, found again after a
// restart, bounded, and each part taken by one transfer at a time.
#include "transfers/kept/kept_parts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "platform/files.h"
#include "support/fake_transfer_side.h"
#include "support/test_paths.h"
#include "transfers/kept/part_names.h"

namespace kvel::transfers {
namespace {

constexpr uint32_t kNow = 1733745600;
constexpr uint32_t kDay = 24 * 60 * 60;

class KeptPartsTest : public ::testing::Test {
 protected:
  std::string List() const { return scratch_.File("kept-parts"); }
  // Keeps a part of `bytes` bytes for the target `name`, kept `age` seconds
  // ago, as a cut transfer would; returns its record's path.
  std::string KeepPart(const std::string& name, uint32_t unique, int64_t bytes = 10,
                       int64_t age = kDay) {
    const PartNames names = *PartNamesFor(scratch_.File(name), unique);
    testing::WriteFile(names.part, std::string(static_cast<size_t>(bytes), 'p'));
    KeptRecord record{
        1001, name, 100, scratch_.File(name), bytes, 0, static_cast<uint32_t>(kNow - age)};
    record.written = platform::ReadFileInformation(names.part.c_str())->lastWriteTime;
    testing::WriteFile(names.record, EncodeKeptRecord(record));
    return names.record;
  }
  void WriteList(const std::vector<std::string>& lines) {
    std::string text = "kvel kept list 1\n";
    for (const std::string& line : lines) text += line + "\n";
    testing::WriteFile(List(), text);
  }
  std::vector<std::string> Listed() {
    std::string text;
    testing::ReadFile(List(), &text);
    std::vector<std::string> lines;
    for (size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
      lines.push_back(text.substr(at, end - at));
    return lines;
  }
  static bool Exists(const std::string& path) { return testing::FileExists(path); }

  testing::ScratchDir scratch_;
  testing::FakeTransferSide side_;
  KeptParts kept_{[] { return kNow; }};
};

TEST_F(KeptPartsTest, StartRemovesEveryPartThatNoLongerStays) {
  struct Case {
    const char* name;
    std::function<void(const std::string& record, const std::string& part)> change;
    bool stays;
  };
  const Case cases[] = {
      {"as kept", [](const auto&, const auto&) {}, true},
      {"grown", [](const auto&, const auto& part) { testing::WriteFile(part, "longer than ten"); },
       false},
      {"gone", [](const auto&, const auto& part) { platform::RemoveFile(part.c_str()); }, false},
      {"record gone", [](const auto& record, const auto&) { platform::RemoveFile(record.c_str()); },
       false},
      {"record damaged",
       [](const auto& record, const auto&) { testing::WriteFile(record, "kvel"); }, false},
      {"record replaced by a large file",
       [](const auto& record, const auto&) {
         testing::WriteFile(record, std::string(1 << 20, 'x'));
       },
       false},
  };
  std::vector<std::string> records;
  for (size_t i = 0; i < std::size(cases); ++i) {
    records.push_back(KeepPart("f" + std::to_string(i), static_cast<uint32_t>(i)));
    cases[i].change(records.back(), *PartOfRecord(records.back()));
  }
  // Older than a week, and ahead of the clock by more than a day.
  const std::string old = KeepPart("old", 100, 10, 7 * kDay + 1);
  const std::string ahead = KeepPart("ahead", 101, 10, -int64_t{kDay} - 1);
  const std::string week = KeepPart("week", 102, 10, 7 * kDay);
  records.insert(records.end(), {old, ahead, week});
  WriteList(records);

  kept_.Open(List(), side_);
  std::vector<std::string> staying;
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].name);
    EXPECT_EQ(Exists(*PartOfRecord(records[i])), cases[i].stays);
    EXPECT_EQ(Exists(records[i]), cases[i].stays);
    if (cases[i].stays) staying.push_back(records[i]);
  }
  for (const std::string& gone : {old, ahead}) {
    EXPECT_FALSE(Exists(gone) || Exists(*PartOfRecord(gone))) << gone;
  }
  staying.push_back(week);
  EXPECT_EQ(kept_.Free(), staying);
  EXPECT_TRUE(kept_.Listing());
  // The list says the same on disk.
  std::vector<std::string> expected = {"kvel kept list 1"};
  expected.insert(expected.end(), staying.begin(), staying.end());
  EXPECT_EQ(Listed(), expected);
}

TEST_F(KeptPartsTest, TheListOutlivesARestartAndIgnoresWhatIsNotOurs) {
  const std::string a = KeepPart("a.bin", 1), b = KeepPart("b.bin", 2);
  kept_.Open(List(), side_);
  kept_.Add(b, side_);
  kept_.Add(a, side_);
  // Lines that name no record are dropped, and their files left alone.
  const std::string notes = scratch_.File("notes.txt");
  testing::WriteFile(notes, "mine");
  std::vector<std::string> lines = Listed();
  lines.insert(lines.begin() + 1, {notes, "", std::string(300, 'x') + ".00000000.kvel-kept", b});
  WriteList(std::vector<std::string>(lines.begin() + 1, lines.end()));

  // A list that cannot be written says so, and stays as it was on disk.
  side_.refuseCreateIn = List() + ".new";
  EXPECT_FALSE(kept_.Add(KeepPart("c.bin", 3), side_));
  side_.refuseCreateIn.clear();

  KeptParts restarted([] { return kNow; });
  EXPECT_FALSE(restarted.Listing());
  restarted.Open(List(), side_);
  EXPECT_EQ(restarted.Free(), (std::vector<std::string>{b, a}));
  EXPECT_TRUE(Exists(notes));
  // A damaged list keeps nothing, and touches nothing.
  testing::WriteFile(List(), "kvel kept list 2\n" + a + "\n");
  KeptParts damaged([] { return kNow; });
  damaged.Open(List(), side_);
  EXPECT_TRUE(damaged.Free().empty());
  EXPECT_TRUE(Exists(a) && Exists(*PartOfRecord(a)));
}

TEST_F(KeptPartsTest, EachPartIsTakenByOneTransferAtATime) {
  const std::string a = KeepPart("a.bin", 1), b = KeepPart("b.bin", 2);
  kept_.Add(a, side_);
  kept_.Add(b, side_);
  EXPECT_TRUE(kept_.MarkInUse(a));
  EXPECT_FALSE(kept_.MarkInUse(a));
  EXPECT_FALSE(kept_.MarkInUse(scratch_.File("never.00000000.kvel-kept")));
  EXPECT_EQ(kept_.Free(), std::vector<std::string>{b});
  // Kept anew: free again, and the newest.
  kept_.Add(a, side_);
  EXPECT_EQ(kept_.Free(), (std::vector<std::string>{b, a}));
  EXPECT_TRUE(kept_.MarkInUse(b));
  kept_.Forget(b, side_);
  EXPECT_EQ(kept_.Free(), std::vector<std::string>{a});
  EXPECT_FALSE(kept_.MarkInUse(b));
}

TEST_F(KeptPartsTest, AtMostSixtyFourTheOldestNotInUseGoFirst) {
  std::vector<std::string> records;
  for (uint32_t i = 0; i <= kMaxKeptParts + 1; ++i) records.push_back(KeepPart("f", i));
  for (size_t i = 0; i < kMaxKeptParts; ++i) kept_.Add(records[i], side_);
  // The oldest is in use: the next oldest makes room, then the one after.
  ASSERT_TRUE(kept_.MarkInUse(records[0]));
  kept_.Add(records[kMaxKeptParts], side_);
  kept_.Add(records[kMaxKeptParts + 1], side_);
  for (size_t i : {size_t{1}, size_t{2}}) {
    EXPECT_FALSE(Exists(records[i]) || Exists(*PartOfRecord(records[i]))) << i;
  }
  EXPECT_TRUE(Exists(records[0]) && Exists(records[3]));
  const std::vector<std::string> free = kept_.Free();
  EXPECT_EQ(free.size(), kMaxKeptParts - 1);
  EXPECT_EQ(free.front(), records[3]);
  EXPECT_EQ(free.back(), records[kMaxKeptParts + 1]);
}

}  // namespace
}  // namespace kvel::transfers
