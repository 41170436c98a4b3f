// The table of running transfers behind the transfer window: one entry per
// transfer, keyed by its socket, with the file, the bytes done, the percent
// and the speed. Portable; the window reads it, connection threads change it.
//
// Thread safety: every operation takes the one lock of the table and returns
// copies; no lock is held when the caller goes on to touch the window.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/sockets.h"

namespace kvel::transfers {

enum TransferDirection : int32_t { Send = 0, Receive = 1 };

// One running transfer. Sizes are 64-bit so that files of 2 GiB and more show
// their true size, percent and bar.
struct TaskInfo {
  static constexpr size_t kFileNameSize = 276;

  uint32_t uin = 0;                   // the peer's GG number
  std::string contact;                // the peer as the contact list named it when listed
  char fileName[kFileNameSize] = {};  // local path, "-" until reported
  int64_t totalBytes = 0;
  TransferDirection direction = Send;
  int64_t doneBytes = 0;
  int32_t percent = 0;       // 0 to 100
  float speed = 0;           // bytes per second over the last measuring window
  int64_t windowBytes = 0;   // bytes counted in the current measuring window
  uint32_t windowStart = 0;  // tick at which the current window began
  bool stopped = false;      // the user stopped it (the stop button)

  // True once a file has been reported (the name is no longer "-").
  bool HasFile() const;
};

// Whole percent of `done` out of `total`, truncated; 0 for a total of 0 or
// less, and never outside 0 to 100.
int32_t PercentDone(int64_t done, int64_t total);
// The right edge of a progress bar drawn from `left` to at most `right` for
// `done` out of `total` (an empty bar for a total of 0).
int BarRight(int left, int right, int64_t done, int64_t total);
// Cell texts: "%.2fKB" of the size and "%.2fKB/s" of the speed.
std::string SizeText(int64_t totalBytes);
std::string SpeedText(float bytesPerSecond);
// Copies `path` into a fileName buffer; a path that does not fit keeps its
// end (the file's own name) behind "...".
void CopyFileName(char (&target)[TaskInfo::kFileNameSize], const char* path);

class TransferTable {
 public:
  // Milliseconds that wrap at 2^32, like GetTickCount.
  using Clock = std::function<uint32_t()>;

  explicit TransferTable(Clock clock);
  TransferTable(const TransferTable&) = delete;
  TransferTable& operator=(const TransferTable&) = delete;

  // Stores a new entry: file "-", nothing done, shown under `contact`. False
  // when an entry for the socket was already there; it is replaced.
  bool Add(platform::Socket socket, uint32_t uin, TransferDirection direction, std::string contact);
  // Sets file, size and bytes done; false when the socket has no entry.
  bool SetFile(platform::Socket socket, const char* fileName, int64_t totalBytes,
               int64_t doneBytes);
  // Counts `bytes` more (a negative count moved nothing). True when the row
  // must be redrawn: the speed was measured anew or the percent changed.
  bool AddProgress(platform::Socket socket, int64_t bytes);
  // Erases the entry; the entry as it was, nothing when there was none.
  std::optional<TaskInfo> Remove(platform::Socket socket);

  std::optional<TaskInfo> Find(platform::Socket socket) const;
  size_t Size() const;
  // Runs `action` on the socket under the table's lock, only while the
  // socket is listed: its transfer has not been removed, so its connection
  // thread has not closed it (and no other connection reuses its number).
  bool WithListedSocket(platform::Socket socket,
                        const std::function<void(platform::Socket)>& action);
  // As WithListedSocket, and the entry is marked as stopped by the user
  // before `stop` runs, so that its end is not taken for a failure.
  bool Stop(platform::Socket socket, const std::function<void(platform::Socket)>& stop);

 private:
  Clock clock_;
  mutable std::mutex mutex_;
  std::map<int32_t, TaskInfo> entries_;  // key: the socket handle
};

}  // namespace kvel::transfers
