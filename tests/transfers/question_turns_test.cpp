// One question box per peer at a time: a peer's next question waits its
// turn; other peers' do not; a wait ends when called off or out of time.
#include "transfers/question_turns.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/threads.h"

namespace kvel::transfers {
namespace {

TEST(QuestionTurns, APeersNextQuestionWaitsForTheOpenOne) {
  QuestionTurns turns(10000);
  QuestionTurns::Turn first = turns.Take(7, nullptr);
  ASSERT_TRUE(first);
  // Another peer's question does not wait.
  EXPECT_TRUE(turns.Take(8, nullptr));
  std::atomic<bool> taken{false};
  std::thread second([&] {
    QuestionTurns::Turn turn = turns.Take(7, nullptr);
    taken = static_cast<bool>(turn);
  });
  platform::SleepMilliseconds(3 * kTurnLookMs);
  EXPECT_FALSE(taken);
  first = QuestionTurns::Turn();  // the first question is answered
  second.join();
  EXPECT_TRUE(taken);
  EXPECT_FALSE(turns.Open(7));  // the second's turn went with it
}

TEST(QuestionTurns, AWaitEndsWhenCalledOffOrOutOfTime) {
  struct Case {
    const char* name;
    uint32_t maxWaitMs;
    bool calledOff;
  };
  for (const Case& c :
       {Case{"out of time", 2 * kTurnLookMs, false}, Case{"called off", 60000, true}}) {
    QuestionTurns turns(c.maxWaitMs);
    QuestionTurns::Turn open = turns.Take(7, nullptr);
    ASSERT_TRUE(open) << c.name;
    std::atomic<int> asked{0};
    QuestionTurns::Turn late = turns.Take(7, [&] {
      ++asked;
      return c.calledOff;
    });
    EXPECT_FALSE(late) << c.name;
    EXPECT_GE(asked.load(), 1) << c.name;
    EXPECT_TRUE(turns.Open(7)) << c.name;  // the open question keeps its turn
  }
}

}  // namespace
}  // namespace kvel::transfers
