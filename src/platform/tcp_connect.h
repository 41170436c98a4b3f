// An outgoing TCP connection in one call: a new socket connected to
// `address` (network byte order) and `port`.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/error.h"
#include "platform/socket_handle.h"

namespace kvel::platform {

// How often a connection under way looks whether it was given up.
inline constexpr uint32_t kConnectCheckMs = 100;

// The connected socket within `limitMs`; an empty handle when the socket
// cannot be created or the connection fails, the socket then closed and
// `error` (when given) naming the step ("socket" or "connect") and the
// platform's code. A connection that has not stood by then fails with the
// code TimedOutCode(), and one that `givenUp` (asked every kConnectCheckMs)
// calls off fails with the code 0. The socket it returns blocks.
SocketHandle ConnectTcpWithin(uint32_t address, uint16_t port, uint32_t limitMs,
                              const std::function<bool()>& givenUp, Error* error = nullptr);

}  // namespace kvel::platform
