#include "ui/time_left.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "common/texts.h"

namespace kvel::ui {

std::optional<int64_t> SecondsLeft(int64_t done, int64_t size, float bytesPerSecond) {
  // NaN fails this too.
  if (size <= 0 || !(bytesPerSecond > 0) || std::isinf(bytesPerSecond)) return std::nullopt;
  const int64_t left = done >= size ? 0 : size - std::max<int64_t>(done, 0);
  // In doubles: a few exabytes at a byte a second still compare, never overflow.
  const double seconds = std::ceil(static_cast<double>(left) / bytesPerSecond);
  if (seconds > static_cast<double>(kLongestTimeLeft)) return std::nullopt;
  return static_cast<int64_t>(seconds);
}

std::string TimeLeftText(std::optional<int64_t> seconds) {
  if (!seconds || *seconds < 0 || *seconds > kLongestTimeLeft) return text::kTimeLeftUnknown;
  char out[32];
  const int64_t s = *seconds;
  if (s < 60) {
    std::snprintf(out, sizeof out, text::kTimeLeftSeconds, static_cast<int>(s));
  } else if (s < 3600) {
    std::snprintf(out, sizeof out, text::kTimeLeftMinutes, static_cast<int>(s / 60),
                  static_cast<int>(s % 60));
  } else {
    // Rounded up, as the seconds were: the estimate never says less than it knows.
    const int64_t minutes = (s + 59) / 60;
    std::snprintf(out, sizeof out, text::kTimeLeftHours, static_cast<int>(minutes / 60),
                  static_cast<int>(minutes % 60));
  }
  return out;
}

}  // namespace kvel::ui
