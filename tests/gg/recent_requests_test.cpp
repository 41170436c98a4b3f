// The table of requests awaiting an answer: bounded, expiring, on a clock the
// test turns by hand (wrapping like the platform's tick).
#include <gtest/gtest.h>

#include "gg/recent_requests.h"

namespace kvel::gg {
namespace {

class RecentRequestsTest : public ::testing::Test {
 protected:
  uint32_t now_ = 0xFFFFFF00u;  // wraps during the tests
  RecentRequests<uint32_t> requests_{3, 1000, [this] { return now_; }};
};

TEST_F(RecentRequestsTest, AnsweredOnceAndOnlyWithinTheLifetime) {
  EXPECT_TRUE(requests_.Add(1));
  EXPECT_FALSE(requests_.Add(1));  // still awaited
  now_ += 999;
  EXPECT_TRUE(requests_.Contains(1));
  EXPECT_TRUE(requests_.Take(1));
  EXPECT_FALSE(requests_.Take(1));

  EXPECT_TRUE(requests_.Add(2));
  now_ += 1000;
  EXPECT_FALSE(requests_.Contains(2));
  EXPECT_FALSE(requests_.Take(2));
  EXPECT_TRUE(requests_.Add(2));  // expired: may be asked again
}

TEST_F(RecentRequestsTest, RenewingRestartsTheLifetime) {
  requests_.Renew(7);
  now_ += 600;
  requests_.Renew(7);
  now_ += 600;
  EXPECT_TRUE(requests_.Contains(7));
  now_ += 400;
  EXPECT_FALSE(requests_.Contains(7));
}

TEST_F(RecentRequestsTest, TheOldestMakesRoomWhenFull) {
  for (uint32_t key : {10u, 11u, 12u}) {
    requests_.Add(key);
    now_ += 10;
  }
  requests_.Renew(10);  // now the newest
  requests_.Add(13);
  EXPECT_EQ(requests_.Size(), 3u);
  EXPECT_FALSE(requests_.Contains(11));
  for (uint32_t key : {10u, 12u, 13u}) EXPECT_TRUE(requests_.Contains(key)) << key;
  for (uint32_t key = 100; key < 1100; ++key) requests_.Add(key);
  EXPECT_EQ(requests_.Size(), 3u);
}

}  // namespace
}  // namespace kvel::gg
