// Boxes for transfers that ended badly: notices that come together make one
// box that lists them; notices further apart make a box each; nothing is
// shown once stopped.
#include "support/bounded_wait.h"
#include "transfers/notice_batches.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/threads.h"

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
      {"two alike", {{"a", kError}, {"b", kError}}, {"a\nb", kError}},
      {"a refusal and a failure", {{"a", kTransfer}, {"b", kError}}, {"a\nb", kError}},
      {"thirteen", many, {listed + "\n(i jeszcze 3)", kError}},
      {"none", {}, {}},
  };
  for (const Case& c : cases) {
    const UserNotice box = GatherNotices(c.notices);
    EXPECT_EQ(box.text, c.box.text) << c.name;
    EXPECT_EQ(box.caption, c.box.caption) << c.name;
  }
}

// The boxes shown, and a spawn that runs each gathering on a thread the
// test joins.
class NoticeBatchesTest : public ::testing::Test {
 protected:
  ~NoticeBatchesTest() override {
    batches_.Stop();
    for (testing::BoundedThread& thread : threads_) thread.Join();
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

  static constexpr uint32_t kGatherMs = 300;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<UserNotice> shown_;
  std::vector<testing::BoundedThread> threads_;
  NoticeBatches batches_{kGatherMs,
                         [this](const UserNotice& notice) {
                           std::lock_guard<std::mutex> lock(mutex_);
                           shown_.push_back(notice);
                           changed_.notify_all();
                         },
                         [this](void (*routine)(void*), void* argument) {
                           threads_.emplace_back("a box's gathering", routine, argument);
                           return true;
                         }};
};

TEST_F(NoticeBatchesTest, NoticesThatComeTogetherMakeOneBox) {
  batches_.Tell({"pierwszy", kError});
  batches_.Tell({"drugi", kError});
  batches_.Tell({"", kError});  // nothing to tell
  batches_.Tell({"trzeci", kTransfer});
  ASSERT_TRUE(WaitShown(1));
  platform::SleepMilliseconds(kGatherMs);
  const std::vector<UserNotice> shown = Shown();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, "pierwszy\ndrugi\ntrzeci");
  EXPECT_EQ(shown[0].caption, kError);
}

TEST_F(NoticeBatchesTest, NoticesFurtherApartMakeABoxEach) {
  batches_.Tell({"pierwszy", kError});
  ASSERT_TRUE(WaitShown(1));
  batches_.Tell({"drugi", kTransfer});
  ASSERT_TRUE(WaitShown(2));
  const std::vector<UserNotice> shown = Shown();
  EXPECT_EQ(shown[0].text, "pierwszy");
  EXPECT_EQ(shown[1].text, "drugi");
  EXPECT_EQ(shown[1].caption, kTransfer);
}

TEST_F(NoticeBatchesTest, NothingIsShownOnceStopped) {
  batches_.Tell({"przed", kError});
  batches_.Stop();  // during the gathering: dropped
  batches_.Tell({"po", kError});
  for (testing::BoundedThread& thread : threads_) thread.Join();
  threads_.clear();
  EXPECT_TRUE(Shown().empty());
}

}  // namespace
}  // namespace kvel::transfers
