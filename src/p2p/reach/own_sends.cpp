#include "p2p/reach/own_sends.h"

#include <string>
#include <utility>
#include <vector>

#include "p2p/connection/connection_texts.h"
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
  TransferHandle transfer = services.Transfers().Begin(uin, transfers::Send);
  transfer.AwaitTurn(contact);
  return transfer;
}

}  // namespace

bool StartSend(uint32_t uin, std::shared_ptr<ConnectionServices> services) {
  TransferHandle transfer = BeginSend(*services, uin, services->PeerName(uin));
  if (!services->Sends().Enter(uin, transfer)) return true;
  transfer.AwaitConnection(transfer.Read().contact);
  return StartOutgoing(uin, wire::kPushCode, std::move(services), std::move(transfer));
}

bool AwaitCallBack(uint32_t uin, std::shared_ptr<ConnectionServices> services) {
  TransferHandle transfer = BeginSend(*services, uin, services->PeerName(uin));
  if (!services->Sends().Enter(uin, transfer)) return false;
  transfer.AwaitConnection(transfer.Read().contact);
  return services->CallBacks().Await(uin, std::move(transfer), std::string());
}

void SendFurther(uint32_t uin, std::vector<std::string> paths,
                 std::shared_ptr<ConnectionServices> services) {
  const std::string contact = services->PeerName(uin);
  SendQueue& sends = services->Sends();
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
  StartConnection(std::move(request));
  return true;
}

void DropWaiting(ConnectionServices& services, uint32_t uin, TransferHandle transfer) {
  EndUnreached(services, transfer,
               {Unreached::Why::NoConnection, transfers::Send, uin, TransferOutcome::Stopped,
                text::kReasonStoppedWaiting});
}

}  // namespace kvel::p2p
