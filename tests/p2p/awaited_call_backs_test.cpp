// The awaited call-backs on a clock the test moves: which wait a call-back
// takes, when a wait runs out, what is pushed out, and what stopping ends.
#include "p2p/admission/awaited_call_backs.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace kvel::p2p {
namespace {

using transfers::TransferHandle;
using transfers::TransferOutcome;
using Why = AwaitedCallBacks::Unanswered::Why;

class AwaitedCallBacksTest : public ::testing::Test {
 protected:
  // No thread is started: the test ends what is due with EndDue, on its own
  // thread, where `ended_` is told.
  AwaitedCallBacksTest() {
    ended_ = [this](AwaitedCallBacks::Unanswered unanswered) {
      told_.push_back(std::to_string(unanswered.uin) + " " + Name(unanswered.why) + " " +
                      unanswered.reason);
      unanswered.transfer.End(unanswered.why == Why::Stopped ? TransferOutcome::Stopped
                                                             : TransferOutcome::Failed);
    };
  }
  static std::string Name(Why why) {
    return why == Why::TimedOut ? "timed-out" : why == Why::PushedOut ? "pushed-out" : "stopped";
  }
  TransferHandle Send(uint32_t uin) {
    TransferHandle transfer = registry_.Begin(uin, transfers::Send);
    transfer.Await(transfers::Awaits::Connection, "kontakt");
    return transfer;
  }
  uint32_t now_ = 5000;
  platform::Clock clock_ = [this] { return now_; };
  transfers::TransferRegistry registry_{clock_};
  std::vector<std::string> told_;
  AwaitedCallBacks::Ended ended_;
};

TEST_F(AwaitedCallBacksTest, ACallBackTakesTheOldestWaitOfItsContactWithinTheTime) {
  AwaitedCallBacks waits(4, 1000, clock_, ended_);
  TransferHandle first = Send(7);
  const transfers::TransferId firstId = first.Id();
  ASSERT_TRUE(waits.Await(7, std::move(first), "connect failed (111)"));
  now_ += 10;
  ASSERT_TRUE(waits.Await(7, Send(7), ""));
  ASSERT_TRUE(waits.Await(8, Send(8), ""));
  EXPECT_EQ(waits.CountOf(7) + waits.CountOf(8), 3u);

  TransferHandle taken;
  EXPECT_FALSE(waits.Take(9, &taken));
  EXPECT_TRUE(waits.Take(7, &taken));
  EXPECT_EQ(taken.Id(), firstId);
  EXPECT_EQ(taken.Read().awaits, transfers::Awaits::Connection);
  EXPECT_EQ(waits.CountOf(7) + waits.CountOf(8), 2u);

  // The rest run out at 1000 ms each: 7's second at 1010, 8's likewise.
  now_ += 999;
  EXPECT_TRUE(waits.Take(8, nullptr));
  now_ += 1;
  EXPECT_FALSE(waits.Take(7, nullptr));
  EXPECT_EQ(waits.CountOf(7) + waits.CountOf(8), 0u);
}

TEST_F(AwaitedCallBacksTest, WaitsEndAsTheyRunOutArePushedOutOrStopped) {
  struct Case {
    const char* name;
    size_t capacity;
    uint32_t advance;  // ms after the three waits were made
    bool stopFirst;    // the user stops the first send
    std::vector<std::string> told;
  };
  const Case cases[] = {
      {"none due yet", 3, 999, false, {}},
      {"all run out", 3, 1000, false, {"1 timed-out a", "2 timed-out b", "3 timed-out "}},
      {"the oldest pushed out", 2, 0, false, {"1 pushed-out a"}},
      {"one stopped by the user", 3, 10, true, {"1 stopped a"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    told_.clear();
    AwaitedCallBacks table(c.capacity, 1000, clock_, ended_);
    TransferHandle first = Send(1);
    const transfers::TransferId firstId = first.Id();
    table.Await(1, std::move(first), "a");
    table.Await(2, Send(2), "b");
    table.Await(3, Send(3), "");
    if (c.stopFirst) registry_.Stop(firstId);
    now_ += c.advance;
    table.EndDue();
    EXPECT_EQ(told_, c.told);
    table.Stop();
    now_ = 5000;
  }
}

TEST_F(AwaitedCallBacksTest, StoppingEndsEveryWaitAsStoppedAndTakesNoMore) {
  AwaitedCallBacks waits(4, 1000, clock_, ended_);
  ASSERT_TRUE(waits.Await(7, Send(7), ""));
  EXPECT_EQ(registry_.Count(), 1u);
  waits.Stop();
  EXPECT_TRUE(told_.empty());  // unloading tells nobody
  EXPECT_EQ(registry_.Count(), 0u);
  EXPECT_FALSE(waits.Await(8, Send(8), ""));
  EXPECT_EQ(registry_.Count(), 0u);  // ended as stopped, not left running
  EXPECT_FALSE(waits.Take(7, nullptr));
}

}  // namespace
}  // namespace kvel::p2p
