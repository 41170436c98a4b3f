#include "transfers/pace/speed_limit.h"

#include <algorithm>
#include <utility>

namespace kvel::transfers {

SpeedLimit::Share::~Share() {
  Leave();
}

SpeedLimit::Share& SpeedLimit::Share::operator=(Share&& other) noexcept {
  if (this != &other) {
    Leave();
    limit_ = std::exchange(other.limit_, nullptr);
    id_ = other.id_;
    reservedUs_ = other.reservedUs_;
  }
  return *this;
}

void SpeedLimit::Share::Leave() {
  if (limit_ != nullptr) std::exchange(limit_, nullptr)->Leave(id_);
}

SpeedLimit::SpeedLimit(platform::Clock clock, uint32_t turnMs, size_t chunkBytes)
    : clock_(std::move(clock)), turnMs_(turnMs), chunkBytes_(chunkBytes) {
  lastTick_ = clock_();
}

void SpeedLimit::Configure(uint32_t kilobytesPerSecond) {
  bytesPerSecond_ = uint64_t{kilobytesPerSecond} * 1024;
}

size_t SpeedLimit::PieceBytes() const {
  const uint64_t bytesPerSecond = bytesPerSecond_;
  if (bytesPerSecond == 0) return SIZE_MAX;
  return static_cast<size_t>(
      std::clamp<uint64_t>(bytesPerSecond * kPieceMs / 1000, kMinPieceBytes, kMaxPieceBytes));
}

size_t SpeedLimit::MaxRunning() const {
  const uint64_t bytesPerSecond = bytesPerSecond_;
  if (bytesPerSecond == 0) return SIZE_MAX;
  // Taking turns, n shares get a piece each within n pieces' time.
  const uint64_t piece = std::max<uint64_t>(PieceBytes(), chunkBytes_);
  return static_cast<size_t>(std::max<uint64_t>(1, bytesPerSecond * turnMs_ / 1000 / piece));
}

SpeedLimit::Share SpeedLimit::Enter() {
  std::lock_guard<std::mutex> lock(mutex_);
  Share share;
  share.limit_ = this;
  share.id_ = ++lastId_;
  shares_.push_back(share.id_);
  return share;
}

bool SpeedLimit::Running(const Share& share) {
  std::lock_guard<std::mutex> lock(mutex_);
  return RunningLocked(share.id_);
}

uint32_t SpeedLimit::Reserve(Share& share, size_t bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  return ReserveLocked(share, bytes);
}

void SpeedLimit::Return(Share& share, size_t unused) {
  std::lock_guard<std::mutex> lock(mutex_);
  const uint64_t bytesPerSecond = bytesPerSecond_;
  if (bytesPerSecond == 0) return;
  // Pieces reserved after it keep their times; the next one comes sooner.
  const uint64_t back =
      std::min<uint64_t>(uint64_t{unused} * 1'000'000 / bytesPerSecond, share.reservedUs_);
  share.reservedUs_ -= back;
  nextUs_ -= std::min(back, nextUs_);
}

bool SpeedLimit::AwaitTurn(Share& share, const std::function<bool()>& calledOff) {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!RunningLocked(share.id_)) {
    if (EndedLocked(calledOff)) return false;
    changed_.wait(lock);
  }
  return !EndedLocked(calledOff);
}

bool SpeedLimit::Take(Share& share, size_t bytes, const std::function<bool()>& calledOff) {
  if (!AwaitTurn(share, calledOff)) return false;
  std::unique_lock<std::mutex> lock(mutex_);
  const platform::Deadline due(clock_, ReserveLocked(share, bytes));
  while (!due.Passed()) {
    if (EndedLocked(calledOff)) return false;
    changed_.wait_for(lock, due.Slice(kWaitSliceMs));
  }
  return !EndedLocked(calledOff);
}

void SpeedLimit::Wake() {
  // Under the lock: a wait between its look and its sleep cannot miss it.
  { std::lock_guard<std::mutex> lock(mutex_); }
  changed_.notify_all();
}

void SpeedLimit::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopped_ = true;
  }
  changed_.notify_all();
}

uint64_t SpeedLimit::NowLocked() {
  const uint32_t tick = clock_();
  elapsedMs_ += static_cast<uint32_t>(tick - lastTick_);
  lastTick_ = tick;
  return elapsedMs_ * 1000;
}

bool SpeedLimit::RunningLocked(uint64_t id) const {
  if (!On()) return true;
  const size_t running = std::min(MaxRunning(), shares_.size());
  return std::find(shares_.begin(), shares_.begin() + static_cast<ptrdiff_t>(running), id) !=
         shares_.begin() + static_cast<ptrdiff_t>(running);
}

uint32_t SpeedLimit::ReserveLocked(Share& share, size_t bytes) {
  const uint64_t bytesPerSecond = bytesPerSecond_;
  if (bytesPerSecond == 0) return 0;
  const uint64_t now = NowLocked();
  const uint64_t credit = uint64_t{kCreditMs} * 1000;
  // The limit's time not used up to a moment ago is lost: no burst after a pause.
  const uint64_t start = std::max(nextUs_, now > credit ? now - credit : 0);
  share.reservedUs_ = uint64_t{bytes} * 1'000'000 / bytesPerSecond;
  nextUs_ = start + share.reservedUs_;
  return start > now ? static_cast<uint32_t>((start - now + 999) / 1000) : 0;
}

bool SpeedLimit::EndedLocked(const std::function<bool()>& calledOff) const {
  return stopped_ || (calledOff && calledOff());
}

void SpeedLimit::Leave(uint64_t id) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    shares_.erase(std::remove(shares_.begin(), shares_.end(), id), shares_.end());
  }
  // The next share in line may run now.
  changed_.notify_all();
}

}  // namespace kvel::transfers
