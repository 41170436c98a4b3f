// The user's answers about call-backs from other addresses than announced:
// once per contact and address within a run of waits, one question per
// contact at a time, every wait for one bounded.
#include "p2p/admission/foreign_call_backs.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "platform/threads/threads.h"
#include "support/bounded_wait.h"
#include "wait_until.h"

namespace kvel::p2p {
namespace {

using e2e::WaitUntil;

TEST(ForeignCallBacks, AnAnswerHoldsForItsContactAddressAndRunOnly) {
  std::vector<std::pair<uint32_t, uint32_t>> asked;
  ForeignCallBacks foreign(
      [&](uint32_t uin, uint32_t address) {
        asked.emplace_back(uin, address);
        return address == 2;  // yes for address 2 only
      },
      &platform::TickCount);
  struct Case {
    uint32_t uin, address;
    uint64_t run;
    bool allowed;
    size_t askedSoFar;
  };
  const Case cases[] = {
      {7, 2, 1, true, 1},   // asked
      {7, 2, 1, true, 1},   // the answer holds
      {7, 3, 1, false, 2},  // another address is asked
      {7, 3, 1, false, 2},  // a no holds too: a stranger cannot ask again and again
      {8, 2, 1, true, 3},   // another contact is asked
      {7, 2, 2, true, 4},   // a later run of waits is asked anew
  };
  for (const Case& c : cases) {
    EXPECT_EQ(foreign.Allowed(c.uin, c.address, c.run, 1000), c.allowed) << c.uin << c.address;
    EXPECT_EQ(asked.size(), c.askedSoFar);
  }
  foreign.Stop();
  EXPECT_FALSE(foreign.Allowed(7, 2, 2, 1000));
}

// While a question about a contact is open, its other callers wait: one
// from the same address takes the answer, one from another waits its turn
// or gives up at its bound.
TEST(ForeignCallBacks, CallersWaitForTheOpenQuestionWithinTheirBound) {
  std::atomic<bool> answer{false};
  std::atomic<int> questions{0};
  ForeignCallBacks foreign(
      [&](uint32_t, uint32_t) {
        ++questions;
        EXPECT_TRUE(WaitUntil([&] { return answer.load(); }, 5000)) << "the test's answer";
        return true;
      },
      &platform::TickCount);
  bool first = false, same = false, other = true;
  testing::BoundedThread asking("the first caller",
                                [&] { first = foreign.Allowed(7, 2, 1, 1000); });
  ASSERT_TRUE(WaitUntil([&] { return questions.load() == 1; }, 5000)) << "the first question";
  testing::BoundedThread sameAddress("a caller from the same address",
                                     [&] { same = foreign.Allowed(7, 2, 1, 10000); });
  other = foreign.Allowed(7, 3, 1, 50);  // runs out while the question is open
  answer = true;
  asking.Join();
  sameAddress.Join();
  EXPECT_TRUE(first);
  EXPECT_TRUE(same);
  EXPECT_FALSE(other);
  EXPECT_EQ(questions.load(), 1);
}

}  // namespace
}  // namespace kvel::p2p
