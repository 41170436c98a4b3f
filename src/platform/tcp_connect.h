// An outgoing TCP connection in one call: a new socket connected to
// `address` (network byte order) and `port`, blocking until the connection
// stands or fails.
#pragma once

#include <cstdint>

#include "platform/error.h"
#include "platform/socket_handle.h"

namespace kvel::platform {

// The connected socket; an empty handle when the socket cannot be created or
// the connection fails, the socket then closed and `error` (when given)
// naming the step ("socket" or "connect") and the platform's code.
SocketHandle ConnectTcp(uint32_t address, uint16_t port, Error* error = nullptr);

}  // namespace kvel::platform
