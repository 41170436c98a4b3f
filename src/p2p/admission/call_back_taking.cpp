#include "p2p/admission/call_back_taking.h"

#include "p2p/admission/call_back_caller.h"

namespace kvel::p2p {

CallBackTaken TakeCallBack(AwaitedCallBacks& callBacks, ForeignCallBacks& foreign, uint32_t caller,
                           uint32_t remote, uint32_t announced, uint32_t waitMs,
                           transfers::TransferHandle* awaited) {
  const uint64_t run = callBacks.RunOf(caller);
  if (run == 0) return CallBackTaken::Unasked;
  switch (JudgeCallBackCaller(remote, announced)) {
    case CallBackCaller::Contact:
      break;
    case CallBackCaller::Stranger:
      return CallBackTaken::Stranger;
    case CallBackCaller::Unsure:
      if (!foreign.Allowed(caller, remote, run, waitMs)) return CallBackTaken::NotAllowed;
      break;
  }
  return callBacks.Take(caller, awaited) ? CallBackTaken::Taken : CallBackTaken::Unasked;
}

}  // namespace kvel::p2p
