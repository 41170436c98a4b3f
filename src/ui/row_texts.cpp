#include "ui/row_texts.h"

#include <algorithm>
#include <cstdio>

#include "common/texts.h"
#include "ui/time_left.h"

namespace kvel::ui {

namespace {

// Each column's text in the order of Column; none for the bar.
constexpr std::string RowTexts::*kCells[kColumnCount] = {
    &RowTexts::contact, &RowTexts::file,  &RowTexts::percent,  nullptr,
    &RowTexts::size,    &RowTexts::speed, &RowTexts::timeLeft,
};

// "%.2fKB" and the like: `bytes` in kilobytes.
std::string KilobytesText(const char* format, double bytes) {
  char text[64];
  std::snprintf(text, sizeof text, format, bytes * (1.0 / 1024));
  return text;
}

}  // namespace

const std::string* RowTexts::Of(Column column) const {
  const int at = static_cast<int>(column);
  if (at < 0 || at >= kColumnCount || kCells[at] == nullptr) return nullptr;
  return &(this->*kCells[at]);
}

RowTexts TextsOf(const transfers::Transfer& transfer) {
  RowTexts texts;
  texts.contact = transfer.contact;
  texts.file = FileText(transfer.path);
  texts.percent = std::to_string(PercentDone(transfer.Done(), transfer.size));
  texts.size = SizeText(transfer.size);
  // A transfer that waits has no speed yet: the cell says what it waits for
  // (its connection, or its turn among the sends or under the speed limit);
  // one still listed once over came whole. Neither has a time left.
  const char* state = nullptr;
  if (transfer.state == transfers::TransferState::Waiting) state = AwaitsText(transfer.awaits);
  if (transfer.awaitsShare) state = text::kAwaitsTurn;
  if (transfer.state == transfers::TransferState::Ended &&
      transfer.outcome == transfers::TransferOutcome::Done)
    state = text::kReceivedState;
  texts.speed = state != nullptr ? state : SpeedText(transfer.speed);
  texts.timeLeft = state != nullptr
                       ? text::kTimeLeftUnknown
                       : TimeLeftText(SecondsLeft(transfer.Done(), transfer.size, transfer.speed));
  return texts;
}

int32_t PercentDone(int64_t done, int64_t size) {
  if (size <= 0 || done <= 0) return 0;
  if (done >= size) return 100;
  if (done > INT64_MAX / 100)
    return static_cast<int32_t>(std::min<int64_t>(done / (size / 100), 99));
  return static_cast<int32_t>(done * 100 / size);
}

int BarRight(int left, int right, int64_t done, int64_t size) {
  float fraction = size > 0 ? static_cast<float>(done) / static_cast<float>(size) : 0.0f;
  fraction = std::clamp(fraction, 0.0f, 1.0f);
  return left + static_cast<int>(static_cast<float>(right - left) * fraction);
}

std::string SizeText(int64_t size) {
  return KilobytesText(text::kSizeFormat, static_cast<double>(size));
}

std::string SpeedText(float bytesPerSecond) {
  return KilobytesText(text::kSpeedFormat, static_cast<double>(bytesPerSecond));
}

const char* AwaitsText(transfers::Awaits awaits) {
  switch (awaits) {
    case transfers::Awaits::Connection:
      return text::kAwaitsConnection;
    case transfers::Awaits::Turn:
      return text::kAwaitsTurn;
    case transfers::Awaits::Handshake:
      break;
  }
  return nullptr;
}

std::string FileText(const std::string& path) {
  if (path.empty()) return text::kNoFile;
  if (path.size() <= kMaxFileText) return path;
  static constexpr char kCut[] = "...";
  const size_t keep = kMaxFileText - (sizeof kCut - 1);
  return kCut + path.substr(path.size() - keep);
}

}  // namespace kvel::ui
