// A transfer's speed over its last seconds: the first second, a steady
// rate, a stall, the clock's wrap, and samples too close or too far apart.
#include "transfers/registry/speed_meter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace kvel::transfers {
namespace {

struct Sample {
  uint32_t at;    // ms after the start
  int64_t moved;  // bytes counted by then
  float speed;    // bytes per second the meter gives
};

// Feeds the samples from `start` on and checks each speed.
void Expect(uint32_t start, const std::vector<Sample>& samples) {
  SpeedMeter meter;
  for (const Sample& sample : samples) {
    EXPECT_FLOAT_EQ(meter.Sample(start + sample.at, sample.moved), sample.speed)
        << "at " << sample.at << " ms";
  }
}

TEST(SpeedMeter, TheAverageSinceTheFirstSecond) {
  const struct {
    const char* name;
    uint32_t start;
    std::vector<Sample> samples;
  } cases[] = {
      // A first burst shows no speed; 1,024,000 bytes in exactly 1000 ms:
      // 1000 KiB/s.
      {"nothing during the first second",
       5000,
       {{0, 0, 0}, {500, 800'000, 0}, {999, 1'000'000, 0}, {1000, 1'024'000, 1'024'000}}},
      {"across the clock's wrap", 0xFFFFFC18u, {{0, 0, 0}, {1000, 500, 500}, {2000, 2000, 1000}}},
      {"samples far apart: the average over the gap",
       0,
       {{0, 0, 0}, {10'000, 1'000'000, 100'000}, {30'000, 1'000'000, 0}}},
      {"a count that did not grow", 0, {{0, 5000, 0}, {1500, 5000, 0}, {3000, 4000, 0}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Expect(c.start, c.samples);
  }
}

TEST(SpeedMeter, AStallShowsAFallingSpeedDownToNothing) {
  // 100 KiB/s for four seconds, sampled four times a second, then nothing.
  std::vector<Sample> samples;
  for (uint32_t at = 0; at <= 4000; at += 250)
    samples.push_back({at, int64_t{at} * 1024 / 10, at < 1000 ? 0.0f : 102'400.0f});
  const int64_t total = 4000 * 1024 / 10;
  // The average over the last three seconds takes the pause in.
  samples.push_back({5000, total, 102'400.0f * 2 / 3});
  samples.push_back({6000, total, 102'400.0f / 3});
  samples.push_back({7000, total, 0});
  samples.push_back({9000, total, 0});
  Expect(1, samples);
}

TEST(SpeedMeter, SamplesCloseTogetherStillGiveTheRate) {
  // Every 10 ms for ten seconds at 1 MB/s: only every 200 ms is kept.
  SpeedMeter meter;
  float speed = 0;
  for (uint32_t at = 0; at <= 10'000; at += 10) speed = meter.Sample(at, int64_t{at} * 1000);
  EXPECT_FLOAT_EQ(speed, 1'000'000);
}

}  // namespace
}  // namespace kvel::transfers
