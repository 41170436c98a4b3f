// Where a peer takes direct connections: the peer table's entry, looked up
// when a connection is made.
#pragma once

#include <cstdint>

#include "gg/peer_address.h"

namespace kvel::p2p {

using gg::PeerAddress;

}  // namespace kvel::p2p
