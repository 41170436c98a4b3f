// Starting direct connections: each runs on a ConnectionThread of its own
// from the first byte to the close (handshake, transfer, close).
#pragma once

#include <cstdint>

#include "platform/sockets.h"

namespace kvel::p2p {

// Direction codes sent by the calling side.
inline constexpr uint32_t kPushCode = 2;  // the caller sends a file
inline constexpr uint32_t kPullCode = 3;  // the caller asks for a file

// Calls `uin` at its address in UserDB; true when the thread started.
bool StartOutgoing(uint32_t uin, uint32_t directionCode);
// Takes over a socket the listener accepted; closes it when no thread starts.
void StartIncoming(platform::Socket socket);

}  // namespace kvel::p2p
