// What a direct connection reaches outside itself.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "p2p/admission/awaited_call_backs.h"
#include "p2p/admission/connection_limits.h"
#include "p2p/admission/connection_set.h"
#include "p2p/admission/foreign_call_backs.h"
#include "p2p/connection/peer_address.h"
#include "p2p/connection/peer_connection.h"
#include "p2p/reach/send_queue.h"
#include "p2p/reach/unreached.h"
#include "platform/error.h"
#include "platform/socket_handle.h"
#include "platform/sockets.h"
#include "transfers/auto_accept/auto_accept_rule.h"
#include "transfers/telling/transfer_outcome.h"
#include "transfers/registry/transfer_registry.h"
#include "transfers/stream/send_stream.h"
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

}  // namespace kvel::p2p
