// Starting direct connections: each runs on a ConnectionThread of its own
// from the first byte to the close (connect, handshake, transfer, close).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "p2p/connection_limits.h"
#include "p2p/connection_set.h"
#include "p2p/peer_address.h"
#include "p2p/peer_connection.h"
#include "platform/sockets.h"
#include "transfers/transfer_outcome.h"
#include "transfers/transfer_registry.h"
#include "wire/handshake.h"

namespace kvel::p2p {

// Everything a connection thread reaches outside itself. The plug-in binds
// the peer table, its own number, the awaited call-backs, the log, the
// contact list, the transfers registry and the two file procedures; tests
// bind their own to watch the outcome. Called from connection threads,
// several at once.
class ConnectionServices {
 public:
  virtual ~ConnectionServices() = default;
  // The peer's address as the peer table has it.
  virtual PeerAddress PeerAddressOf(uint32_t uin) = 0;
  virtual uint32_t OwnUin() = 0;
  // Takes the call-back this user asked `uin` for; false when none is awaited.
  virtual bool TakeCallBack(uint32_t uin) = 0;
  // A diagnostic line.
  virtual void Log(const std::string& line) = 0;
  // The contact's name as the contact list shows it, else the number.
  virtual std::string PeerName(uint32_t uin) = 0;
  // The file procedures over the handshaken connection, keeping the
  // transfer's record current; true only when the whole file went or came.
  virtual bool SendFile(PeerConnection& connection, transfers::TransferHandle& transfer) = 0;
  virtual bool ReceiveFile(PeerConnection& connection, transfers::TransferHandle& transfer) = 0;
  // Tells the user of a transfer that was refused or failed, without keeping
  // the connection's thread.
  virtual void TellUser(const transfers::TransferReport& report) = 0;
  // Told as the thread ends, after its socket is closed.
  virtual void Ended() {}
  // How long the peer may keep this side waiting.
  virtual ConnectionLimits Limits() { return kConnectionLimits; }
  // Where the connection takes its place (the cap).
  virtual ConnectionSet& Connections() = 0;
  // Where each connection's transfer is begun, kept and stopped.
  virtual transfers::TransferRegistry& Transfers() = 0;
};

// What the starter hands to a new connection thread.
struct ConnectionRequest {
  platform::Socket socket = platform::kInvalidSocket;  // the accepted socket
  bool outgoing = false;                               // true: this side calls
  uint32_t peerUin = 0;                                // outgoing: whom to call
  uint32_t directionCode = 0;                          // outgoing: push or pull
  bool admitted = false;                               // holds a place in the set
  std::shared_ptr<ConnectionServices> services;
  // The transfer, begun by the starter (begun by the thread when empty).
  // Declared after `services`, whose registry it ends in, so it goes first.
  transfers::TransferHandle transfer;
};

// A TCP socket connected to `address` (network byte order) and `port`, or
// kInvalidSocket. Address 0 is nobody's: no connection is tried.
platform::Socket ConnectPeer(uint32_t address, uint16_t port);

// Runs one connection to its end on the calling thread: take a place in the
// connection set (unless the request holds one), begin the transfer (unless
// the request holds one), connect when outgoing, set the socket up,
// handshake, agree the transfer, send or receive the file, end the
// transfer, close the socket, give the place back. The body of every
// connection thread.
void RunConnection(ConnectionRequest request);
// Starts a detached thread running `request`; false when none started (the
// request is then left to the caller).
bool SpawnConnection(std::unique_ptr<ConnectionRequest>& request);

// Begins a transfer with `uin` (the user's click for a send, a call-back
// request for a receive) and calls `uin` at its address in the peer table;
// true when the thread started (false also when the connection set is full
// or stopped).
bool StartOutgoing(uint32_t uin, uint32_t directionCode,
                   std::shared_ptr<ConnectionServices> services);
// Takes over a socket the listener accepted and begins its transfer; closes
// it when no thread starts or the connection set is full or stopped (with a
// log line).
void StartIncoming(platform::Socket socket, std::shared_ptr<ConnectionServices> services);

}  // namespace kvel::p2p
