// What a direct connection reaches outside itself: a few small seams, which
// the plug-in binds to the host and its context and tests bind to
// recorders, and the parts of the context that connections change. Every
// connection thread holds the one ConnectionServices (several at once).
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "gg/peer_address.h"
#include "p2p/admission/awaited_call_backs.h"
#include "p2p/admission/connection_limits.h"
#include "p2p/admission/connection_set.h"
#include "p2p/admission/foreign_call_backs.h"
#include "p2p/connection/peer_connection.h"
#include "p2p/connection/unreached.h"
#include "platform/clock.h"
#include "platform/error.h"
#include "platform/socket_handle.h"
#include "transfers/auto_accept/auto_accept_rule.h"
#include "transfers/registry/transfer_registry.h"
#include "transfers/stream/send_stream.h"

namespace kvel::p2p {

struct ConnectionRequest;
// Where a peer takes direct connections, as the peer table has it.
using gg::PeerAddress;

// Where the contacts are and what they are called.
class PeerDirectory {
 public:
  // The peer's address as the peer table has it.
  virtual PeerAddress PeerAddressOf(uint32_t uin) = 0;
  // The contact's name as the contact list shows it, else the number.
  virtual std::string PeerName(uint32_t uin) = 0;
  // This user's own GG number; 0 until the first login has passed.
  virtual uint32_t OwnUin() = 0;

 protected:
  ~PeerDirectory() = default;
};

// What connections tell: the log, the user (without keeping the
// connection's thread) and the GG network, through the host.
class ConnectionTelling {
 public:
  // A diagnostic line.
  virtual void Log(const std::string& line) = 0;
  // A transfer that was refused or failed.
  virtual void TellUser(const transfers::Transfer& report) = 0;
  // A send of this user's that never reached its contact.
  virtual void TellUnreached(const Unreached& unreached) = 0;
  // A whole GG packet (the call-back request), taken before it returns.
  virtual void SendPacket(std::span<const uint8_t> packet) = 0;

 protected:
  ~ConnectionTelling() = default;
};

// The file procedures over the handshaken connection, keeping the
// transfer's record current; true only when the whole file went or came. A
// send offers the file its transfer names, else the user chooses, and the
// files chosen after the first go to `further`. A received offer comes from
// `origin` (whether its file may be taken without asking depends on
// it).
class FileProcedures {
 public:
  virtual bool SendFile(PeerConnection& connection, transfers::TransferHandle& transfer,
                        const transfers::FurtherFiles& further) = 0;
  virtual bool ReceiveFile(PeerConnection& connection, transfers::TransferHandle& transfer,
                           const transfers::OfferOrigin& origin) = 0;

 protected:
  ~FileProcedures() = default;
};

// Where this user's sends go on when their connection does not carry them
// (bound to what gets the user's sends through: reach/).
class OwnSendsOnward {
 public:
  // The send of `request` could not connect or its handshake failed, as
  // `failure` says: its contact is asked to call back.
  virtual void FallBack(ConnectionRequest& request, const std::string& failure) = 0;
  // The files the user chose for `uin` after the first.
  virtual void SendFurther(uint32_t uin, std::vector<std::string> paths) = 0;
  // The thread of transfer `id` has closed its socket and left its place:
  // the sends that wait for either may start.
  virtual void ConnectionLeft(transfers::TransferId id) = 0;

 protected:
  ~OwnSendsOnward() = default;
};

// A TCP connection to `address` (network byte order) and `port` within
// `limitMs`, called off when `givenUp` says so.
class Dialer {
 public:
  virtual platform::SocketHandle Connect(uint32_t address, uint16_t port, uint32_t limitMs,
                                         const std::function<bool()>& givenUp,
                                         platform::Error* error) = 0;

 protected:
  ~Dialer() = default;
};

// What every connection thread reaches; all of it outlives the threads.
struct ConnectionServices {
  PeerDirectory& peers;
  ConnectionTelling& telling;
  FileProcedures& files;
  OwnSendsOnward& onward;
  // Where each connection takes its place (the cap).
  ConnectionSet& connections;
  // Where each connection's transfer is begun, kept and stopped.
  transfers::TransferRegistry& transfers;
  // The call-backs this user awaits, and what the user said of call-backs
  // from other addresses than the contacts' announced ones.
  AwaitedCallBacks& callBacks;
  ForeignCallBacks& foreign;
  // What every connection measures its waits on.
  platform::Clock clock;
  // How long a peer may keep this side waiting, and how many at once.
  ConnectionLimits limits = kConnectionLimits;
  // Null: the platform's (platform::ConnectTcpWithin).
  Dialer* dialer = nullptr;
  // Told as each thread ends, after its socket is closed (tests).
  std::function<void()> ended;
};

}  // namespace kvel::p2p
