// The two primitives every byte of a direct connection goes through.
#pragma once

#include "platform/sockets.h"

namespace kvel::p2p {

// One receive with no flags: the count received (fewer than asked is
// normal), 0 when the peer closed, negative on error or when the peer took
// longer than its connection allows (PeerWaits). Never loops.
int SocketRead(platform::Socket socket, void* buffer, int count);
// One send with no flags: the count sent, or negative on error. Never loops.
int SocketWrite(platform::Socket socket, const void* data, int count);

}  // namespace kvel::p2p
