// Call-backs this user asked contacts for: a contact that cannot be reached
// is asked by GG message to connect here and pull the file (code 3). Such a
// connection is served only while its request is awaited.
#pragma once

#include <cstdint>

#include "gg/recent_requests.h"

namespace kvel::p2p {

// Awaited call-backs by the contact's number (limits in connection_limits.h).
using CallBackRequests = gg::RecentRequests<uint32_t>;

}  // namespace kvel::p2p
