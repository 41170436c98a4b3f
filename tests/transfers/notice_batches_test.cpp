// Boxes for transfers that ended badly: notices that come together make one
// box that lists them; notices further apart make a box each; nothing is
// shown once stopped.
#include "transfers/telling/notice_batches.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "platform/threads/threads.h"
#include "wait_until.h"

namespace kvel::transfers {
namespace {

const std::string kError =
    "B\xB3\xB9"
    "d";
const std::string kTransfer =
    "Przesy\xB3"
    "anie pliku";

TEST(GatherNotices, ListsEachNoticeOnItsLineAndCountsWhatItLeavesOut) {
  struct Case {
    const char* name;
    std::vector<UserNotice> notices;
    UserNotice box;
  };
  std::vector<UserNotice> many;
  std::string listed;
  for (int i = 1; i <= 13; ++i) {
    many.push_back({"n" + std::to_string(i), kError});
    if (i <= 10) listed += (i > 1 ? "\n" : "") + many.back().text;
  }
  const Case cases[] = {
      {"one", {{"a", kTransfer}}, {"a", kTransfer}},
      {"a refusal and a failure", {{"a", kTransfer}, {"b", kError}}, {"a\nb", kError}},
      {"thirteen", many, {listed + "\n(i jeszcze 3)", kError}},
      {"none", {}, {}},
  };
  for (const Case& c : cases) {
    const UserNotice box = GatherNotices(c.notices);
    EXPECT_EQ(box.text, c.box.text) << c.name;
    EXPECT_EQ(box.caption, c.box.caption) << c.name;
  }
  EXPECT_EQ(GatherNotices({{"a", kError}}, 4).text,
            "a\nPozosta\xB3"
            "e powiadomienia (4) zapisano w dzienniku.");
}

// The boxes shown, each held open until released; every box's thread is
// waited for before the test ends.
class NoticeBatchesTest : public ::testing::Test {
 protected:
  ~NoticeBatchesTest() override {
    Release();
    EXPECT_TRUE(batches_.Stop(10000)) << "a box's thread did not end";
  }
  // Boxes stay open (their threads in Show) until released.
  void Hold() {
    std::lock_guard<std::mutex> lock(mutex_);
    held_ = true;
  }
  void Release() {
    std::lock_guard<std::mutex> lock(mutex_);
    held_ = false;
    changed_.notify_all();
  }
  std::vector<UserNotice> Shown() {
    std::lock_guard<std::mutex> lock(mutex_);
    return shown_;
  }
  bool WaitShown(size_t count) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(10),
                             [&] { return shown_.size() >= count; });
  }
  // The user closes every box; their threads end soon after.
  bool WaitClosed() {
    Release();
    return e2e::WaitUntil([&] { return batches_.OpenBoxes() == 0; }, 10000, 5);
  }

  static constexpr uint32_t kGatherMs = 300;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<UserNotice> shown_;
  std::vector<std::string> logged_;
  bool held_ = false;
  NoticeBatches batches_{kGatherMs,
                         [this](const UserNotice& notice) {
                           std::unique_lock<std::mutex> lock(mutex_);
                           shown_.push_back(notice);
                           changed_.notify_all();
                           changed_.wait_for(lock, std::chrono::seconds(10),
                                             [&] { return !held_; });
                         },
                         [this](const std::string& line) {
                           std::lock_guard<std::mutex> lock(mutex_);
                           logged_.push_back(line);
                         }};
};

TEST_F(NoticeBatchesTest, NoticesThatComeTogetherMakeOneBoxAndLaterOnesAnother) {
  batches_.Tell({"pierwszy", kError});
  batches_.Tell({"drugi", kError});
  batches_.Tell({"", kError});  // nothing to tell
  batches_.Tell({"trzeci", kTransfer});
  ASSERT_TRUE(WaitShown(1));
  // A notice after the box is shown makes a box of its own; the empty one
  // made none.
  batches_.Tell({"czwarty", kTransfer});
  ASSERT_TRUE(WaitShown(2));
  const std::vector<UserNotice> shown = Shown();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].text, "pierwszy\ndrugi\ntrzeci");
  EXPECT_EQ(shown[0].caption, kError);
  EXPECT_EQ(shown[1].text, "czwarty");
  EXPECT_EQ(shown[1].caption, kTransfer);
}

// A user away from the machine finds a few boxes, not one per failure:
// while kMaxOpenBoxes are open, notices go to the log, and the next box
// counts them.
TEST_F(NoticeBatchesTest, AtMostAFewBoxesAreOpenAndTheNextCountsWhatWasLogged) {
  Hold();
  for (size_t i = 1; i <= kMaxOpenBoxes; ++i) {
    batches_.Tell({"box " + std::to_string(i), kError});
    ASSERT_TRUE(WaitShown(i));
  }
  batches_.Tell({"logged 1", kError});
  batches_.Tell({"logged 2", kError});
  EXPECT_EQ(batches_.OpenBoxes(), kMaxOpenBoxes);
  ASSERT_TRUE(WaitClosed());
  batches_.Tell({"after", kError});
  ASSERT_TRUE(WaitShown(kMaxOpenBoxes + 1));
  EXPECT_EQ(Shown().back().text,
            "after\nPozosta\xB3"
            "e powiadomienia (2) zapisano w dzienniku.");
  std::lock_guard<std::mutex> lock(mutex_);
  EXPECT_EQ(logged_, (std::vector<std::string>{"notice not shown, too many boxes open: logged 1",
                                               "notice not shown, too many boxes open: logged 2"}));
}

TEST_F(NoticeBatchesTest, NothingIsShownOnceStopped) {
  batches_.Tell({"przed", kError});
  EXPECT_TRUE(batches_.Stop(10000));  // during the gathering: dropped, its thread woken
  batches_.Tell({"po", kError});
  EXPECT_EQ(batches_.OpenBoxes(), 0u);
  EXPECT_TRUE(Shown().empty());
}

}  // namespace
}  // namespace kvel::transfers
