// The time-left cell: how many seconds are left at the recent speed, and how
// a person reads them at a glance.
#include "ui/time_left.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>

namespace kvel::ui {
namespace {

constexpr int64_t kGiB = int64_t{1} << 30;
constexpr std::optional<int64_t> kUnknown = std::nullopt;
const char* const kDash = "\x96";  // "–" in the window's code page

TEST(SecondsLeft, AtTheRecentSpeedRoundedUpOrUnknown) {
  struct Case {
    const char* what;
    int64_t done, size;
    float speed;
    std::optional<int64_t> seconds;
  };
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const Case cases[] = {
      {"nothing measured yet", 0, 1000, 0, kUnknown},
      {"a stall", 500, 1000, 0, kUnknown},
      {"no size yet", 0, 0, 1000, kUnknown},
      {"a size below zero", 0, -5, 1000, kUnknown},
      {"a speed below zero", 0, 1000, -1, kUnknown},
      {"a speed that is not a number", 0, 1000, nan, kUnknown},
      {"an endless speed", 0, 1000, inf, kUnknown},
      {"even", 0, 1000, 100, 10},
      {"a part of a second counts whole", 0, 1001, 100, 11},
      {"one byte left", 999, 1000, 1e6f, 1},
      {"all moved, the end not yet agreed", 1000, 1000, 100, 0},
      {"more than announced", 1200, 1000, 100, 0},
      {"a count below zero counts as none", -50, 1000, 100, 10},
      {"from a resume offset: what is left", 3 * kGiB, 4 * kGiB, 1024.0f * 1024, 1024},
      {"5 GiB at 10 MB/s", 0, 5 * kGiB, 1e7f, 537},
      {"the longest told", 0, int64_t{3'599'940}, 1, 3'599'940},
      {"a second past it", 0, int64_t{3'599'941}, 1, kUnknown},
      {"5 GiB at a byte a second", 0, 5 * kGiB, 1, kUnknown},
      {"the largest file at the smallest speed", 0, INT64_MAX,
       std::numeric_limits<float>::denorm_min(), kUnknown},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SecondsLeft(c.done, c.size, c.speed), c.seconds) << c.what;
  }
}

TEST(TimeLeftText, SecondsThenMinutesThenHoursRoundedUp) {
  struct Case {
    std::optional<int64_t> seconds;
    const char* text;
  };
  const Case cases[] = {
      {kUnknown, kDash},
      {-1, kDash},
      {0, "0 s"},
      {3, "3 s"},
      {59, "59 s"},
      {60, "1 min 00 s"},
      {65, "1 min 05 s"},
      {80, "1 min 20 s"},
      {3599, "59 min 59 s"},
      {3600, "1 h 00 min"},
      {3601, "1 h 01 min"},  // never less than is left
      {3720, "1 h 02 min"},
      {3721, "1 h 03 min"},
      {86'399, "24 h 00 min"},
      {kLongestTimeLeft - 60, "999 h 58 min"},
      {kLongestTimeLeft, "999 h 59 min"},
      {kLongestTimeLeft + 1, kDash},
      {INT64_MAX, kDash},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TimeLeftText(c.seconds), c.text) << (c.seconds ? *c.seconds : -2);
  }
}

}  // namespace
}  // namespace kvel::ui
