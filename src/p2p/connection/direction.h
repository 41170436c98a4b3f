// Which way a direct connection's file goes, from the handshake's direction
// code and the side this end plays.
#pragma once

#include <cstdint>
#include <optional>

#include "transfers/registry/transfer.h"

namespace kvel::p2p {

enum class Side { Caller, Called };
// Which way the file goes for this side under a direction code; nothing for
// a code other than 2 and 3.
std::optional<transfers::TransferDirection> DirectionFor(Side side, uint32_t code);

}  // namespace kvel::p2p
