// Starting direct connections: each runs on a ConnectionThread of its own
// from the first byte to the close (connect, handshake, transfer, close).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "p2p/connection_limits.h"
#include "p2p/connection_set.h"
#include "p2p/peer_connection.h"
#include "p2p/peer_address.h"
#include "transfers/transfer_outcome.h"
#include "platform/sockets.h"
#include "transfers/transfer_table.h"
#include "wire/handshake.h"

namespace kvel::p2p {

// Everything a connection thread reaches outside itself. The plug-in binds
// the peer table, its own number, the awaited call-backs, the log, the
// transfer window and the two file procedures; tests bind their own to watch
// the outcome. Called from connection threads, several at once.
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
  // Lists the transfer in the transfer window.
  virtual void AddTransfer(platform::Socket socket, uint32_t uin, transfers::TransferDirection direction) = 0;
  // The entry as it was when removed; nothing when it was not listed.
  virtual std::optional<transfers::TaskInfo> RemoveTransfer(platform::Socket socket) = 0;
  // The file procedures over the handshaken connection; true only when the
  // whole file went or came.
  virtual bool SendFile(PeerConnection& connection, uint32_t uin) = 0;
  virtual bool ReceiveFile(PeerConnection& connection, uint32_t uin) = 0;
  // Tells the user of a transfer that was refused or failed, without keeping
  // the connection's thread.
  virtual void TellUser(const transfers::TransferReport& report) = 0;
  // Told as the thread ends, after its socket is closed.
  virtual void Ended() {}
  // How long the peer may keep this side waiting.
  virtual ConnectionLimits Limits() { return kConnectionLimits; }
  // Where the connection takes its place (the cap) and is reached to be
  // stopped.
  virtual ConnectionSet& Connections() = 0;
};

// What the starter hands to a new connection thread.
struct ConnectionRequest {
  platform::Socket socket = platform::kInvalidSocket;  // the accepted socket
  bool outgoing = false;                               // true: this side calls
  uint32_t peerUin = 0;                                // outgoing: whom to call
  uint32_t directionCode = 0;                          // outgoing: push or pull
  bool admitted = false;                               // holds a place in the set
  std::shared_ptr<ConnectionServices> services;
};

// A TCP socket connected to `address` (network byte order) and `port`, or
// kInvalidSocket. Address 0 is nobody's: no connection is tried.
platform::Socket ConnectPeer(uint32_t address, uint16_t port);

// Runs one connection to its end on the calling thread: take a place in the
// connection set (unless the request holds one), connect when outgoing, set
// the socket up, handshake, list the transfer, send or receive the file,
// remove the transfer, close the socket, give the place back. The body of
// every connection thread.
void RunConnection(ConnectionRequest request);
// Starts a detached thread running `request`; false when none started (the
// request is then left to the caller).
bool SpawnConnection(std::unique_ptr<ConnectionRequest>& request);

// Calls `uin` at its address in the peer table; true when the thread started
// (false also when the connection set is full or stopped).
bool StartOutgoing(uint32_t uin, uint32_t directionCode,
                   std::shared_ptr<ConnectionServices> services);
// Takes over a socket the listener accepted; closes it when no thread starts
// or the connection set is full or stopped (with a log line).
void StartIncoming(platform::Socket socket, std::shared_ptr<ConnectionServices> services);

}  // namespace kvel::p2p
