// The table of images asked for: bounded in count and in bytes, expiring on
// a clock the test turns by hand (wrapping like the platform's tick), and
// telling which requests went without their image.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "images/requested_images.h"

namespace kvel::images {
namespace {

using wire::ImageId;

class RequestedImagesTest : public ::testing::Test {
 protected:
  static ImageId Image(uint32_t number, uint32_t size = 10) { return {7, size, number}; }
  // The checksums of the forgotten requests, in order.
  std::vector<uint32_t> forgotten_;
  uint32_t now_ = 0xFFFFFF00u;  // wraps during the tests
  RequestedImages requests_{[this] { return now_; },
                            [this](const ImageId& id) { forgotten_.push_back(id.checksum); },
                            RequestLimits{3, 1000, 100}};
};

TEST_F(RequestedImagesTest, AnsweredOnceAndOnlyWithinTheLifetime) {
  EXPECT_TRUE(requests_.Add(Image(1)));
  EXPECT_FALSE(requests_.Add(Image(1)));  // still awaited
  now_ += 999;
  EXPECT_TRUE(requests_.Contains(Image(1)));
  EXPECT_TRUE(requests_.Take(Image(1)));
  EXPECT_FALSE(requests_.Take(Image(1)));

  EXPECT_TRUE(requests_.Add(Image(2)));
  now_ += 1000;
  EXPECT_FALSE(requests_.Contains(Image(2)));
  EXPECT_TRUE(requests_.Add(Image(2)));  // expired: may be asked again
  // Only the one that expired went without its image.
  EXPECT_EQ(forgotten_, std::vector<uint32_t>{2});
}

TEST_F(RequestedImagesTest, RenewingRestartsTheLifetime) {
  requests_.Renew(Image(7));
  now_ += 600;
  requests_.Renew(Image(7));
  now_ += 600;
  EXPECT_TRUE(requests_.Contains(Image(7)));
  now_ += 400;
  EXPECT_FALSE(requests_.Contains(Image(7)));
  EXPECT_EQ(forgotten_, std::vector<uint32_t>{7});
}

// Each case adds requests of the given sizes, 10 ms apart, to an empty table
// of 3 requests and 100 bytes.
TEST(RequestedImagesLimits, TheOldestMakeRoomForCountAndBytes) {
  struct Case {
    const char* name;
    std::vector<uint32_t> sizes;
    std::vector<bool> added;
    std::vector<uint32_t> forgotten;  // by their order of adding
    uint64_t bytes;
  } cases[] = {
      {"within both", {10, 20, 30}, {true, true, true}, {}, 60},
      {"one too many", {10, 20, 30, 5}, {true, true, true, true}, {0}, 55},
      {"bytes: one makes room", {40, 40, 30}, {true, true, true}, {0}, 70},
      {"bytes: two make room", {40, 40, 90}, {true, true, true}, {0, 1}, 90},
      {"exactly the bytes", {50, 50}, {true, true}, {}, 100},
      {"larger than all bytes", {10, 101}, {true, false}, {}, 10},
      {"empty images", {0, 0, 0, 0}, {true, true, true, true}, {0}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    uint32_t now = 0;
    std::vector<uint32_t> forgotten;
    RequestedImages requests([&] { return now; },
                             [&](const ImageId& id) { forgotten.push_back(id.checksum); },
                             RequestLimits{3, 1000, 100});
    std::vector<bool> added;
    for (size_t i = 0; i < c.sizes.size(); ++i) {
      added.push_back(requests.Add({7, c.sizes[i], static_cast<uint32_t>(i)}));
      now += 10;
    }
    EXPECT_EQ(added, c.added);
    EXPECT_EQ(forgotten, c.forgotten);
    EXPECT_EQ(requests.Bytes(), c.bytes);
    EXPECT_LE(requests.Size(), 3u);
  }
}

TEST_F(RequestedImagesTest, ARenewedRequestIsNoLongerTheOldest) {
  for (uint32_t number : {10u, 11u, 12u}) {
    requests_.Add(Image(number));
    now_ += 10;
  }
  requests_.Renew(Image(10));
  requests_.Add(Image(13));
  EXPECT_EQ(forgotten_, std::vector<uint32_t>{11});
  for (uint32_t key = 100; key < 1100; ++key) requests_.Add(Image(key));
  EXPECT_EQ(requests_.Size(), 3u);
}

TEST_F(RequestedImagesTest, TakenRequestsAreNotForgottenButClearedOnesAre) {
  requests_.Add(Image(1, 30));
  requests_.Add(Image(2, 30));
  requests_.Add(Image(3, 30));
  EXPECT_TRUE(requests_.Take(Image(2)) == false);  // another size: another image
  EXPECT_TRUE(requests_.Take(Image(2, 30)));
  EXPECT_EQ(requests_.Bytes(), 60u);
  requests_.Clear();
  EXPECT_EQ(forgotten_, (std::vector<uint32_t>{1, 3}));
  EXPECT_EQ(requests_.Size(), 0u);
  EXPECT_EQ(requests_.Bytes(), 0u);
}

}  // namespace
}  // namespace kvel::images
