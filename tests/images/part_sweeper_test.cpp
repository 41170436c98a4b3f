// The sweeper's thread: it forgets an expired request with nothing else
// touching the table, and sweeps no more once stopped.
#include "images/part_sweeper.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "images/requested_images.h"

namespace kvel::images {
namespace {

// Polls `done` for up to five seconds.
template <typename Done>
bool Within(Done done) {
  for (int i = 0; i < 5000 && !done(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return done();
}

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
  EXPECT_TRUE(Within([&] {
    std::lock_guard<std::mutex> lock(mutex);
    return !forgotten.empty();
  }));
  sweeper.Stop();
  std::lock_guard<std::mutex> lock(mutex);
  EXPECT_EQ(forgotten, std::vector<uint32_t>{1});
}

TEST(PartSweeper, SweepsUntilStoppedAndNeverAfter) {
  std::atomic<int> sweeps{0};
  PartSweeper sweeper([&] { ++sweeps; }, 1);
  ASSERT_TRUE(sweeper.Start());
  EXPECT_TRUE(Within([&] { return sweeps.load() >= 3; }));
  sweeper.Stop();
  const int after = sweeps.load();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(sweeps.load(), after);
  EXPECT_FALSE(sweeper.Start());
}

}  // namespace
}  // namespace kvel::images
