// This user's sends as they enter their contact's line: the click, and the
// files chosen after the first.
#include <string>
#include <utility>
#include <vector>

#include "p2p/connection.h"
#include "p2p/connection_texts.h"
#include "p2p/reports.h"
#include "wire/handshake.h"

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

void DropWaiting(ConnectionServices& services, uint32_t uin, TransferHandle transfer) {
  EndUnreached(services, transfer,
               {Unreached::Why::NoConnection, transfers::Send, uin, TransferOutcome::Stopped,
                text::kReasonStoppedWaiting});
}

}  // namespace kvel::p2p
