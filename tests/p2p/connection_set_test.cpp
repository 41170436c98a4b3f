// Who gets a place among the connections, with short limits: the reserve
// for this user's own sends, the places a call-back may take, and the
// pending connections one address or one claimed number can hold.
#include "p2p/admission/connection_set.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kvel::p2p {
namespace {

constexpr uint32_t kA = 0x0200007F;  // 127.0.0.2
constexpr uint32_t kB = 0x0300007F;  // 127.0.0.3

// Six places, two of them kept for the user's own, two pending per address
// and per number.
ConnectionLimits Short() {
  ConnectionLimits limits;
  limits.maxConnections = 6;
  limits.reservedForOwn = 2;
  limits.maxPendingPerAddress = 2;
  limits.maxPendingPerNumber = 2;
  return limits;
}

// One step of a script: who asks, and what they get.
struct Step {
  enum Kind { Own, Call, CallAwaited, CallBack } kind;
  uint32_t key;  // the address of a call, the number of a call-back
  Refusal expected;
};

std::string Name(const Step& step) {
  const char* kinds[] = {"own", "call", "call (call-back awaited)", "call-back"};
  return std::string(kinds[step.kind]) + " " + std::to_string(step.key);
}

ConnectionSet::Place Enter(ConnectionSet& set, const Step& step, Refusal* refusal) {
  switch (step.kind) {
    case Step::Own:
      return set.EnterOwn(refusal);
    case Step::Call:
      return set.EnterCall(step.key, false, refusal);
    case Step::CallAwaited:
      return set.EnterCall(step.key, true, refusal);
    case Step::CallBack:
      break;
  }
  return set.EnterCallBack(step.key, refusal);
}

// (One address holding its pending connections while another calls:
// flood_test, through the listener.)
TEST(ConnectionSet, AdmitsByTheReserveAndThePendingLimits) {
  struct Case {
    const char* name;
    std::vector<Step> steps;  // every place taken stays until the case ends
  };
  const Refusal ok = Refusal::None;
  const Case cases[] = {
      {"peers take at most the places outside the reserve",
       {{Step::Call, 1, ok},
        {Step::Call, 2, ok},
        {Step::Call, 3, ok},
        {Step::Call, 4, ok},
        {Step::Call, 5, Refusal::Full},
        {Step::CallBack, 9, Refusal::Full},
        {Step::Own, 0, ok},
        {Step::Own, 0, ok},
        {Step::Own, 0, Refusal::Full}}},
      {"the user's own take any free place",
       {{Step::Own, 0, ok},
        {Step::Own, 0, ok},
        {Step::Own, 0, ok},
        {Step::Own, 0, ok},
        {Step::Call, 1, ok},
        {Step::Call, 2, ok},
        {Step::Call, 3, Refusal::Full}}},
      {"with a call-back awaited, a call may take the reserve, still counted per address",
       {{Step::Call, 1, ok},
        {Step::Call, 2, ok},
        {Step::Call, 3, ok},
        {Step::Call, kA, ok},
        {Step::Call, 5, Refusal::Full},
        {Step::CallAwaited, kA, ok},
        {Step::CallAwaited, kA, Refusal::Address},
        {Step::CallAwaited, 7, ok},
        {Step::CallAwaited, 8, Refusal::Full}}},
      {"call-backs a peer asked for count per number",
       {{Step::CallBack, 42, ok},
        {Step::CallBack, 42, ok},
        {Step::CallBack, 42, Refusal::Number},
        {Step::CallBack, 43, ok}}},
      {"an unknown address is counted against nobody",
       {{Step::Call, 0, ok}, {Step::Call, 0, ok}, {Step::Call, 0, ok}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ConnectionSet set(Short());
    std::vector<ConnectionSet::Place> held;
    for (const Step& step : c.steps) {
      Refusal refusal = Refusal::Full;
      ConnectionSet::Place place = Enter(set, step, &refusal);
      EXPECT_EQ(refusal, step.expected) << Name(step);
      EXPECT_EQ(static_cast<bool>(place), step.expected == Refusal::None) << Name(step);
      if (place) held.push_back(std::move(place));
    }
    EXPECT_EQ(set.Count(), held.size());
    held.clear();
    EXPECT_EQ(set.Count(), 0u);
    EXPECT_EQ(set.PendingFrom(kA), 0u);
  }
}

TEST(ConnectionSet, ANumberCountsUntilItsPendingTimeEnds) {
  ConnectionSet set(Short());
  ConnectionSet::Place first = set.EnterCall(kA, false);
  ConnectionSet::Place second = set.EnterCall(kB, false);
  ConnectionSet::Place third = set.EnterCall(0, false);
  ASSERT_TRUE(first && second && third);
  EXPECT_TRUE(first.CountAgainstNumber(42));
  EXPECT_TRUE(second.CountAgainstNumber(42));
  EXPECT_FALSE(third.CountAgainstNumber(42));  // two pending of 42 from anywhere
  EXPECT_EQ(set.PendingOf(42), 2u);
  // This side answered the first offer: it waits on the peer no longer.
  first.EndPending();
  EXPECT_EQ(set.PendingOf(42), 1u);
  EXPECT_EQ(set.PendingFrom(kA), 0u);
  EXPECT_TRUE(third.CountAgainstNumber(42));
  EXPECT_EQ(set.Count(), 3u);  // settled, it still holds its place
  // A place given back takes its counts along.
  second.Leave();
  EXPECT_EQ(set.PendingOf(42), 1u);
  EXPECT_EQ(set.PendingFrom(kB), 0u);
  EXPECT_EQ(set.Count(), 2u);
}

TEST(ConnectionSet, ACallThatAnswersACallBackBecomesTheUsersOwn) {
  ConnectionSet set(Short());
  std::vector<ConnectionSet::Place> peers;
  for (uint32_t address = 1; address <= 4; ++address)
    peers.push_back(set.EnterCall(address, false));
  ConnectionSet::Place answer = set.EnterCall(kA, true);
  ASSERT_TRUE(answer);
  EXPECT_TRUE(answer.ForCallBack());
  answer.BecomeOwn();
  EXPECT_FALSE(answer.ForCallBack());
  EXPECT_EQ(set.PendingFrom(kA), 0u);
  // A peer's place that becomes the user's own frees one for peers.
  EXPECT_FALSE(set.EnterCall(kB, false));
  peers[0].BecomeOwn();
  EXPECT_TRUE(set.EnterCall(kB, false));
}

TEST(ConnectionSet, AStoppedSetAdmitsNobody) {
  ConnectionSet set(Short());
  set.Stop();
  Refusal refusal = Refusal::None;
  EXPECT_FALSE(set.EnterOwn(&refusal));
  EXPECT_EQ(refusal, Refusal::Full);
  EXPECT_FALSE(set.EnterCall(kA, true));
  EXPECT_FALSE(set.EnterCallBack(1));
}

}  // namespace
}  // namespace kvel::p2p
