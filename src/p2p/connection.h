// Starting direct connections: each runs on a ConnectionThread of its own
// from the first byte to the close (connect, handshake, transfer, close).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "p2p/awaited_call_backs.h"
#include "p2p/connection_limits.h"
#include "p2p/connection_set.h"
#include "p2p/foreign_call_backs.h"
#include "p2p/peer_address.h"
#include "p2p/peer_connection.h"
#include "p2p/send_queue.h"
#include "p2p/unreached.h"
#include "platform/error.h"
#include "platform/socket_handle.h"
#include "platform/sockets.h"
#include "transfers/auto_accept_rule.h"
#include "transfers/transfer_outcome.h"
#include "transfers/transfer_registry.h"
#include "transfers/transfer_stream.h"
#include "wire/handshake.h"

namespace kvel::p2p {

// Everything a connection thread reaches outside itself. The plug-in binds
// the peer table, its own number, the awaited call-backs, the log, the
// contact list, the host's packets, the transfers registry and the two file
// procedures; tests bind their own to watch the outcome. Called from
// connection threads, several at once.
class ConnectionServices {
 public:
  virtual ~ConnectionServices() = default;
  // The peer's address as the peer table has it.
  virtual PeerAddress PeerAddressOf(uint32_t uin) = 0;
  virtual uint32_t OwnUin() = 0;
  // The call-backs this user awaits.
  virtual AwaitedCallBacks& CallBacks() = 0;
  // What the user said of call-backs from other addresses than the
  // contacts' announced ones.
  virtual ForeignCallBacks& Foreign() = 0;
  // A diagnostic line.
  virtual void Log(const std::string& line) = 0;
  // The contact's name as the contact list shows it, else the number.
  virtual std::string PeerName(uint32_t uin) = 0;
  // The file procedures over the handshaken connection, keeping the
  // transfer's record current; true only when the whole file went or came.
  // A send offers the file its transfer names, else the user chooses, and
  // the files chosen after the first go to `further`. A received offer comes
  // from `origin` (whether its file may be taken without the question
  // depends on it).
  virtual bool SendFile(PeerConnection& connection, transfers::TransferHandle& transfer,
                        const transfers::FurtherFiles& further) = 0;
  virtual bool ReceiveFile(PeerConnection& connection, transfers::TransferHandle& transfer,
                           const transfers::OfferOrigin& origin) = 0;
  // Tells the user of a transfer that was refused or failed, without keeping
  // the connection's thread.
  virtual void TellUser(const transfers::TransferReport& report) = 0;
  // The same for a send of this user's that never reached its contact.
  virtual void TellUnreached(const Unreached& unreached) = 0;
  // A whole GG packet through the host (the call-back request), which takes
  // the bytes before it returns.
  virtual void SendPacket(std::span<const uint8_t> packet) = 0;
  // A TCP connection to `address` (network byte order) and `port` within
  // `limitMs`, called off when `givenUp` says so: the platform's own
  // (platform::ConnectTcpWithin) unless a test stands in for it.
  virtual platform::SocketHandle Connect(uint32_t address, uint16_t port, uint32_t limitMs,
                                         const std::function<bool()>& givenUp,
                                         platform::Error* error);
  // Told as the thread ends, after its socket is closed.
  virtual void Ended() {}
  // How long the peer may keep this side waiting.
  virtual ConnectionLimits Limits() { return kConnectionLimits; }
  // Where the connection takes its place (the cap).
  virtual ConnectionSet& Connections() = 0;
  // Where each connection's transfer is begun, kept and stopped.
  virtual transfers::TransferRegistry& Transfers() = 0;
  // Where this user's sends take turns per contact.
  virtual SendQueue& Sends() = 0;
};

// What the starter hands to a new connection thread.
struct ConnectionRequest {
  platform::Socket socket = platform::kInvalidSocket;  // the accepted socket
  bool outgoing = false;                               // true: this side calls
  uint32_t peerUin = 0;                                // outgoing: whom to call
  uint32_t directionCode = 0;                          // outgoing: push or pull
  ConnectionSet::Place place;                          // empty until admitted
  std::shared_ptr<ConnectionServices> services;
  // The transfer, begun by the starter (begun by the thread when empty).
  // Declared after `services`, whose registry it ends in, so it goes first.
  transfers::TransferHandle transfer;
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
// Starts a detached thread running `request`; false when none started (the
// request is then left to the caller).
bool SpawnConnection(std::unique_ptr<ConnectionRequest>& request);

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

// This user's sends, one file per connection, taking turns per contact
// (SendQueue). Each is begun and listed at once: as waiting for a
// connection when it has its turn, else as waiting for it.
//
// The click of "Wyślij plik" on `uin`, called directly. False when it had
// its turn and no thread started or no place was free (it then ended with
// its box).
bool StartSend(uint32_t uin, std::shared_ptr<ConnectionServices> services);
// The click on `uin`, who is asked to call back from the start. True when
// it has its turn and awaits the call-back now: the caller sends the
// request. False when it waits its turn (its request goes when the turn
// comes), or when the call-backs are stopped (unloading).
bool AwaitCallBack(uint32_t uin, std::shared_ptr<ConnectionServices> services);
// The files the user chose for `uin` after the first: each a send of its
// own, listed with its file, offered without asking again.
void SendFurther(uint32_t uin, std::vector<std::string> paths,
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
// Ends a wait for a call-back that never came: its send, a log line and,
// unless the user stopped it, a box. One that ran out takes the contact's
// sends that wait their turn with it: the contact cannot be reached, and
// their boxes come together. What the call-backs' thread is given.
void EndUnanswered(ConnectionServices& services, AwaitedCallBacks::Unanswered unanswered);

}  // namespace kvel::p2p
