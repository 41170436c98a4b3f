// The sweeper's thread: it forgets an expired request with nothing else
// touching the table, and sweeps no more once stopped.
#include "images/part_sweeper.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <vector>

#include "images/requested_images.h"
#include "wait_until.h"

namespace kvel::images {
namespace {

TEST(PartSweeper, AnExpiredRequestIsForgottenWithoutAnotherCall) {
  std::atomic<uint32_t> now{0xFFFFFFF0u};  // wraps
  std::mutex mutex;
  std::vector<uint32_t> forgotten;
  RequestedImages requests([&] { return now.load(); },
                           [&](const wire::ImageId& id) {
                             std::lock_guard<std::mutex> lock(mutex);
                             forgotten.push_back(id.checksum);
                           },
                           RequestLimits{4, 1000, 100});
  ASSERT_TRUE(requests.Add({7, 10, 1}));
  ASSERT_TRUE(requests.Add({7, 10, 2}));
  PartSweeper sweeper([&] { requests.Sweep(); }, 1);
  ASSERT_TRUE(sweeper.Start());
  now += 999;
  ASSERT_TRUE(requests.Take({7, 10, 2}));  // came whole: not forgotten
  now += 1;
  EXPECT_TRUE(e2e::WaitUntil(
      [&] {
        std::lock_guard<std::mutex> lock(mutex);
        return !forgotten.empty();
      },
      5000, 1));
  sweeper.Stop();
  std::lock_guard<std::mutex> lock(mutex);
  EXPECT_EQ(forgotten, std::vector<uint32_t>{1});
}

TEST(PartSweeper, SweepsUntilStoppedAndNeverAfter) {
  std::atomic<int> sweeps{0};
  PartSweeper sweeper([&] { ++sweeps; }, 1);
  ASSERT_TRUE(sweeper.Start());
  EXPECT_TRUE(e2e::WaitUntil([&] { return sweeps.load() >= 3; }, 5000, 1));
  // Stop waits for the thread: no sweep comes after it, and none starts again.
  sweeper.Stop();
  const int after = sweeps.load();
  EXPECT_FALSE(sweeper.Start());
  EXPECT_EQ(sweeps.load(), after);
}

}  // namespace
}  // namespace kvel::images
