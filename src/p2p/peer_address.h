// Where a peer takes direct connections: the peer table's entry, looked up
// when a connection is made.
#pragma once

#include <cstdint>

#include "gg/peer_address.h"

namespace kvel::p2p {

using gg::PeerAddress;

// The address and port the peer table holds for `uin`; {0, 0} for a peer it
// does not know.
inline PeerAddress LookUpPeerAddress(uint32_t uin) {
  return gg::LookupPeerAddress(uin);
}

}  // namespace kvel::p2p
