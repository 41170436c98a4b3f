#include "transfers/transfer_table.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <utility>

#include "common/texts.h"

namespace kvel::transfers {
namespace {
int32_t Key(platform::Socket socket) {
  return static_cast<int32_t>(socket);
}
}  // namespace

bool TaskInfo::HasFile() const {
  return std::strcmp(fileName, text::kNoFile) != 0;
}

int32_t PercentDone(int64_t done, int64_t total) {
  if (total <= 0 || done <= 0) return 0;
  if (done >= total) return 100;
  if (done > INT64_MAX / 100)
    return static_cast<int32_t>(std::min<int64_t>(done / (total / 100), 99));
  return static_cast<int32_t>(done * 100 / total);
}

int BarRight(int left, int right, int64_t done, int64_t total) {
  float fraction = total > 0 ? static_cast<float>(done) / static_cast<float>(total) : 0.0f;
  fraction = std::clamp(fraction, 0.0f, 1.0f);
  return left + static_cast<int>(static_cast<float>(right - left) * fraction);
}

std::string SizeText(int64_t totalBytes) {
  char text[64];
  std::snprintf(text, sizeof text, text::kSizeFormat,
                static_cast<double>(totalBytes) * (1.0 / 1024));
  return text;
}

std::string SpeedText(float bytesPerSecond) {
  char text[64];
  std::snprintf(text, sizeof text, text::kSpeedFormat,
                static_cast<double>(bytesPerSecond) * (1.0 / 1024));
  return text;
}

void CopyFileName(char (&target)[TaskInfo::kFileNameSize], const char* path) {
  if (path == nullptr) path = "";
  size_t length = std::strlen(path);
  if (length < sizeof target) {
    std::memcpy(target, path, length + 1);
    return;
  }
  static constexpr char kCut[] = "...";
  const size_t keep = sizeof target - sizeof kCut;  // tail bytes after "..."
  std::memcpy(target, kCut, sizeof kCut - 1);
  std::memcpy(target + sizeof kCut - 1, path + length - keep, keep);
  target[sizeof target - 1] = '\0';
}

TransferTable::TransferTable(Clock clock) : clock_(std::move(clock)) {}

bool TransferTable::Add(platform::Socket socket, uint32_t uin, TransferDirection direction,
                        std::string contact) {
  TaskInfo entry;
  entry.uin = uin;
  entry.contact = std::move(contact);
  CopyFileName(entry.fileName, text::kNoFile);
  entry.direction = direction;
  std::lock_guard<std::mutex> lock(mutex_);
  return entries_.insert_or_assign(Key(socket), std::move(entry)).second;
}

bool TransferTable::SetFile(platform::Socket socket, const char* fileName, int64_t totalBytes,
                            int64_t doneBytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = entries_.find(Key(socket));
  if (found == entries_.end()) return false;
  TaskInfo& entry = found->second;
  CopyFileName(entry.fileName, fileName);
  entry.totalBytes = totalBytes;
  entry.doneBytes = doneBytes;
  entry.percent = PercentDone(doneBytes, totalBytes);
  return true;
}

bool TransferTable::AddProgress(platform::Socket socket, int64_t bytes) {
  if (bytes < 0) bytes = 0;
  const uint32_t now = clock_();
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = entries_.find(Key(socket));
  if (found == entries_.end()) return false;
  TaskInfo& entry = found->second;
  if (entry.doneBytes == 0) entry.windowStart = now;
  entry.doneBytes += bytes;
  entry.windowBytes += bytes;
  bool changed = false;
  const uint32_t elapsed = now - entry.windowStart;  // wraps like the tick
  if (elapsed >= 1000) {
    entry.speed = static_cast<float>(static_cast<double>(entry.windowBytes) * 1000.0 / elapsed);
    entry.windowStart = now;
    entry.windowBytes = 0;
    changed = true;
  }
  const int32_t percent = PercentDone(entry.doneBytes, entry.totalBytes);
  if (percent != entry.percent) {
    entry.percent = percent;
    changed = true;
  }
  return changed;
}

std::optional<TaskInfo> TransferTable::Remove(platform::Socket socket) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = entries_.find(Key(socket));
  if (found == entries_.end()) return std::nullopt;
  TaskInfo entry = found->second;
  entries_.erase(found);
  return entry;
}

std::optional<TaskInfo> TransferTable::Find(platform::Socket socket) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = entries_.find(Key(socket));
  if (found == entries_.end()) return std::nullopt;
  return found->second;
}

size_t TransferTable::Size() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return entries_.size();
}

bool TransferTable::WithListedSocket(platform::Socket socket,
                                     const std::function<void(platform::Socket)>& action) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (entries_.count(Key(socket)) == 0) return false;
  action(socket);
  return true;
}

bool TransferTable::Stop(platform::Socket socket,
                         const std::function<void(platform::Socket)>& stop) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = entries_.find(Key(socket));
  if (found == entries_.end()) return false;
  found->second.stopped = true;
  stop(socket);
  return true;
}

}  // namespace kvel::transfers
