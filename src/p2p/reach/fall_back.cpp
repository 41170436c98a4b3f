#include "p2p/reach/fall_back.h"

#include <vector>

#include "p2p/reach/reach_texts.h"
#include "p2p/connection/reports.h"
#include "p2p/reach/own_sends.h"

namespace kvel::p2p {

using transfers::TransferHandle;
using transfers::TransferOutcome;
using Why = AwaitedCallBacks::Unanswered::Why;

void FallBack(ConnectionRequest& request, const std::string& failure) {
  ConnectionServices& services = *request.services;
  const uint32_t uin = request.uin;
  if (request.transfer.Read().stopped) {
    Unreached stopped{Unreached::Why::NoConnection, transfers::Send, uin, TransferOutcome::Stopped,
                      failure};
    EndUnreached(services, request.transfer, stopped);
    return;
  }
  AskToCallBack(services, uin, std::move(request.transfer), failure);
}

void EndUnanswered(ConnectionServices& services, SendQueue& sends,
                   AwaitedCallBacks::Unanswered unanswered) {
  Unreached unreached;
  unreached.uin = unanswered.uin;
  // Taken out of the line before this send's turn frees, so that none of
  // them starts.
  std::vector<TransferHandle> notTried;
  switch (unanswered.why) {
    case Why::TimedOut:
      unreached.reason = NoCallBack(unanswered.reason, services.limits.callBackMs);
      notTried = sends.TakeWaiting(unanswered.uin);
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
  Unreached given = unreached;
  given.reason = std::string(text::kReasonNotTried) + unreached.reason;
  for (TransferHandle& transfer : notTried) EndUnreached(services, transfer, given);
}

}  // namespace kvel::p2p
