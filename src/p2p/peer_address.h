// Where a peer takes direct connections, as the peer table knows it.
#pragma once

#include <cstdint>

namespace kvel::p2p {

struct PeerAddress {
  uint32_t ip = 0;    // IPv4, network byte order; 0 when unknown
  uint16_t port = 0;  // host byte order
};

// The address and port the peer table holds for `uin`; {0, 0} for a peer it
// does not know.
PeerAddress LookUpPeerAddress(uint32_t uin);

}  // namespace kvel::p2p
