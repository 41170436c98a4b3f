#include "p2p/fall_back.h"

#include "p2p/reports.h"
#include "wire/dc_request.h"

namespace kvel::p2p {

using transfers::TransferHandle;
using transfers::TransferOutcome;
using Why = AwaitedCallBacks::Unanswered::Why;

void FallBack(ConnectionRequest& request, const std::string& failure) {
  ConnectionServices& services = *request.services;
  const uint32_t uin = request.peerUin;
  if (request.transfer.Read().stopped) {
    Unreached stopped{Unreached::Why::NoConnection, transfers::Send, uin, TransferOutcome::Stopped,
                      failure};
    EndUnreached(services, request.transfer, stopped);
    return;
  }
  // Awaited before the request leaves: the contact may call back at once.
  if (!services.CallBacks().Await(uin, std::move(request.transfer), failure)) return;
  if (!services.Connections().BeginReport()) return;
  const auto packet = wire::EncodeDcRequest(uin);
  services.SendPacket(packet);
  services.Connections().EndReport();
}

bool AwaitCallBack(uint32_t uin, std::shared_ptr<ConnectionServices> services) {
  TransferHandle transfer = services->Transfers().Begin(uin, transfers::Send);
  transfer.AwaitConnection(services->PeerName(uin));
  return services->CallBacks().Await(uin, std::move(transfer), std::string());
}

void EndUnanswered(ConnectionServices& services, AwaitedCallBacks::Unanswered unanswered) {
  Unreached unreached;
  unreached.peerUin = unanswered.uin;
  switch (unanswered.why) {
    case Why::TimedOut:
      unreached.reason = NoCallBack(unanswered.reason, services.Limits().callBackMs);
      break;
    case Why::PushedOut:
      unreached.reason = PushedOut(unanswered.reason);
      break;
    case Why::Stopped:
      unreached.outcome = TransferOutcome::Stopped;
      unreached.reason = unanswered.reason;
      break;
  }
  EndUnreached(services, unanswered.transfer, unreached);
}

}  // namespace kvel::p2p
