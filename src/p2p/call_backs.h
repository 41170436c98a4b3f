// Call-backs this user asked contacts for: a contact that cannot be reached
// is asked by GG message to connect here and pull the file (code 3). Such a
// connection is served only while its request is awaited.
#pragma once

#include <cstdint>

#include "gg/recent_requests.h"

namespace kvel::p2p {

using CallBackRequests = gg::RecentRequests<uint32_t>;

// The process-wide table of awaited call-backs by the contact's number, on
// the platform's tick (limits in connection_limits.h).
CallBackRequests& AwaitedCallBacks();

}  // namespace kvel::p2p
