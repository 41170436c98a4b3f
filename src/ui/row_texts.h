// What the transfer window shows of one transfer: the cell texts of its row
// and the length of its bar. Pure: a transfer in, texts out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "transfers/registry/transfer.h"

namespace kvel::ui {

// The window's columns, left to right.
enum class Column : int {
  Contact = 0,
  File = 1,
  Percent = 2,
  Bar = 3,
  Size = 4,
  Speed = 5,
  TimeLeft = 6,
};
inline constexpr int kColumnCount = 7;

// A file text longer than this keeps its end (the file's own name) behind
// "...".
inline constexpr size_t kMaxFileText = 275;

struct RowTexts {
  std::string contact;   // the contact as the contact list names it
  std::string file;      // the local path, "-" until one is chosen
  std::string percent;   // whole percent done
  std::string size;      // "%.2fKB"
  std::string speed;     // "%.2fKB/s"; while waiting, what it waits for; "odebrano" once it came
  std::string timeLeft;  // at the recent speed: "1 min 20 s", "–" while unknown

  // The text of `column`; null for the bar, which has none.
  const std::string* Of(Column column) const;
  bool operator==(const RowTexts&) const = default;
};

RowTexts TextsOf(const transfers::Transfer& transfer);

// Whole percent of `done` out of `size`, truncated; 0 for a size of 0 or
// less, and never outside 0 to 100.
int32_t PercentDone(int64_t done, int64_t size);
// The right edge of a progress bar drawn from `left` to at most `right` for
// `done` out of `size` (an empty bar for a size of 0).
int BarRight(int left, int right, int64_t done, int64_t size);
// "%.2fKB" of the size and "%.2fKB/s" of the speed.
std::string SizeText(int64_t size);
std::string SpeedText(float bytesPerSecond);
// What a Waiting transfer shows in place of its speed; null for a wait that
// is not listed.
const char* AwaitsText(transfers::Awaits awaits);
// The path as its cell shows it: "-" for none, a long one cut at its start.
std::string FileText(const std::string& path);

}  // namespace kvel::ui
