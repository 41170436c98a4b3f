// This user's sends to one contact take turns: at most a few run at once,
// each from its start (connecting, or waiting for the call-back it asked
// for) to its end, and the others wait in the window as "czeka", starting
// in the order they were chosen as turns come free. A send that waits has
// no thread: the queue holds it, ends it when the user stops it, and ends
// every one at once when the plug-in is unloaded.
//
// Thread safety: every call from any thread. Nothing is called back with
// the queue's lock held.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "transfers/registry/transfer_registry.h"

namespace kvel::p2p {

class SendQueue {
 public:
  // Starts a send whose turn came, moving `transfer` away; false, leaving
  // it, when it cannot start yet (no place among the connections): it then
  // waits again, first in line, for the next Pump.
  using Start = std::function<bool(uint32_t uin, transfers::TransferHandle& transfer)>;
  // Ends a waiting send the user stopped, with its log line.
  using Drop = std::function<void(uint32_t uin, transfers::TransferHandle transfer)>;

  // At most `perContact` sends to one contact at once.
  SendQueue(size_t perContact, Start start, Drop drop);
  ~SendQueue();  // Stop
  SendQueue(const SendQueue&) = delete;
  SendQueue& operator=(const SendQueue&) = delete;

  // Takes `transfer`, a send of this user's to `uin`, begun and listed as
  // waiting its turn. True when it has its turn now: the caller starts it
  // (or hands it back). False when it waits (taken from `transfer`, to be
  // started through `start`), or after Stop (ended as stopped).
  bool Enter(uint32_t uin, transfers::TransferHandle& transfer);
  // A send that had its turn but found no place among the connections: it
  // gives the turn back and waits first in line.
  void GiveBack(uint32_t uin, transfers::TransferHandle transfer);
  // A connection has closed its socket and left its place, its transfer
  // `id` ended (0: none, or one that waits on elsewhere): the send's turn,
  // if it had one, comes free, and the waiting sends may have the place.
  void ConnectionLeft(transfers::TransferId id);
  // Takes every send waiting its turn for `uin` out of the line: the
  // contact could not be reached, and the caller ends them.
  std::vector<transfers::TransferHandle> TakeWaiting(uint32_t uin);
  // Ends every waiting send at once as stopped, telling nobody, and starts
  // none from now on (unloading).
  void Stop();

  // Sends to `uin` that have their turn, and that wait for one.
  size_t Running(uint32_t uin) const;
  size_t Waiting(uint32_t uin) const;

 private:
  struct State;
  class TurnWatch;
  static void StartDue(const std::shared_ptr<State>& state);

  std::shared_ptr<State> state_;
};

}  // namespace kvel::p2p
