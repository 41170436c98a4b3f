#include "p2p/call_backs.h"

#include "p2p/connection_limits.h"
#include "platform/threads.h"

namespace kvel::p2p {

CallBackRequests& AwaitedCallBacks() {
  static CallBackRequests requests(kMaxAwaitedCallBacks, kCallBackWaitMs, &platform::TickCount);
  return requests;
}

}  // namespace kvel::p2p
