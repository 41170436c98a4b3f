// The code-3 branch of a connection: whether a caller takes a wait this
// user has for the contact it claims (AwaitedCallBacks), judged by where it
// calls from (CallBackCaller) and, where that leaves it unsure, by the
// user's answer (ForeignCallBacks). Decided before anything is offered.
#pragma once

#include <cstdint>

#include "p2p/admission/awaited_call_backs.h"
#include "p2p/admission/foreign_call_backs.h"
#include "transfers/registry/transfer_registry.h"

namespace kvel::p2p {

enum class CallBackTaken {
  Taken,       // the oldest wait for the contact is the caller's now
  Unasked,     // no call-back is awaited from the claimed contact
  Stranger,    // from elsewhere than the contact's announced address: refused
  NotAllowed,  // from elsewhere, and the user did not let it (or did not answer in time)
};

// The caller claiming `caller` at `remote`, whose contact the GG server
// announced at `announced`, takes the oldest wait for it into `awaited`
// only when Taken; otherwise every wait stays for the real call-back. A
// question about the contact that is open already is waited for at most
// `waitMs`.
CallBackTaken TakeCallBack(AwaitedCallBacks& callBacks, ForeignCallBacks& foreign, uint32_t caller,
                           uint32_t remote, uint32_t announced, uint32_t waitMs,
                           transfers::TransferHandle* awaited);

}  // namespace kvel::p2p
