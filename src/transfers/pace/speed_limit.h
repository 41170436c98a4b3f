// The speed limit of one direction: the most bytes per second that all of
// kvel's transfers going that way move together, shared fairly among those
// that move at once.
//
// A transfer takes the limit piece by piece: it reserves a piece, waits
// until the piece's time comes, moves it, and gives back what it did not
// move. Pieces are handed out in the order they are asked for, one after
// another at the limit, so transfers that keep asking take turns, and over
// any span the bytes moved stay within the limit plus a piece or two and
// kCreditMs of a late wake. So that no transfer waits so long for its piece
// that its peer gives up (the peer's idle limit), at most MaxRunning
// transfers take pieces at once, each getting one chunk within `turnMs`;
// the others wait their turn, in the order they came.
//
// Thread safety: any thread. The waits block on a condition without
// spinning; Wake has them look at their `calledOff` at once, Stop ends them
// all.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <utility>

#include "platform/clock.h"

namespace kvel::transfers {

class SpeedLimit {
 public:
  // A piece takes at most this long at the limit, within the sizes below.
  static constexpr uint32_t kPieceMs = 50;
  static constexpr size_t kMinPieceBytes = 1024;
  static constexpr size_t kMaxPieceBytes = 64 * 1024;
  // Time the pieces lost to a late wake, up to this, is made up later.
  static constexpr uint32_t kCreditMs = 50;
  // A wait for a piece reads the clock again at least this often.
  static constexpr uint32_t kWaitSliceMs = 100;

  // One transfer's place under the limit, from Enter to its end. Movable.
  class Share {
   public:
    Share() = default;
    ~Share();
    Share(Share&& other) noexcept { *this = std::move(other); }
    Share& operator=(Share&& other) noexcept;
    Share(const Share&) = delete;
    Share& operator=(const Share&) = delete;
    explicit operator bool() const { return limit_ != nullptr; }

   private:
    friend class SpeedLimit;
    void Leave();
    SpeedLimit* limit_ = nullptr;
    uint64_t id_ = 0;
    uint64_t reservedUs_ = 0;  // the time of its last piece not given back, in µs
  };

  // Off until Configure; time is read from `clock`, and each running share
  // gets a chunk of `chunkBytes` within `turnMs`.
  SpeedLimit(platform::Clock clock, uint32_t turnMs, size_t chunkBytes);
  SpeedLimit(const SpeedLimit&) = delete;
  SpeedLimit& operator=(const SpeedLimit&) = delete;

  // Before any transfer: the limit in KB/s (1024 bytes); 0 for none.
  void Configure(uint32_t kilobytesPerSecond);
  bool On() const { return bytesPerSecond_.load(std::memory_order_relaxed) != 0; }
  // The most bytes one read or write takes at a time; SIZE_MAX without a limit.
  size_t PieceBytes() const;
  // How many shares take pieces at once; SIZE_MAX without a limit.
  size_t MaxRunning() const;

  // A share for one transfer, behind those already there.
  Share Enter();
  // Whether `share` is among the first MaxRunning, which take pieces.
  bool Running(const Share& share);
  // Reserves the next `bytes` of the limit for `share` and says how many
  // milliseconds from now they may go (0: now). Never blocks.
  uint32_t Reserve(Share& share, size_t bytes);
  // `unused` bytes of the share's last piece did not go: the limit gets
  // them back for the pieces reserved next.
  void Return(Share& share, size_t unused);

  // Waits until `share` runs. False when the wait was ended: Stop, or
  // `calledOff` (looked at now and at each Wake) said so.
  bool AwaitTurn(Share& share, const std::function<bool()>& calledOff);
  // Waits for the share's turn, reserves `bytes` and waits until they may
  // go; false when the wait was ended as AwaitTurn's is.
  bool Take(Share& share, size_t bytes, const std::function<bool()>& calledOff);
  // The waits look at their `calledOff` now (a transfer was stopped).
  void Wake();
  // As the plug-in unloads: every wait ends now, and none begins.
  void Stop();

 private:
  // The clock's now in µs since the limit was made, read under the lock.
  uint64_t NowLocked();
  bool RunningLocked(uint64_t id) const;
  uint32_t ReserveLocked(Share& share, size_t bytes);
  // Whether a wait is to end: Stop, or `calledOff` (asked under the lock:
  // it may take a lock of its own, which is never held while this one is
  // taken).
  bool EndedLocked(const std::function<bool()>& calledOff) const;
  void Leave(uint64_t id);

  const platform::Clock clock_;
  const uint32_t turnMs_;
  const size_t chunkBytes_;
  std::atomic<uint64_t> bytesPerSecond_{0};
  std::mutex mutex_;
  std::condition_variable changed_;
  uint32_t lastTick_ = 0;  // the clock when last read
  uint64_t elapsedMs_ = 0;
  uint64_t nextUs_ = 0;          // where the next piece's time begins
  std::deque<uint64_t> shares_;  // ids in the order they came; the first ones run
  uint64_t lastId_ = 0;
  bool stopped_ = false;
};

}  // namespace kvel::transfers
