// This user's sends as they enter their contact's line and take their
// turns: the click, the files chosen after the first, a send whose turn
// came, and one stopped while it waited.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "p2p/connection/connection_services.h"
#include "p2p/reach/send_queue.h"
#include "transfers/registry/transfer_registry.h"

namespace kvel::p2p {

// This user's sends, one file per connection, taking turns per contact
// (SendQueue). Each is begun and listed at once: as waiting for a
// connection when it has its turn, else as waiting for it.
//
// The click of "Wyślij plik" on `uin`, called directly. False when it had
// its turn and no thread started or no place was free (it then ended with
// its box).
bool StartSend(uint32_t uin, SendQueue& sends, std::shared_ptr<ConnectionServices> services);
// The click on `uin`, who is asked to call back from the start: when it has
// its turn, it awaits the call-back and the request goes now; else the
// request goes when the turn comes.
void AwaitCallBack(uint32_t uin, SendQueue& sends, ConnectionServices& services);
// The files the user chose for `uin` after the first: each a send of its
// own, listed with its file, offered without asking again.
void SendFurther(uint32_t uin, std::vector<std::string> paths, SendQueue& sends,
                 std::shared_ptr<ConnectionServices> services);
// Starts a send whose turn came: asks `uin` to call back (one request per
// send) when the peer table says it cannot be reached, else calls it
// (falling back to a call-back). False, leaving `transfer`, when no place
// among the connections is free. What the queue's Start is bound to.
bool StartTurn(uint32_t uin, transfers::TransferHandle& transfer,
               std::shared_ptr<ConnectionServices> services);
// Ends a send the user stopped while it waited its turn, with its log line.
// What the queue's Drop is bound to.
void DropWaiting(ConnectionServices& services, uint32_t uin, transfers::TransferHandle transfer);
// Awaits a call-back from `uin` for `transfer`, asked because of `reason`
// (empty: from the start), then asks `uin` by GG message to call back; the
// wait comes first, since the contact may call back at once. Nothing goes
// once the call-backs are stopped (unloading).
void AskToCallBack(ConnectionServices& services, uint32_t uin, transfers::TransferHandle transfer,
                   std::string reason);

}  // namespace kvel::p2p
