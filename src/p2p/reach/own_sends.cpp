#include "p2p/reach/own_sends.h"

#include <string>
#include <utility>
#include <vector>

#include "p2p/reach/reach_texts.h"
#include "p2p/connection/connection_thread.h"
#include "p2p/connection/reports.h"
#include "wire/dc_request.h"
#include "wire/handshake.h"
#include "wire/peer_state.h"

namespace kvel::p2p {

using transfers::TransferHandle;
using transfers::TransferOutcome;

namespace {

// A send of this user's to `uin`, named `contact`, listed as waiting its
// turn from its beginning.
TransferHandle BeginSend(ConnectionServices& services, uint32_t uin, const std::string& contact) {
  TransferHandle transfer = services.transfers.Begin(uin, transfers::Send);
  transfer.Await(transfers::Awaits::Turn, contact);
  return transfer;
}

}  // namespace

bool StartSend(uint32_t uin, SendQueue& sends, std::shared_ptr<ConnectionServices> services) {
  TransferHandle transfer = BeginSend(*services, uin, services->peers.PeerName(uin));
  if (!sends.Enter(uin, transfer)) return true;
  transfer.Await(transfers::Awaits::Connection, transfer.Read().contact);
  return StartOutgoing(uin, wire::kPushCode, std::move(services), std::move(transfer));
}

void AwaitCallBack(uint32_t uin, SendQueue& sends, ConnectionServices& services) {
  TransferHandle transfer = BeginSend(services, uin, services.peers.PeerName(uin));
  if (!sends.Enter(uin, transfer)) return;
  transfer.Await(transfers::Awaits::Connection, transfer.Read().contact);
  AskToCallBack(services, uin, std::move(transfer), std::string());
}

void SendFurther(uint32_t uin, std::vector<std::string> paths, SendQueue& sends,
                 std::shared_ptr<ConnectionServices> services) {
  const std::string contact = services->peers.PeerName(uin);
  for (std::string& path : paths) {
    TransferHandle transfer = BeginSend(*services, uin, contact);
    transfer.NameFile(std::move(path));
    if (sends.Enter(uin, transfer) && !StartTurn(uin, transfer, services))
      sends.GiveBack(uin, std::move(transfer));
  }
}

bool StartTurn(uint32_t uin, TransferHandle& transfer,
               std::shared_ptr<ConnectionServices> services) {
  const std::string contact = transfer.Read().contact;
  const PeerAddress peer = services->peers.PeerAddressOf(uin);
  if (peer.ip != 0 && wire::PeerStateOf(peer.port) == wire::kAskToCall) {
    transfer.Await(transfers::Awaits::Connection, contact);
    AskToCallBack(*services, uin, std::move(transfer), std::string());
    return true;
  }
  ConnectionSet::Place place = services->connections.EnterOwn();
  if (!place) return false;
  transfer.Await(transfers::Awaits::Connection, contact);
  StartOutgoing(uin, wire::kPushCode, std::move(services), std::move(transfer), std::move(place));
  return true;
}

void DropWaiting(ConnectionServices& services, uint32_t uin, TransferHandle transfer) {
  EndUnreached(services, transfer,
               {Unreached::Why::NoConnection, transfers::Send, uin, TransferOutcome::Stopped,
                text::kReasonStoppedWaiting});
}

void AskToCallBack(ConnectionServices& services, uint32_t uin, TransferHandle transfer,
                   std::string reason) {
  if (!services.callBacks.Await(uin, std::move(transfer), std::move(reason))) return;
  const auto packet = wire::EncodeDcRequest(uin);
  services.connections.Reporting([&] { services.telling.SendPacket(packet); });
}

}  // namespace kvel::p2p
