// The call-backs this user asked contacts for: a contact that cannot be
// reached directly is asked by GG message to connect here and pull the file
// (code 3). Each wait holds the send that waits for it, listed in the window
// as waiting for a connection; the connection that answers carries that
// send on. A contact asked once per file is awaited as many times, and each
// of its call-backs takes the oldest of its waits. A wait that runs out, is pushed out by newer
// ones, or whose send the user stopped ends its send and is handed on to be told.
//
// Thread safety: every call may come from any thread. One thread of its own
// (Start to Stop) ends the waits as they run out, and those whose sends
// were stopped once Look says so.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/threads/worker.h"
#include "transfers/registry/transfer_registry.h"

namespace kvel::p2p {

class AwaitedCallBacks {
 public:
  // A wait that ended without its call-back.
  struct Unanswered {
    enum class Why { TimedOut, PushedOut, Stopped };
    Why why = Why::TimedOut;
    uint32_t uin = 0;
    // Still running: the one handed this ends it.
    transfers::TransferHandle transfer;
    // Why the contact was asked: the direct connection's failure, or empty
    // when it was asked from the start.
    std::string reason;
  };
  using Ended = std::function<void(Unanswered)>;

  // At most `capacity` waits, each for `waitMs` on `clock`. Each wait that
  // ends without its call-back is handed to `ended`, with no lock held: on
  // the thread that ended it (EndDue's, or Await's for one pushed out).
  AwaitedCallBacks(size_t capacity, uint32_t waitMs, platform::Clock clock, Ended ended);
  ~AwaitedCallBacks();  // Stop
  AwaitedCallBacks(const AwaitedCallBacks&) = delete;
  AwaitedCallBacks& operator=(const AwaitedCallBacks&) = delete;

  // Starts the thread that ends the waits as they run out or are stopped
  // (EndDue at each). False when it cannot start, or after Stop.
  bool Start();
  // Awaits a call-back from `uin` for `transfer` (may be empty: the answer
  // then begins a transfer of its own), asked because of `reason`. When
  // every place is taken the oldest wait is pushed out. False after Stop:
  // the transfer is then ended as stopped.
  bool Await(uint32_t uin, transfers::TransferHandle transfer, std::string reason);
  // The contacts a call-back is awaited from, each once.
  std::vector<uint32_t> Contacts();
  // Which run of waits for `uin` is on: the waits from the first that came
  // while none was awaited to the last that ends; 0 when none is awaited.
  // A later run has another number.
  uint64_t RunOf(uint32_t uin);
  // The file of the oldest wait for `uin` that names one; empty when none
  // does (the user chooses it once the call-back comes).
  std::string FileOf(uint32_t uin);
  // Takes the oldest wait for `uin` and its transfer (possibly empty) into
  // `transfer`; false when none is awaited.
  bool Take(uint32_t uin, transfers::TransferHandle* transfer);
  // Ends the waits that have run out by the clock, and those whose sends
  // were stopped, handing each to `ended`. The thread calls it; tests may.
  void EndDue();
  // A send was stopped: the thread looks at the waits at once (EndDue).
  void Look();
  // Ends every wait at once as stopped, telling nobody, and the thread
  // (unloading). Nothing is awaited afterwards. False when the thread
  // outlived the worker's bound (a hand-on under way that hangs).
  bool Stop();
  // The call-backs awaited from `uin`.
  size_t CountOf(uint32_t uin);

 private:
  struct Entry {
    uint32_t uin = 0;
    transfers::TransferHandle transfer;
    std::string reason;
    uint32_t askedAt = 0;
    uint64_t run = 0;
  };
  struct State;

  std::shared_ptr<State> state_;
  platform::Worker worker_;
};

}  // namespace kvel::p2p
