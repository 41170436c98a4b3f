#include "wire/handshake.h"

#include <algorithm>

#include "p2p/connection.h"

namespace kvel::p2p {

std::array<uint8_t, 4> EncodeWord(uint32_t value) {
  return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
          static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
}

uint32_t DecodeWord(std::span<const uint8_t, 4> bytes) {
  return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
         static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

std::array<uint8_t, 8> EncodeCallerHello(uint32_t ownUin, uint32_t calledUin) {
  std::array<uint8_t, 8> hello;
  std::array<uint8_t, 4> own = EncodeWord(ownUin);
  std::array<uint8_t, 4> called = EncodeWord(calledUin);
  std::copy(own.begin(), own.end(), hello.begin());
  std::copy(called.begin(), called.end(), hello.begin() + 4);
  return hello;
}

bool IsAnswer(std::span<const uint8_t, 4> bytes) {
  return std::equal(bytes.begin(), bytes.end(), kAnswer.begin());
}

std::optional<ui::TransferDirection> DirectionFor(Side side, uint32_t code) {
  // Push: the caller sends. Pull: the called side sends.
  if (code == kPushCode) return side == Side::Caller ? ui::Send : ui::Receive;
  if (code == kPullCode) return side == Side::Caller ? ui::Receive : ui::Send;
  return std::nullopt;
}

}  // namespace kvel::p2p
