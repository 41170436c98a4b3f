#include <optional>
#include <string>

#include "p2p/connection.h"
#include "p2p/connection_set.h"
#include "p2p/connection_texts.h"
#include "p2p/direction.h"
#include "p2p/peer_waits.h"
#include "p2p/peer_connection.h"
#include "platform/tcp_connect.h"
#include "platform/threads.h"
#include "wire/handshake.h"

namespace kvel::p2p {
namespace {

using platform::Socket;

struct Outcome {
  uint32_t peerUin;
  TransferDirection direction;
};

std::optional<Outcome> CallerHandshake(PeerConnection& connection, const ConnectionRequest& request,
                                       uint32_t ownUin) {
  std::array<uint8_t, 8> hello = EncodeCallerHello(ownUin, request.peerUin);
  connection.Write(hello.data(), static_cast<int>(hello.size()));
  std::array<uint8_t, 4> answer;
  if (!connection.ReadWhole(answer.data(), 4) || !IsAnswer(answer)) return std::nullopt;
  std::optional<TransferDirection> direction = DirectionFor(Side::Caller, request.directionCode);
  if (!direction) return std::nullopt;
  std::array<uint8_t, 4> code = EncodeWord(request.directionCode);
  connection.Write(code.data(), 4);
  return Outcome{request.peerUin, *direction};
}

// A log line; none once the plug-in is being unloaded (the host is not
// reached then).
void Log(ConnectionServices& services, const std::string& line) {
  if (!services.Connections().BeginReport()) return;
  services.Log(line);
  services.Connections().EndReport();
}

std::optional<Outcome> CalledHandshake(PeerConnection& connection, ConnectionServices& services) {
  std::array<uint8_t, 4> callerUin;
  std::array<uint8_t, 4> calledUin;  // read, never compared with our own
  std::array<uint8_t, 4> code;
  if (!connection.ReadWhole(callerUin.data(), 4) || !connection.ReadWhole(calledUin.data(), 4))
    return std::nullopt;
  connection.Write(kAnswer.data(), 4);
  if (!connection.ReadWhole(code.data(), 4)) return std::nullopt;
  std::optional<TransferDirection> direction = DirectionFor(Side::Called, DecodeWord(code));
  if (!direction) return std::nullopt;
  const uint32_t caller = DecodeWord(callerUin);
  // Code 3 makes this side offer a file: only to a contact this user asked
  // for a call-back, calling under that contact's number.
  if (DecodeWord(code) == kPullCode && !services.TakeCallBack(caller)) {
    Log(services, text::kLogUnaskedCallBack + std::to_string(caller));
    return std::nullopt;
  }
  return Outcome{caller, *direction};
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
  Log(services, TransferLogLine(report));
  if (!WorthTelling(report.outcome)) return;
  if (!services.Connections().BeginReport()) return;
  services.TellUser(report);
  services.Connections().EndReport();
}

// Sets the socket up, runs the handshake and the transfer; the socket stays
// open for the caller to close.
void Serve(Socket socket, const ConnectionRequest& request, ConnectionServices& services) {
  // An accepted socket inherits nothing useful from the non-blocking
  // listening socket: every option is set here, results ignored.
  platform::SetNonBlocking(socket, false);
  platform::SetKeepAlive(socket);
  platform::SetLinger(socket, 3);
  PeerWaits waits(socket, services.Limits(), &platform::TickCount);
  PeerConnection connection(socket, &waits);
  std::optional<Outcome> outcome = request.outgoing
                                       ? CallerHandshake(connection, request, services.OwnUin())
                                       : CalledHandshake(connection, services);
  if (outcome) {
    waits.HandshakeDone(outcome->direction);
    services.AddTransfer(socket, outcome->peerUin, outcome->direction);
    const bool succeeded = outcome->direction == Send
                               ? services.SendFile(connection, outcome->peerUin)
                               : services.ReceiveFile(connection, outcome->peerUin);
    const std::optional<TaskInfo> entry = services.RemoveTransfer(socket);
    const bool fileKnown = entry && entry->HasFile();
    const bool stopped = (entry && entry->stopped) || services.Connections().Stopped();
    TransferReport report;
    report.direction = outcome->direction;
    report.peerUin = outcome->peerUin;
    report.file = fileKnown ? entry->fileName : "";
    report.bytes = entry ? entry->doneBytes : 0;
    report.outcome =
        JudgeTransfer(succeeded, stopped, outcome->direction, fileKnown, waits.AnswerCode());
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

// Takes a place in the services' connection set for `request`; false (the
// request refused) when there is none.
bool Admit(ConnectionRequest& request) {
  if (request.admitted) return true;
  if (!request.services->Connections().Enter()) {
    Refuse(request, *request.services);
    return false;
  }
  request.admitted = true;
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
    ConnectionSet& connections = services.Connections();
    Socket socket = request.socket;
    if (request.outgoing) {
      PeerAddress peer = services.PeerAddressOf(request.peerUin);
      socket = ConnectPeer(peer.ip, peer.port);
    }
    if (socket != platform::kInvalidSocket) {
      // Closed here, once, after it has left the set the stop button shuts
      // sockets down through.
      platform::SocketHandle owned(socket);
      connections.Attach(socket);
      Serve(socket, request, services);
      connections.Detach(socket);
    }
    connections.Leave();
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
