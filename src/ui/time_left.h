// How long a transfer still needs at its recent speed, as people read it at
// a glance: "1 h 02 min", "1 min 20 s", "3 s", or "–" while it cannot be
// told. Pure: byte counts and a speed in, a text out.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kvel::ui {

// Estimates past this (999 h 59 min) say nothing a person can use: they
// show as unknown.
inline constexpr int64_t kLongestTimeLeft = (999 * 60 + 59) * 60;

// Whole seconds, rounded up, to move what is left of `size` after `done` at
// `bytesPerSecond`; 0 once all is done. None while unknown: no size, no
// speed (not yet measured, or a stall), or longer than kLongestTimeLeft.
std::optional<int64_t> SecondsLeft(int64_t done, int64_t size, float bytesPerSecond);

// Under a minute in seconds ("3 s"), under an hour in minutes and seconds
// ("1 min 20 s"), else in hours and minutes rounded up ("1 h 02 min"); "–"
// for none.
std::string TimeLeftText(std::optional<int64_t> seconds);

}  // namespace kvel::ui
