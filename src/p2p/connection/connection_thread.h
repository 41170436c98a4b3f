// Direct connections, each on a thread of its own from the first byte to
// the close (connect, handshake, transfer, close).
#pragma once

#include <cstdint>
#include <memory>

#include "p2p/admission/connection_set.h"
#include "p2p/connection/connection_services.h"
#include "platform/socket_handle.h"
#include "platform/sockets.h"
#include "transfers/registry/transfer_registry.h"

namespace kvel::p2p {

// What the starter hands to a new connection thread.
struct ConnectionRequest {
  platform::SocketHandle socket{};  // the accepted socket, closed with the request
  bool outgoing = false;            // true: this side calls
  uint32_t uin = 0;                 // outgoing: whom to call
  uint32_t directionCode = 0;       // outgoing: push or pull
  ConnectionSet::Place place{};     // empty until admitted
  std::shared_ptr<ConnectionServices> services{};
  // The transfer, begun by the starter (begun by the thread when empty).
  // Declared after `services`, whose registry it ends in, so it goes first.
  transfers::TransferHandle transfer{};
};

// The body of every connection thread: runs one connection to its end, from
// its place and transfer (unless the request holds them) through connect,
// handshake and file to the closed socket, the place given back and the
// waiting sends let on. A send of this user's that cannot connect, or whose
// handshake fails, is not ended: it waits for the call-back its contact is
// asked for.
void RunConnection(ConnectionRequest request);
// Starts a thread for an admitted request. A send of this user's that gets
// none ends with its box; the place goes back with the request.
bool StartConnection(ConnectionRequest request);

// Calls `uin` at its address in the peer table for `transfer` (begun here
// when empty), in `place` (taken here when empty): code 2 is this user's
// send, listed at once as waiting for a connection; code 3 answers a peer's
// call-back request. False when no thread started or no place was free (a
// send of the user's then ends with a box).
bool StartOutgoing(uint32_t uin, uint32_t directionCode,
                   std::shared_ptr<ConnectionServices> services,
                   transfers::TransferHandle transfer = {}, ConnectionSet::Place place = {});
// Takes over a socket the listener accepted and begins its transfer; closes
// it when no thread starts or the connection set has no place for it (with
// a log line).
void StartIncoming(platform::Socket socket, std::shared_ptr<ConnectionServices> services);

}  // namespace kvel::p2p
