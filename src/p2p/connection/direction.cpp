#include "p2p/connection/direction.h"

#include "wire/handshake.h"

namespace kvel::p2p {

using transfers::Receive;
using transfers::Send;
using transfers::TransferDirection;

std::optional<TransferDirection> DirectionFor(Side side, uint32_t code) {
  // Push: the caller sends. Pull: the called side sends.
  if (code == wire::kPushCode) return side == Side::Caller ? Send : Receive;
  if (code == wire::kPullCode) return side == Side::Caller ? Receive : Send;
  return std::nullopt;
}

}  // namespace kvel::p2p
