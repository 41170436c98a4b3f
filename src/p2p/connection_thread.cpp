#include <cstdint>
#include <optional>
#include <string>

#include "common/ipv4_address.h"
#include "p2p/connection.h"
#include "p2p/connection_set.h"
#include "p2p/connection_texts.h"
#include "p2p/direction.h"
#include "p2p/fall_back.h"
#include "p2p/handshake_steps.h"
#include "p2p/peer_connection.h"
#include "p2p/peer_waits.h"
#include "p2p/reports.h"
#include "platform/tcp_connect.h"
#include "platform/threads.h"
#include "wire/dc_request.h"
#include "wire/peer_state.h"

namespace kvel::p2p {
namespace {

using platform::Socket;
using transfers::Transfer;
using transfers::TransferHandle;
using transfers::TransferOutcome;
using transfers::TransferReport;

void ConnectionThread(void* raw) {
  std::unique_ptr<ConnectionRequest> request(static_cast<ConnectionRequest*>(raw));
  RunConnection(std::move(*request));
}

// This user's send: the click of "Wyślij plik" calls with code 2.
bool OwnSend(const ConnectionRequest& request) {
  return request.outgoing && request.directionCode == wire::kPushCode;
}

// Starts a thread for an admitted request. A send of this user's that gets
// none ends with its box; the place goes back with the request.
bool Spawn(ConnectionRequest request) {
  auto owned = std::make_unique<ConnectionRequest>(std::move(request));
  if (SpawnConnection(owned)) return true;
  if (OwnSend(*owned)) {
    EndUnreached(*owned->services, owned->transfer,
                 {Unreached::Why::NoConnection, transfers::Send, owned->peerUin,
                  TransferOutcome::Failed, "no thread"});
  }
  return false;
}

// What the handshake's agreement makes of the connection's place. A peer's
// connection counts against its number until this side answers its offer;
// one that answers a call-back this user asked for becomes the user's own
// and carries on the send that waited for it. False when the connection
// must close.
bool PlaceAgreed(ConnectionRequest& request, const Handshake& outcome, bool callBack,
                 TransferHandle& awaited, PeerConnection& connection) {
  ConnectionServices& services = *request.services;
  ConnectionSet::Place& place = request.place;
  if (callBack) {
    place.BecomeOwn();
    if (awaited) {
      request.transfer.DetachSocket();
      request.transfer = std::move(awaited);  // the connection's own ends unlisted
      request.transfer.AttachSocket(connection.Socket());
    }
    return true;
  }
  if (OwnSend(request)) return true;
  if (place.ForCallBack()) {
    Report(services, text::kLogNotForCallBack + std::to_string(connection.Socket()));
    return false;
  }
  if (!place.Claim(outcome.peerUin)) {
    Report(services, text::kLogTooManyOfNumber + std::to_string(outcome.peerUin));
    return false;
  }
  connection.BeforeNextWrite([&place] { place.Settle(); });
  return true;
}

// Sets the socket up, runs the handshake and the transfer, and ends the
// transfer's record with its outcome; the socket stays open for the caller
// to close. For an outgoing connection whose handshake failed, says why
// (the transfer is then left to the caller); otherwise empty.
std::string Serve(Socket socket, ConnectionRequest& request, ConnectionServices& services) {
  // An accepted socket inherits nothing useful from the non-blocking
  // listening socket: every option is set here, results ignored.
  platform::SetNonBlocking(socket, false);
  platform::SetKeepAlive(socket);
  platform::SetLinger(socket, 3);
  PeerWaits waits(socket, services.Limits(), &platform::TickCount);
  PeerConnection connection(socket, &waits);
  bool callBack = false;
  TransferHandle awaited;
  const Handshake outcome =
      request.outgoing
          ? CallPeer(connection, services.OwnUin(), request.peerUin, request.directionCode)
          : AnswerPeer(connection, [&](uint32_t caller) {
              callBack = services.CallBacks().Take(caller, &awaited);
              return callBack;
            });
  if (outcome.result == Handshake::Result::UnaskedCallBack)
    Report(services, text::kLogUnaskedCallBack + std::to_string(outcome.peerUin));
  if (outcome.result != Handshake::Result::Agreed) {
    if (request.outgoing) return waits.TimedOut() ? "handshake timed out" : "handshake failed";
    if (waits.TimedOut()) Report(services, text::kLogPeerTooSlow + std::to_string(socket));
    return {};
  }
  if (!PlaceAgreed(request, outcome, callBack, awaited, connection)) return {};
  TransferHandle& transfer = request.transfer;
  waits.HandshakeDone(outcome.direction);
  // The host is asked for the name once, with no lock held.
  transfer.Agree(outcome.peerUin, services.PeerName(outcome.peerUin), outcome.direction);
  bool succeeded = false;
  if (outcome.direction == transfers::Send) {
    // The files chosen after the first each go over a connection of their
    // own, to the same contact.
    const uint32_t peerUin = outcome.peerUin;
    std::shared_ptr<ConnectionServices> shared = request.services;
    const transfers::FurtherFiles further = [peerUin, shared](std::vector<std::string> paths) {
      SendFurther(peerUin, std::move(paths), shared);
    };
    succeeded = services.SendFile(connection, transfer, further);
  } else {
    // Where the GG server says the claimed contact is, against where this
    // connection comes from (for one this side made: where it went).
    transfers::OfferOrigin origin;
    origin.remoteAddress = platform::RemoteAddress(socket);
    origin.announcedAddress = services.PeerAddressOf(outcome.peerUin).ip;
    origin.answersOwnCallBack = callBack;
    succeeded = services.ReceiveFile(connection, transfer, origin);
  }
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
  report.outcome = transfers::JudgeTransfer(succeeded, facts.stopped, outcome.direction, fileKnown,
                                            waits.AnswerCode());
  report.note = facts.note;
  report.room = facts.room;
  report.takenWithoutAsking = facts.takenWithoutAsking;
  transfer.End(report.outcome);
  ReportEnded(services, report);
  if (waits.TimedOut()) Report(services, text::kLogPeerTooSlow + std::to_string(socket));
  return {};
}

// A connection that gets no place: an accepted socket is closed at once, a
// peer is not called, and a send of this user's ends with its box.
void Refuse(ConnectionRequest& request, Refusal refusal) {
  ConnectionServices& services = *request.services;
  if (request.outgoing) {
    request.transfer.End(TransferOutcome::Failed);
    Report(services, text::kLogTooManyNotCalled + std::to_string(request.peerUin));
    if (OwnSend(request) && services.Connections().BeginReport()) {
      services.TellUnreached({Unreached::Why::NoPlace, transfers::Send, request.peerUin,
                              TransferOutcome::Failed, "too many connections"});
      services.Connections().EndReport();
    }
    return;
  }
  if (refusal == Refusal::Address) {
    Report(services,
           text::kLogTooManyFromAddress + AddressText(platform::RemoteAddress(request.socket)));
  } else {
    Report(services, text::kLogTooManyClosed + std::to_string(request.socket));
  }
  platform::CloseSocket(request.socket);
}

// Begins the request's transfer and takes a place in the services'
// connection set for it; false (the request refused) when there is no
// place. This user's send is listed from its beginning, as waiting for a
// connection.
bool Admit(ConnectionRequest& request) {
  ConnectionServices& services = *request.services;
  if (!request.transfer) {
    // An accepted connection receives until its handshake says otherwise.
    const std::optional<transfers::TransferDirection> direction =
        request.outgoing ? DirectionFor(Side::Caller, request.directionCode) : std::nullopt;
    request.transfer = services.Transfers().Begin(request.outgoing ? request.peerUin : 0,
                                                  direction.value_or(transfers::Receive));
    if (OwnSend(request)) request.transfer.AwaitConnection(services.PeerName(request.peerUin));
  }
  if (request.place) return true;
  Refusal refusal = Refusal::None;
  ConnectionSet& set = services.Connections();
  if (OwnSend(request)) {
    request.place = set.EnterOwn(&refusal);
  } else if (request.outgoing) {
    request.place = set.EnterCallBack(request.peerUin, &refusal);
  } else {
    request.place = set.EnterCall(platform::RemoteAddress(request.socket),
                                  services.CallBacks().Any(), &refusal);
  }
  if (request.place) return true;
  Refuse(request, refusal);
  return false;
}

// Connects an outgoing request to its peer's address in the peer table;
// says why when it cannot.
Socket Connect(ConnectionRequest& request, std::string* failure) {
  ConnectionServices& services = *request.services;
  const PeerAddress peer = services.PeerAddressOf(request.peerUin);
  if (peer.ip == 0) {
    *failure = "no address";
    return platform::kInvalidSocket;
  }
  const uint32_t limitMs = services.Limits().connectMs;
  const TransferHandle& transfer = request.transfer;
  platform::Error error;
  platform::SocketHandle socket = services.Connect(
      peer.ip, peer.port, limitMs, [&transfer] { return transfer.Read().stopped; }, &error);
  if (!socket.Valid()) *failure = ConnectFailure(error, platform::TimedOutCode(), limitMs);
  return socket.Release();
}

}  // namespace

platform::SocketHandle ConnectionServices::Connect(uint32_t address, uint16_t port,
                                                   uint32_t limitMs,
                                                   const std::function<bool()>& givenUp,
                                                   platform::Error* error) {
  return platform::ConnectTcpWithin(address, port, limitMs, givenUp, error);
}

void RunConnection(ConnectionRequest request) {
  ConnectionServices& services = *request.services;
  if (Admit(request)) {
    Socket socket = request.socket;
    std::string failure;  // why an outgoing connection came to nothing
    if (request.outgoing) socket = Connect(request, &failure);
    if (socket != platform::kInvalidSocket) {
      // Closed here, once, after it has left the record the stop button
      // shuts it down through.
      platform::SocketHandle owned(socket);
      request.transfer.AttachSocket(socket);
      failure = Serve(socket, request, services);
      request.transfer.DetachSocket();
    }
    if (!failure.empty() && OwnSend(request)) {
      FallBack(request, failure);
    } else if (!failure.empty()) {
      EndUnreached(services, request.transfer,
                   {Unreached::Why::NoConnection, transfers::Receive, request.peerUin,
                    TransferOutcome::Failed, failure});
    }
    // One that never got as far as the handshake's agreement ends unlisted.
    request.transfer.End(TransferOutcome::Failed);
    request.place.Leave();
    // The place is free, and the turn of the send that ended here: a send
    // that waits for either may start.
    services.Sends().ConnectionLeft(request.transfer.Id());
  }
  services.Ended();
}

bool SpawnConnection(std::unique_ptr<ConnectionRequest>& request) {
  if (!platform::SpawnDetachedThread(&ConnectionThread, request.get())) return false;
  request.release();  // the thread owns it now
  return true;
}

bool StartOutgoing(uint32_t uin, uint32_t directionCode,
                   std::shared_ptr<ConnectionServices> services, TransferHandle transfer) {
  ConnectionRequest request;
  request.outgoing = true;
  request.peerUin = uin;
  request.directionCode = directionCode;
  request.services = std::move(services);
  request.transfer = std::move(transfer);
  if (!Admit(request)) return false;
  return Spawn(std::move(request));
}

bool StartTurn(uint32_t uin, TransferHandle& transfer,
               std::shared_ptr<ConnectionServices> services) {
  const std::string contact = transfer.Read().contact;
  const PeerAddress peer = services->PeerAddressOf(uin);
  if (peer.ip != 0 && wire::PeerStateOf(peer.port) == wire::kAskToCall) {
    // Awaited before the request leaves: the contact may call back at once.
    transfer.AwaitConnection(contact);
    if (!services->CallBacks().Await(uin, std::move(transfer), std::string())) return true;
    if (!services->Connections().BeginReport()) return true;
    const auto packet = wire::EncodeDcRequest(uin);
    services->SendPacket(packet);
    services->Connections().EndReport();
    return true;
  }
  ConnectionSet::Place place = services->Connections().EnterOwn();
  if (!place) return false;
  transfer.AwaitConnection(contact);
  ConnectionRequest request;
  request.outgoing = true;
  request.peerUin = uin;
  request.directionCode = wire::kPushCode;
  request.place = std::move(place);
  request.services = std::move(services);
  request.transfer = std::move(transfer);
  Spawn(std::move(request));
  return true;
}

void StartIncoming(Socket socket, std::shared_ptr<ConnectionServices> services) {
  ConnectionRequest request;
  request.socket = socket;
  request.services = std::move(services);
  if (!Admit(request)) return;
  if (!Spawn(std::move(request))) platform::CloseSocket(socket);
}

}  // namespace kvel::p2p
