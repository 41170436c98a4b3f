#include <optional>
#include <string>

#include "p2p/connection.h"
#include "p2p/connection_set.h"
#include "p2p/connection_texts.h"
#include "p2p/direction.h"
#include "p2p/peer_waits.h"
#include "p2p/socket_io.h"
#include "platform/tcp_connect.h"
#include "platform/threads.h"
#include "wire/handshake.h"

namespace kvel::p2p {
namespace {

using platform::Socket;

struct Outcome {
  uint32_t peerUin;
  ui::TransferDirection direction;
};

// Reads exactly `count` bytes; false when the connection ends or fails first.
bool ReadWhole(Socket socket, uint8_t* buffer, int count) {
  int done = 0;
  while (done < count) {
    int got = SocketRead(socket, buffer + done, count - done);
    if (got <= 0) return false;
    done += got;
  }
  return true;
}

std::optional<Outcome> CallerHandshake(Socket socket, const ConnectionRequest& request,
                                       uint32_t ownUin) {
  std::array<uint8_t, 8> hello = EncodeCallerHello(ownUin, request.peerUin);
  SocketWrite(socket, hello.data(), static_cast<int>(hello.size()));
  std::array<uint8_t, 4> answer;
  if (!ReadWhole(socket, answer.data(), 4) || !IsAnswer(answer)) return std::nullopt;
  std::optional<ui::TransferDirection> direction =
      DirectionFor(Side::Caller, request.directionCode);
  if (!direction) return std::nullopt;
  std::array<uint8_t, 4> code = EncodeWord(request.directionCode);
  SocketWrite(socket, code.data(), 4);
  return Outcome{request.peerUin, *direction};
}

// A log line; none once the plug-in is being unloaded (the host is not
// reached then).
void Log(const ConnectionEdges& edges, const std::string& line) {
  if (!edges.log || !edges.connections->BeginReport()) return;
  edges.log(line);
  edges.connections->EndReport();
}

std::optional<Outcome> CalledHandshake(Socket socket, const ConnectionEdges& edges) {
  std::array<uint8_t, 4> callerUin;
  std::array<uint8_t, 4> calledUin;  // read, never compared with our own
  std::array<uint8_t, 4> code;
  if (!ReadWhole(socket, callerUin.data(), 4) || !ReadWhole(socket, calledUin.data(), 4))
    return std::nullopt;
  SocketWrite(socket, kAnswer.data(), 4);
  if (!ReadWhole(socket, code.data(), 4)) return std::nullopt;
  std::optional<ui::TransferDirection> direction = DirectionFor(Side::Called, DecodeWord(code));
  if (!direction) return std::nullopt;
  const uint32_t caller = DecodeWord(callerUin);
  // Code 3 makes this side offer a file: only to a contact this user asked
  // for a call-back, calling under that contact's number.
  if (DecodeWord(code) == kPullCode && !edges.takeCallBack(caller)) {
    Log(edges, text::kLogUnaskedCallBack + std::to_string(caller));
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
  owned->edges->connections->Leave();
  return false;
}

// Logs every ended transfer; tells the user of the ones worth a box. Once
// the plug-in is being unloaded nothing is said.
void Tell(const ConnectionEdges& edges, const TransferReport& report) {
  Log(edges, TransferLogLine(report));
  if (!WorthTelling(report.outcome) || !edges.tellUser) return;
  if (!edges.connections->BeginReport()) return;
  edges.tellUser(report);
  edges.connections->EndReport();
}

// Sets the socket up, runs the handshake and the transfer; the socket stays
// open for the caller to close.
void Serve(Socket socket, const ConnectionRequest& request, const ConnectionEdges& edges) {
  // An accepted socket inherits nothing useful from the non-blocking
  // listening socket: every option is set here, results ignored.
  platform::SetNonBlocking(socket, false);
  platform::SetKeepAlive(socket);
  platform::SetLinger(socket, 3);
  PeerWaits waits(socket, edges.limits, &platform::TickCount);
  std::optional<Outcome> outcome = request.outgoing
                                       ? CallerHandshake(socket, request, edges.ownUin())
                                       : CalledHandshake(socket, edges);
  if (outcome) {
    waits.HandshakeDone(outcome->direction);
    edges.addTransfer(socket, outcome->peerUin, outcome->direction);
    const bool succeeded = outcome->direction == ui::Send
                               ? edges.sendFile(socket, outcome->peerUin)
                               : edges.receiveFile(socket, outcome->peerUin);
    const std::optional<ui::TaskInfo> entry = edges.removeTransfer(socket);
    const bool fileKnown = entry && entry->HasFile();
    const bool stopped = (entry && entry->stopped) || edges.connections->Stopped();
    TransferReport report;
    report.direction = outcome->direction;
    report.peerUin = outcome->peerUin;
    report.file = fileKnown ? entry->fileName : "";
    report.bytes = entry ? entry->doneBytes : 0;
    report.outcome =
        JudgeTransfer(succeeded, stopped, outcome->direction, fileKnown, waits.AnswerCode());
    Tell(edges, report);
  }
  if (waits.TimedOut()) Log(edges, text::kLogPeerTooSlow + std::to_string(socket));
}

// A connection over the cap: an accepted socket is closed at once, a peer is
// not called.
void Refuse(const ConnectionRequest& request, const ConnectionEdges& edges) {
  if (request.outgoing) {
    Log(edges, text::kLogTooManyNotCalled + std::to_string(request.peerUin));
  } else {
    Log(edges, text::kLogTooManyClosed + std::to_string(request.socket));
    platform::CloseSocket(request.socket);
  }
}

// Takes a place in the edges' connection set for `request`; false (the
// request refused) when there is none.
bool Admit(ConnectionRequest& request) {
  if (request.admitted) return true;
  if (!request.edges->connections->Enter()) {
    Refuse(request, *request.edges);
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
  const ConnectionEdges& edges = *request.edges;
  if (Admit(request)) {
    ConnectionSet& connections = *edges.connections;
    Socket socket = request.socket;
    if (request.outgoing) {
      PeerAddress peer = edges.peerAddress(request.peerUin);
      socket = ConnectPeer(peer.ip, peer.port);
    }
    if (socket != platform::kInvalidSocket) {
      // Closed here, once, after it has left the set the stop button shuts
      // sockets down through.
      platform::SocketHandle owned(socket);
      connections.Attach(socket);
      Serve(socket, request, edges);
      connections.Detach(socket);
    }
    connections.Leave();
  }
  if (edges.ended) edges.ended();
}

bool SpawnConnection(std::unique_ptr<ConnectionRequest>& request) {
  if (!platform::SpawnDetachedThread(&ConnectionThread, request.get())) return false;
  request.release();  // the thread owns it now
  return true;
}

bool StartOutgoing(uint32_t uin, uint32_t directionCode,
                   std::shared_ptr<const ConnectionEdges> edges) {
  ConnectionRequest request;
  request.outgoing = true;
  request.peerUin = uin;
  request.directionCode = directionCode;
  request.edges = std::move(edges);
  if (!Admit(request)) return false;
  return Spawn(std::move(request));
}

void StartIncoming(Socket socket, std::shared_ptr<const ConnectionEdges> edges) {
  ConnectionRequest request;
  request.socket = socket;
  request.edges = std::move(edges);
  if (!Admit(request)) return;
  if (!Spawn(std::move(request))) platform::CloseSocket(socket);
}

}  // namespace kvel::p2p
