// Each contact's files taken without the question in a short time, on a
// clock moved by hand.
#include "transfers/auto_accept/auto_accept_budget.h"

#include <gtest/gtest.h>

#include <string>

namespace kvel::transfers {
namespace {

TEST(AutoAcceptBudget, PastTheBurstWithinTheWindowFilesAreAsked) {
  // Each step: the clock moves by `advance`, then `uin` spends.
  const struct Step {
    uint32_t advance;
    uint32_t uin;
    bool spent;
  } steps[] = {
      {0, 1001, true},    {0, 1001, true}, {0, 1001, true},
      {0, 1001, false},    // a fourth at once is asked
      {0, 1002, true},     // another contact has its own budget
      {999, 1001, false},  // the window has not passed for the first
      {1, 1001, true},     // it has for all three at t=1000: one place more...
      {0, 1001, true},    {0, 1001, true}, {0, 1001, false},  // ...and the three
      {5000, 1001, true},  // long after, the budget is whole again
  };
  uint32_t now = 0xFFFFFF00u;  // across the clock's wrap
  AutoAcceptBudget budget([&now] { return now; }, 3, 1000);
  int index = 0;
  for (const Step& step : steps) {
    now += step.advance;
    EXPECT_EQ(budget.Spend(step.uin), step.spent) << "step " << index;
    ++index;
  }
}

}  // namespace
}  // namespace kvel::transfers
