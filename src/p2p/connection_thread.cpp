#include <algorithm>
#include <optional>
#include <string>

#include "p2p/connection.h"
#include "p2p/connection_set.h"
#include "p2p/connection_texts.h"
#include "p2p/direction.h"
#include "p2p/handshake_steps.h"
#include "p2p/peer_connection.h"
#include "p2p/peer_waits.h"
#include "platform/tcp_connect.h"
#include "platform/threads.h"

namespace kvel::p2p {
namespace {

using platform::Socket;
using transfers::Transfer;
using transfers::TransferHandle;
using transfers::TransferReport;

// A log line; none once the plug-in is being unloaded (the host is not
// reached then).
void Log(ConnectionServices& services, const std::string& line) {
  if (!services.Connections().BeginReport()) return;
  services.Log(line);
  services.Connections().EndReport();
}

void ConnectionThread(void* raw) {
  std::unique_ptr<ConnectionRequest> request(static_cast<ConnectionRequest*>(raw));
  RunConnection(std::move(*request));
}

// Starts a thread for an admitted request; a request that gets none gives
// its place back.
bool Spawn(ConnectionRequest request) {
  auto owned = std::make_unique<ConnectionRequest>(std::move(request));
  if (SpawnConnection(owned)) return true;
  owned->services->Connections().Leave();
  return false;
}

// Logs every ended transfer; tells the user of the ones worth a box. Once
// the plug-in is being unloaded nothing is said.
void Tell(ConnectionServices& services, const TransferReport& report) {
  Log(services, transfers::TransferLogLine(report));
  if (!transfers::WorthTelling(report.outcome)) return;
  if (!services.Connections().BeginReport()) return;
  services.TellUser(report);
  services.Connections().EndReport();
}

// Sets the socket up, runs the handshake and the transfer, and ends the
// transfer's record with its outcome; the socket stays open for the caller
// to close.
void Serve(Socket socket, ConnectionRequest& request, ConnectionServices& services) {
  TransferHandle& transfer = request.transfer;
  // An accepted socket inherits nothing useful from the non-blocking
  // listening socket: every option is set here, results ignored.
  platform::SetNonBlocking(socket, false);
  platform::SetKeepAlive(socket);
  platform::SetLinger(socket, 3);
  PeerWaits waits(socket, services.Limits(), &platform::TickCount);
  PeerConnection connection(socket, &waits);
  const Handshake outcome =
      request.outgoing
          ? CallPeer(connection, services.OwnUin(), request.peerUin, request.directionCode)
          : AnswerPeer(connection, [&](uint32_t caller) { return services.TakeCallBack(caller); });
  if (outcome.result == Handshake::Result::UnaskedCallBack)
    Log(services, text::kLogUnaskedCallBack + std::to_string(outcome.peerUin));
  if (outcome.result == Handshake::Result::Agreed) {
    waits.HandshakeDone(outcome.direction);
    // The host is asked for the name once, with no lock held.
    transfer.Agree(outcome.peerUin, services.PeerName(outcome.peerUin), outcome.direction);
    const bool succeeded = outcome.direction == transfers::Send
                               ? services.SendFile(connection, transfer)
                               : services.ReceiveFile(connection, transfer);
    // How it ended is judged from the transfer's own record.
    const Transfer facts = transfer.Read();
    const bool fileKnown = !facts.path.empty();
    TransferReport report;
    report.direction = outcome.direction;
    report.peerUin = outcome.peerUin;
    report.file = facts.path;
    // The log names the offset the transfer went on from (also one the
    // sender could not go on from) and counts this connection's bytes.
    report.offset = waits.AnswerOffset().value_or(facts.offset);
    report.bytes = facts.moved;
    report.outcome = transfers::JudgeTransfer(succeeded, facts.stopped, outcome.direction,
                                              fileKnown, waits.AnswerCode());
    report.note = facts.note;
    transfer.End(report.outcome);
    Tell(services, report);
  }
  if (waits.TimedOut()) Log(services, text::kLogPeerTooSlow + std::to_string(socket));
}

// A connection over the cap: an accepted socket is closed at once, a peer is
// not called.
void Refuse(const ConnectionRequest& request, ConnectionServices& services) {
  if (request.outgoing) {
    Log(services, text::kLogTooManyNotCalled + std::to_string(request.peerUin));
  } else {
    Log(services, text::kLogTooManyClosed + std::to_string(request.socket));
    platform::CloseSocket(request.socket);
  }
}

// Takes a place in the services' connection set for `request` and begins
// its transfer; false (the request refused) when there is no place.
bool Admit(ConnectionRequest& request) {
  if (!request.admitted) {
    if (!request.services->Connections().Enter()) {
      Refuse(request, *request.services);
      return false;
    }
    request.admitted = true;
  }
  if (!request.transfer) {
    // An accepted connection receives until its handshake says otherwise.
    const std::optional<transfers::TransferDirection> direction =
        request.outgoing ? DirectionFor(Side::Caller, request.directionCode) : std::nullopt;
    request.transfer = request.services->Transfers().Begin(request.outgoing ? request.peerUin : 0,
                                                           direction.value_or(transfers::Receive));
  }
  return true;
}

}  // namespace

Socket ConnectPeer(uint32_t address, uint16_t port) {
  if (address == 0) return platform::kInvalidSocket;
  return platform::ConnectTcp(address, port).Release();
}

void RunConnection(ConnectionRequest request) {
  ConnectionServices& services = *request.services;
  if (Admit(request)) {
    Socket socket = request.socket;
    if (request.outgoing) {
      PeerAddress peer = services.PeerAddressOf(request.peerUin);
      socket = ConnectPeer(peer.ip, peer.port);
    }
    if (socket != platform::kInvalidSocket) {
      // Closed here, once, after it has left the record the stop button
      // shuts it down through.
      platform::SocketHandle owned(socket);
      request.transfer.AttachSocket(socket);
      Serve(socket, request, services);
      request.transfer.DetachSocket();
    }
    // One that never got as far as the handshake's agreement ends unlisted.
    request.transfer.End(transfers::TransferOutcome::Failed);
    services.Connections().Leave();
  }
  services.Ended();
}

bool SpawnConnection(std::unique_ptr<ConnectionRequest>& request) {
  if (!platform::SpawnDetachedThread(&ConnectionThread, request.get())) return false;
  request.release();  // the thread owns it now
  return true;
}

bool StartOutgoing(uint32_t uin, uint32_t directionCode,
                   std::shared_ptr<ConnectionServices> services) {
  ConnectionRequest request;
  request.outgoing = true;
  request.peerUin = uin;
  request.directionCode = directionCode;
  request.services = std::move(services);
  if (!Admit(request)) return false;
  return Spawn(std::move(request));
}

void StartIncoming(Socket socket, std::shared_ptr<ConnectionServices> services) {
  ConnectionRequest request;
  request.socket = socket;
  request.services = std::move(services);
  if (!Admit(request)) return;
  if (!Spawn(std::move(request))) platform::CloseSocket(socket);
}

}  // namespace kvel::p2p
