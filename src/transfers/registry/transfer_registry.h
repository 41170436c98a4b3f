// The transfers registry: one record per file transfer, from the moment it
// begins (the user's click for a send, the accepted connection for a
// receive) until it ends, keyed by an id of its own. The thread that runs a
// transfer changes its record through a TransferHandle; observers (the
// transfer window) are told when a transfer is listed or ends and read
// snapshots on their own clock. Nothing here asks anyone else anything.
//
// Thread safety: one lock guards the records; a record's byte count is an
// atomic that its handle bumps without the lock. Observers are called with
// no lock held.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/sockets.h"
#include "transfers/registry/transfer.h"

namespace kvel::transfers {

// Told of the transfers that come into the list and leave it. Both are
// called on the thread that changed the registry, with no lock held, and
// must return at once: post, never wait on another thread.
class TransfersObserver {
 public:
  virtual ~TransfersObserver() = default;
  // The transfer is listed from now on: its handshake agreed, or it waits
  // for something the user should see. Told once per transfer.
  virtual void TransferListed(const Transfer& transfer) = 0;
  // A listed transfer ended; `transfer` holds its outcome.
  virtual void TransferEnded(const Transfer& transfer) = 0;
  // A running transfer was stopped (Stop, not StopAll), so that what waits
  // for it looks again at once.
  virtual void TransferStopped(const Transfer&) {}
};

// Told of one transfer's stop and end, for what holds or counts it besides
// the thread that runs it (a send waiting its turn has no thread). Called on
// the thread that stopped or ended it, with no lock held; must not wait on
// another thread.
class TransferWatch {
 public:
  virtual ~TransferWatch() = default;
  // The user stopped it (Stop; StopAll tells nobody).
  virtual void Stopped(const Transfer& transfer) = 0;
  // It ended; `transfer` holds its outcome.
  virtual void Ended(const Transfer& transfer) = 0;
};

class TransferHandle;

// How long a received file stays listed once it came whole (asked or taken
// without asking), so that the user sees it arrive and can open it;
// at most this many at once (the oldest goes first).
inline constexpr uint32_t kReceivedRowMs = 10000;
inline constexpr size_t kMaxReceivedRows = 32;

class TransferRegistry {
 public:
  // Speeds are measured on `clock`.
  explicit TransferRegistry(platform::Clock clock);
  ~TransferRegistry();
  TransferRegistry(const TransferRegistry&) = delete;
  TransferRegistry& operator=(const TransferRegistry&) = delete;

  // Begins a transfer, Waiting, with the contact and direction as far as
  // the starter knows them (the handshake settles both). After StopAll it
  // begins stopped.
  TransferHandle Begin(uint32_t uin, TransferDirection direction);

  // The listed transfers (see Transfer::Listed) in the order they began, each
  // with its speed over the last few seconds as of this call; among them,
  // for kReceivedRowMs after its end, each received transfer that ended
  // Done (Ended, its speed 0).
  std::vector<Transfer> Snapshot();
  // Transfers begun and not yet ended, listed or not.
  size_t Count() const;

  // Stops a transfer as the stop button does: marks it stopped and shuts its
  // socket, if it has one, down in both directions, so that its thread's
  // next read or write fails; the thread still closes the socket. Its watch
  // and the observers are told. False when no transfer with this id runs.
  bool Stop(TransferId id);
  // Stops every transfer as Stop does, and every one begun after, as the
  // plug-in is unloaded: those the user had not stopped are marked so.
  void StopAll();

  void AddObserver(std::shared_ptr<TransfersObserver> observer);
  // Once this returns `observer` is not called again: it waits for the
  // calls under way, which never wait themselves. Not from an observer call.
  void RemoveObserver(const TransfersObserver* observer);

 private:
  struct Record;
  struct State;
  friend class TransferHandle;

  std::shared_ptr<State> state_;
};

// A transfer as the thread that runs it holds it: the one way to change its
// record. Movable, not copyable. The record leaves the registry when the
// handle ends it, or when the handle goes (then as Failed). Calls on an
// empty handle do nothing.
class TransferHandle {
 public:
  TransferHandle() = default;
  ~TransferHandle();
  TransferHandle(TransferHandle&& other) noexcept = default;
  TransferHandle& operator=(TransferHandle&& other) noexcept;
  TransferHandle(const TransferHandle&) = delete;
  TransferHandle& operator=(const TransferHandle&) = delete;

  explicit operator bool() const { return record_ != nullptr; }
  TransferId Id() const;

  // The connection's socket, which Stop shuts down from now until it is
  // detached; a transfer stopped already has it shut down at once. Detach
  // before closing the socket.
  void AttachSocket(platform::Socket socket);
  void DetachSocket();
  // The transfer waits (for a connection to its contact, named `contact`, or
  // its turn among the sends to it): it is listed (Waiting) from now on, and
  // one listed already stays in its row. Only while Waiting.
  void Await(Awaits awaits, std::string contact);
  // `watch` is told of this transfer's stop and end from now on (one watch
  // per transfer: a later one takes its place).
  void SetWatch(std::shared_ptr<TransferWatch> watch);
  // The handshake agreed: the peer is `uin`, named `contact`, and this side
  // goes `direction`. The transfer is listed (Asking); one listed already
  // while it waited goes on in the same row.
  void Agree(uint32_t uin, std::string contact, TransferDirection direction);
  // The local file is known: chosen to send, or chosen to save into.
  void NameFile(std::string path);
  // The peer took the offer: `size` bytes announced, the data starting at
  // `offset` in the file. The data flows (Moving).
  void StartMoving(int64_t size, int64_t offset);
  // Notes what this side knows of how the transfer ends, and whether what
  // came is kept to be resumed.
  void Note(EndNote note, bool partKept = false);
  // The data that flows is the file from its start after all (a sender that
  // ignored the offset asked for): the offset is 0, and the bytes moved so
  // far count from there.
  void CountFromStart();
  // Notes that the file would not fit (EndNote::NoRoom), and by how much.
  void NoteNoRoom(RoomShortfall room);
  // The transfer waits its turn under the speed limit (true), or moves.
  void AwaitShare(bool waiting);
  // The file is received without asking.
  void TakeWithoutAsking();
  // Counts `bytes` more moved. No lock: an atomic add.
  void Moved(int64_t bytes);
  // Ends the transfer with `outcome`: it leaves the registry. Later calls
  // change nothing.
  void End(TransferOutcome outcome);

  // The record as it is now.
  Transfer Read() const;

 private:
  friend class TransferRegistry;
  TransferHandle(std::shared_ptr<TransferRegistry::State> state,
                 std::shared_ptr<TransferRegistry::Record> record);
  // Applies `edit` to the record under the lock; nothing on an empty handle.
  template <class Edit>
  void Change(const Edit& edit);
  // Applies `change` to a record still waiting (else changes nothing), and
  // tells the observers when it was not listed before.
  void ChangeWaiting(const std::function<void(Transfer&)>& change);

  std::shared_ptr<TransferRegistry::State> state_;
  std::shared_ptr<TransferRegistry::Record> record_;
};

}  // namespace kvel::transfers
