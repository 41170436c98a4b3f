#include "transfers/registry/transfer_registry.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <utility>

#include "transfers/registry/speed_meter.h"

namespace kvel::transfers {

struct TransferRegistry::Record {
  Transfer facts;                        // under the lock, but for `moved`
  std::atomic<int64_t> moved{0};         // bumped by the handle without the lock
  SpeedMeter meter;                      // under the lock; sampled by snapshots
  std::shared_ptr<TransferWatch> watch;  // under the lock
};

// What the registry and its handles share: a handle keeps it alive, so a
// handle that outlives its registry still finds its record.
struct TransferRegistry::State {
  explicit State(platform::Clock clock) : clock(std::move(clock)) {}

  // An observer and the calls of it under way.
  struct Watcher {
    std::shared_ptr<TransfersObserver> observer;
    int calls = 0;
    bool removed = false;
  };

  Transfer Copy(const Record& record) const {
    Transfer transfer = record.facts;
    transfer.moved = record.moved.load(std::memory_order_relaxed);
    return transfer;
  }

  // A new id: never 0, never one that is still running.
  TransferId NextId() {
    do {
      ++lastId;
    } while (lastId == 0 || records.count(lastId) != 0);
    return lastId;
  }

  // Tells every observer through `news`, with no lock held.
  void Tell(void (TransfersObserver::*news)(const Transfer&), const Transfer& transfer) {
    std::vector<std::shared_ptr<Watcher>> told;
    {
      std::lock_guard<std::mutex> lock(mutex);
      for (const std::shared_ptr<Watcher>& watcher : watchers) {
        if (watcher->removed) continue;
        ++watcher->calls;
        told.push_back(watcher);
      }
    }
    for (const std::shared_ptr<Watcher>& watcher : told) (*watcher->observer.*news)(transfer);
    {
      std::lock_guard<std::mutex> lock(mutex);
      for (const std::shared_ptr<Watcher>& watcher : told) --watcher->calls;
    }
    callsDone.notify_all();
  }

  const platform::Clock clock;
  mutable std::mutex mutex;
  std::condition_variable callsDone;
  std::map<TransferId, std::shared_ptr<Record>> records;  // running, by id
  // Files received whole, still shown, with when they ended; oldest first.
  std::deque<std::pair<uint32_t, Transfer>> received;
  TransferId lastId = 0;
  bool stopping = false;  // StopAll ran: new transfers begin stopped
  std::vector<std::shared_ptr<Watcher>> watchers;
};

TransferRegistry::TransferRegistry(platform::Clock clock)
    : state_(std::make_shared<State>(std::move(clock))) {}

TransferRegistry::~TransferRegistry() = default;

TransferHandle TransferRegistry::Begin(uint32_t uin, TransferDirection direction) {
  auto record = std::make_shared<Record>();
  record->facts.uin = uin;
  record->facts.direction = direction;
  record->facts.startedAt = state_->clock();
  std::lock_guard<std::mutex> lock(state_->mutex);
  record->facts.id = state_->NextId();
  record->facts.stopped = state_->stopping;
  record->facts.unloading = state_->stopping;
  state_->records.emplace(record->facts.id, record);
  return TransferHandle(state_, std::move(record));
}

std::vector<Transfer> TransferRegistry::Snapshot() {
  const uint32_t now = state_->clock();
  std::vector<Transfer> listed;
  std::lock_guard<std::mutex> lock(state_->mutex);
  listed.reserve(state_->records.size());
  for (const auto& [id, record] : state_->records) {
    if (!record->facts.Listed()) continue;
    Transfer transfer = state_->Copy(*record);
    if (transfer.state == TransferState::Moving)
      transfer.speed = record->meter.Sample(now, transfer.moved);
    listed.push_back(std::move(transfer));
  }
  std::deque<std::pair<uint32_t, Transfer>>& received = state_->received;
  while (!received.empty() && now - received.front().first >= kReceivedRowMs) received.pop_front();
  if (received.empty()) return listed;
  for (const auto& [endedAt, transfer] : received) listed.push_back(transfer);
  std::sort(listed.begin(), listed.end(),
            [](const Transfer& a, const Transfer& b) { return a.id < b.id; });
  return listed;
}

size_t TransferRegistry::Count() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->records.size();
}

bool TransferRegistry::Stop(TransferId id) {
  std::shared_ptr<TransferWatch> watch;
  Transfer stopped;
  {
    // Under the lock: an attached socket is not closed before it is detached.
    std::lock_guard<std::mutex> lock(state_->mutex);
    auto found = state_->records.find(id);
    if (found == state_->records.end()) return false;
    Transfer& facts = found->second->facts;
    facts.stopped = true;
    if (facts.socket != platform::kInvalidSocket) platform::ShutdownBoth(facts.socket);
    watch = found->second->watch;
    stopped = state_->Copy(*found->second);
  }
  if (watch) watch->Stopped(stopped);
  state_->Tell(&TransfersObserver::TransferStopped, stopped);
  return true;
}

void TransferRegistry::StopAll() {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->stopping = true;
  for (const auto& [id, record] : state_->records) {
    if (!record->facts.stopped) record->facts.unloading = true;
    record->facts.stopped = true;
    if (record->facts.socket != platform::kInvalidSocket)
      platform::ShutdownBoth(record->facts.socket);
  }
}

void TransferRegistry::AddObserver(std::shared_ptr<TransfersObserver> observer) {
  auto watcher = std::make_shared<State::Watcher>();
  watcher->observer = std::move(observer);
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->watchers.push_back(std::move(watcher));
}

void TransferRegistry::RemoveObserver(const TransfersObserver* observer) {
  std::unique_lock<std::mutex> lock(state_->mutex);
  std::vector<std::shared_ptr<State::Watcher>>& watchers = state_->watchers;
  auto found = std::find_if(watchers.begin(), watchers.end(), [&](const auto& watcher) {
    return watcher->observer.get() == observer;
  });
  if (found == watchers.end()) return;
  std::shared_ptr<State::Watcher> watcher = *found;
  watchers.erase(found);
  // No call begins now; those under way only post, so this wait is short.
  watcher->removed = true;
  state_->callsDone.wait(lock, [&] { return watcher->calls == 0; });
}

TransferHandle::TransferHandle(std::shared_ptr<TransferRegistry::State> state,
                               std::shared_ptr<TransferRegistry::Record> record)
    : state_(std::move(state)), record_(std::move(record)) {}

TransferHandle::~TransferHandle() {
  End(TransferOutcome::Failed);
}

TransferHandle& TransferHandle::operator=(TransferHandle&& other) noexcept {
  if (this != &other) {
    End(TransferOutcome::Failed);
    state_ = std::move(other.state_);
    record_ = std::move(other.record_);
  }
  return *this;
}

TransferId TransferHandle::Id() const {
  // Set before the handle was made and never changed.
  return record_ ? record_->facts.id : 0;
}

template <class Edit>
void TransferHandle::Change(const Edit& edit) {
  if (!record_) return;
  std::lock_guard<std::mutex> lock(state_->mutex);
  edit(record_->facts);
}

void TransferHandle::AttachSocket(platform::Socket socket) {
  Change([&](Transfer& facts) {
    facts.socket = socket;
    if (facts.stopped) platform::ShutdownBoth(socket);
  });
}

void TransferHandle::DetachSocket() {
  Change([&](Transfer& facts) { facts.socket = platform::kInvalidSocket; });
}

void TransferHandle::ChangeWaiting(const std::function<void(Transfer&)>& change) {
  if (!record_) return;
  Transfer listed;
  bool wasListed = false;
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    Transfer& facts = record_->facts;
    if (facts.state != TransferState::Waiting) return;
    wasListed = facts.Listed();
    change(facts);
    listed = state_->Copy(*record_);
  }
  if (!wasListed) state_->Tell(&TransfersObserver::TransferListed, listed);
}

void TransferHandle::Await(Awaits awaits, std::string contact) {
  ChangeWaiting([&](Transfer& facts) {
    facts.contact = std::move(contact);
    facts.awaits = awaits;
  });
}

void TransferHandle::Agree(uint32_t uin, std::string contact, TransferDirection direction) {
  ChangeWaiting([&](Transfer& facts) {
    facts.uin = uin;
    facts.contact = std::move(contact);
    facts.direction = direction;
    facts.state = TransferState::Asking;
  });
}

void TransferHandle::SetWatch(std::shared_ptr<TransferWatch> watch) {
  if (!record_) return;
  std::lock_guard<std::mutex> lock(state_->mutex);
  record_->watch = std::move(watch);
}

void TransferHandle::NameFile(std::string path) {
  Change([&](Transfer& facts) { facts.path = std::move(path); });
}

void TransferHandle::StartMoving(int64_t size, int64_t offset) {
  Change([&](Transfer& facts) {
    if (facts.state != TransferState::Asking) return;
    facts.size = size;
    facts.offset = offset;
    facts.state = TransferState::Moving;
  });
}

void TransferHandle::Note(EndNote note, bool partKept) {
  Change([&](Transfer& facts) {
    facts.note = note;
    facts.partKept = partKept;
  });
}

void TransferHandle::CountFromStart() {
  Change([&](Transfer& facts) { facts.offset = 0; });
}

void TransferHandle::NoteNoRoom(RoomShortfall room) {
  Change([&](Transfer& facts) {
    facts.note = EndNote::NoRoom;
    facts.room = room;
  });
}

void TransferHandle::AwaitShare(bool waiting) {
  Change([&](Transfer& facts) { facts.awaitsShare = waiting; });
}

void TransferHandle::TakeWithoutAsking() {
  Change([&](Transfer& facts) { facts.takenWithoutAsking = true; });
}

void TransferHandle::Moved(int64_t bytes) {
  if (record_ && bytes > 0) record_->moved.fetch_add(bytes, std::memory_order_relaxed);
}

void TransferHandle::End(TransferOutcome outcome) {
  if (!record_) return;
  Transfer ended;
  bool wasListed = false;
  std::shared_ptr<TransferWatch> watch;
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    Transfer& facts = record_->facts;
    if (facts.state == TransferState::Ended) return;
    wasListed = facts.Listed();
    facts.state = TransferState::Ended;
    facts.outcome = outcome;
    state_->records.erase(facts.id);
    ended = state_->Copy(*record_);
    watch = std::move(record_->watch);
    if (wasListed && facts.direction == Receive && outcome == TransferOutcome::Done) {
      // Read for such a transfer only; the clock takes no lock.
      state_->received.emplace_back(state_->clock(), ended);
      if (state_->received.size() > kMaxReceivedRows) state_->received.pop_front();
    }
  }
  if (wasListed) state_->Tell(&TransfersObserver::TransferEnded, ended);
  if (watch) watch->Ended(ended);
}

Transfer TransferHandle::Read() const {
  if (!record_) return {};
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->Copy(*record_);
}

}  // namespace kvel::transfers
