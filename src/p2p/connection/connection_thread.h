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
  platform::SocketHandle socket;  // the accepted socket, closed with the request
  bool outgoing = false;          // true: this side calls
  uint32_t uin = 0;               // outgoing: whom to call
  uint32_t directionCode = 0;     // outgoing: push or pull
  ConnectionSet::Place place;     // empty until admitted
  std::shared_ptr<ConnectionServices> services;
  // The transfer, begun by the starter (begun by the thread when empty).
  // Declared after `services`, whose registry it ends in, so it goes first.
  transfers::TransferHandle transfer;

  // A request to call `uin` with `directionCode`, for `transfer` when it is
  // one begun already.
  static ConnectionRequest Call(uint32_t uin, uint32_t directionCode,
                                std::shared_ptr<ConnectionServices> services,
                                transfers::TransferHandle transfer = {});
};

// Runs one connection to its end on the calling thread: take a place in the
// connection set (unless the request holds one), begin the transfer (unless
// the request holds one), connect when outgoing, set the socket up,
// handshake, agree the transfer, send or receive the file, end the
// transfer, close the socket, give the place back, and let the sends that
// wait their turn have it. A send of this user's that cannot connect, or
// whose handshake fails, is not ended: the contact is asked to call back,
// and the send waits for that. The files the user chose after the first go
// to SendFurther. The body of every connection thread.
void RunConnection(ConnectionRequest request);
// Starts a thread for an admitted request. A send of this user's that gets
// none ends with its box; the place goes back with the request.
bool StartConnection(ConnectionRequest request);

// Begins a transfer with `uin` (unless `transfer` is one begun already) and
// calls `uin` at its address in the peer table: code 2 is this user's send
// (the click), listed at once as waiting for a connection; code 3 answers
// the call-back request of a peer. True when the thread started; false also
// when the connection set has no place (a send of the user's then ends with
// a box).
bool StartOutgoing(uint32_t uin, uint32_t directionCode,
                   std::shared_ptr<ConnectionServices> services,
                   transfers::TransferHandle transfer = {});
// Takes over a socket the listener accepted and begins its transfer; closes
// it when no thread starts or the connection set has no place for it (with
// a log line).
void StartIncoming(platform::Socket socket, std::shared_ptr<ConnectionServices> services);

}  // namespace kvel::p2p
