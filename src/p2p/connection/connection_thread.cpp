#include <cstdint>
#include <optional>
#include <string>

#include "common/ipv4_address.h"
#include "p2p/admission/call_back_taking.h"
#include "p2p/connection/connection_thread.h"
#include "p2p/admission/connection_set.h"
#include "p2p/connection/connection_texts.h"
#include "p2p/connection/direction.h"
#include "p2p/connection/handshake_steps.h"
#include "p2p/connection/peer_connection.h"
#include "p2p/connection/peer_waits.h"
#include "p2p/connection/reports.h"
#include "platform/tcp_connect.h"
#include "platform/threads/worker.h"
#include "wire/handshake.h"

namespace kvel::p2p {
namespace {

using platform::Socket;
using transfers::TransferHandle;
using transfers::TransferOutcome;

// This user's send: the click of "Wyślij plik" calls with code 2.
bool OwnSend(const ConnectionRequest& request) {
  return request.outgoing && request.directionCode == wire::kPushCode;
}

// Whether the code-3 caller claiming `caller`, at `remote`, takes a wait
// of that contact into `awaited`; a stranger's refusal is logged here, with
// `refused` set.
bool AnswersCallBack(ConnectionServices& services, uint32_t caller, uint32_t remote,
                     uint32_t waitMs, TransferHandle* awaited, bool* refused) {
  const uint32_t announced = services.peers.PeerAddressOf(caller).ip;
  const CallBackTaken taken = TakeCallBack(services.callBacks, services.foreign, caller, remote,
                                           announced, waitMs, awaited);
  if (taken == CallBackTaken::Stranger || taken == CallBackTaken::NotAllowed) {
    *refused = true;
    const std::string who = text::kLogPeer + std::to_string(caller) + text::kLogFrom +
                            AddressText(remote) + text::kLogAnnounced + AddressText(announced);
    Report(services, (taken == CallBackTaken::Stranger ? text::kLogStrangerCallBack
                                                       : text::kLogForeignCallBackRefused) +
                         who);
  }
  return taken == CallBackTaken::Taken;
}

// What the handshake's agreement makes of the connection's place. A peer's
// connection counts against its number until this side answers its offer,
// but only when it comes from that contact's announced address: a stranger
// claiming the number counts against its own address alone. One that
// answers a call-back this user asked for becomes the user's own and
// carries on the send that waited for it. False when the connection must
// close.
bool PlaceAgreed(ConnectionRequest& request, const Handshake& outcome, bool callBack,
                 bool fromAnnounced, TransferHandle& awaited, PeerConnection& connection) {
  ConnectionServices& services = *request.services;
  ConnectionSet::Place& place = request.place;
  // A place kept for the user's own sends is only for the awaited contact
  // itself, from its announced address.
  if (place.ForCallBack() && !(callBack && fromAnnounced)) {
    Report(services, text::kLogNotForCallBack + std::to_string(connection.Socket()));
    return false;
  }
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
  if (fromAnnounced && !place.CountAgainstNumber(outcome.uin)) {
    Report(services, text::kLogTooManyOfNumber + std::to_string(outcome.uin));
    return false;
  }
  connection.BeforeNextWrite([&place] { place.EndPending(); });
  return true;
}

// Sets the socket up, runs the handshake and the transfer, and ends the
// transfer's record with its outcome; the socket stays open for the caller
// to close. For an outgoing connection whose handshake failed, says why
// (the transfer is then left to the caller); otherwise empty.
std::string HandshakeAndTransfer(Socket socket, ConnectionRequest& request,
                                 ConnectionServices& services) {
  // An accepted socket inherits nothing useful from the non-blocking
  // listening socket: every option is set here, results ignored.
  platform::SetNonBlocking(socket, false);
  platform::SetKeepAlive(socket);
  platform::SetLinger(socket, 3);
  PeerWaits waits(socket, services.limits, services.clock);
  PeerConnection connection(socket, &waits, services.clock);
  const uint32_t remote = platform::RemoteAddress(socket);
  bool callBack = false;
  bool refused = false;  // a stranger's call-back, told already
  TransferHandle awaited;
  const Handshake outcome =
      request.outgoing
          ? CallPeer(connection, services.peers.OwnUin(), request.uin, request.directionCode)
          : AnswerPeer(connection, [&](uint32_t caller) {
              callBack = AnswersCallBack(services, caller, remote, waits.PhaseLeftMs(), &awaited,
                                         &refused);
              return callBack;
            });
  if (outcome.result == Handshake::Result::UnaskedCallBack && !refused)
    Report(services, text::kLogUnaskedCallBack + std::to_string(outcome.uin));
  if (outcome.result != Handshake::Result::Agreed) {
    if (request.outgoing) return waits.TimedOut() ? "handshake timed out" : "handshake failed";
    if (waits.TimedOut()) Report(services, text::kLogPeerTooSlow + std::to_string(socket));
    return {};
  }
  // Where the GG server says the claimed contact is, against where this
  // connection comes from (for one this side made: where it went).
  const uint32_t announced = services.peers.PeerAddressOf(outcome.uin).ip;
  const bool fromAnnounced = announced != 0 && remote == announced;
  if (!PlaceAgreed(request, outcome, callBack, fromAnnounced, awaited, connection)) return {};
  TransferHandle& transfer = request.transfer;
  waits.HandshakeDone(outcome.direction);
  // The host is asked for the name once, with no lock held.
  transfer.Agree(outcome.uin, services.peers.PeerName(outcome.uin), outcome.direction);
  bool succeeded = false;
  if (outcome.direction == transfers::Send) {
    // The files chosen after the first each go over a connection of their
    // own, to the same contact.
    const transfers::FurtherFiles further =
        [uin = outcome.uin, &onward = services.onward](std::vector<std::string> paths) {
          onward.SendFurther(uin, std::move(paths));
        };
    succeeded = services.files.SendFile(connection, transfer, further);
  } else {
    const transfers::OfferOrigin origin{remote, announced, callBack};
    succeeded = services.files.ReceiveFile(connection, transfer, origin);
  }
  // How it ended is judged, and reported, from the transfer's own record.
  transfers::Transfer report = transfer.Read();
  report.direction = outcome.direction;
  report.uin = outcome.uin;
  // The log names the offset the transfer went on from (also one the
  // sender could not go on from) and counts this connection's bytes.
  report.offset = waits.AnswerOffset().value_or(report.offset);
  report.outcome = transfers::JudgeTransfer(succeeded, report.stopped, outcome.direction,
                                            !report.path.empty(), waits.AnswerCode());
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
    Report(services, text::kLogTooManyNotCalled + std::to_string(request.uin));
    if (OwnSend(request)) {
      const Unreached unreached{Unreached::Why::NoPlace, transfers::Send, request.uin,
                                TransferOutcome::Failed, "too many connections"};
      services.connections.Reporting([&] { services.telling.TellUnreached(unreached); });
    }
    return;
  }
  const Socket socket = request.socket.Get();
  Report(services, refusal == Refusal::Address
                       ? text::kLogTooManyFromAddress + AddressText(platform::RemoteAddress(socket))
                       : text::kLogTooManyClosed + std::to_string(socket));
  request.socket.Reset();
}

// Whether a call-back is awaited from a contact the GG server announced at
// `remote`: only such a caller may take a place kept for the user's own.
bool AwaitedFrom(ConnectionServices& services, uint32_t remote) {
  if (remote == 0) return false;
  for (uint32_t uin : services.callBacks.Contacts()) {
    if (services.peers.PeerAddressOf(uin).ip == remote) return true;
  }
  return false;
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
    request.transfer = services.transfers.Begin(request.outgoing ? request.uin : 0,
                                                direction.value_or(transfers::Receive));
    if (OwnSend(request))
      request.transfer.Await(transfers::Awaits::Connection, services.peers.PeerName(request.uin));
  }
  if (request.place) return true;
  Refusal refusal = Refusal::None;
  ConnectionSet& set = services.connections;
  if (OwnSend(request)) {
    request.place = set.EnterOwn(&refusal);
  } else if (request.outgoing) {
    request.place = set.EnterCallBack(request.uin, &refusal);
  } else {
    const uint32_t remote = platform::RemoteAddress(request.socket.Get());
    request.place = set.EnterCall(remote, AwaitedFrom(services, remote), &refusal);
  }
  if (request.place) return true;
  Refuse(request, refusal);
  return false;
}

// Connects an outgoing request to its peer's address in the peer table;
// says why when it cannot.
platform::SocketHandle Connect(ConnectionRequest& request, std::string* failure) {
  ConnectionServices& services = *request.services;
  const PeerAddress peer = services.peers.PeerAddressOf(request.uin);
  if (peer.ip == 0) {
    *failure = "no address";
    return {};
  }
  const uint32_t limitMs = services.limits.connectMs;
  const TransferHandle& transfer = request.transfer;
  platform::Error error;
  const std::function<bool()> givenUp = [&transfer] { return transfer.Read().stopped; };
  platform::SocketHandle socket =
      services.dialer != nullptr
          ? services.dialer->Connect(peer.ip, peer.port, limitMs, givenUp, &error)
          : platform::ConnectTcpWithin(peer.ip, peer.port, limitMs, givenUp, &error);
  if (!socket.Valid()) *failure = ConnectFailure(error, platform::TimedOutCode(), limitMs);
  return socket;
}

}  // namespace

void RunConnection(ConnectionRequest request) {
  ConnectionServices& services = *request.services;
  if (Admit(request)) {
    platform::SocketHandle socket = std::move(request.socket);
    std::string failure;  // why an outgoing connection came to nothing
    if (request.outgoing) socket = Connect(request, &failure);
    if (socket.Valid()) {
      request.transfer.AttachSocket(socket.Get());
      failure = HandshakeAndTransfer(socket.Get(), request, services);
      request.transfer.DetachSocket();
      // Closed here, once, after it has left the record the stop button
      // shuts it down through.
      socket.Reset();
    }
    if (!failure.empty() && OwnSend(request)) {
      services.onward.FallBack(request, failure);
    } else if (!failure.empty()) {
      EndUnreached(services, request.transfer,
                   {Unreached::Why::NoConnection, transfers::Receive, request.uin,
                    TransferOutcome::Failed, failure});
    }
    // One that never got as far as the handshake's agreement ends unlisted.
    request.transfer.End(TransferOutcome::Failed);
    request.place.Leave();
    // The place is free, and the turn of the send that ended here: a send
    // that waits for either may start.
    services.onward.ConnectionLeft(request.transfer.Id());
  }
  if (services.ended) services.ended();
}

bool StartConnection(ConnectionRequest request) {
  auto owned = std::make_unique<ConnectionRequest>(std::move(request));
  ConnectionRequest* handed = owned.get();
  // Its own life: the thread holds the module until the connection is done.
  if (platform::Worker::StartDetached(
          [handed] { RunConnection(std::move(*std::unique_ptr<ConnectionRequest>(handed))); })) {
    owned.release();  // the thread owns it now
    return true;
  }
  if (OwnSend(*owned)) {
    EndUnreached(*owned->services, owned->transfer,
                 {Unreached::Why::NoConnection, transfers::Send, owned->uin,
                  TransferOutcome::Failed, "no thread"});
  }
  return false;
}

bool StartOutgoing(uint32_t uin, uint32_t directionCode,
                   std::shared_ptr<ConnectionServices> services, TransferHandle transfer,
                   ConnectionSet::Place place) {
  ConnectionRequest request{.outgoing = true,
                            .uin = uin,
                            .directionCode = directionCode,
                            .place = std::move(place),
                            .services = std::move(services),
                            .transfer = std::move(transfer)};
  return Admit(request) && StartConnection(std::move(request));
}

void StartIncoming(Socket socket, std::shared_ptr<ConnectionServices> services) {
  ConnectionRequest request{.socket = platform::SocketHandle(socket),
                            .services = std::move(services)};
  // A request refused, or without a thread, closes its socket as it goes.
  if (Admit(request)) StartConnection(std::move(request));
}

}  // namespace kvel::p2p
