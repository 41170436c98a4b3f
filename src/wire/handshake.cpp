#include "wire/handshake.h"

#include <algorithm>

#include "wire/le_bytes.h"

namespace kvel::wire {

std::array<uint8_t, 8> EncodeCallerHello(uint32_t ownUin, uint32_t calledUin) {
  std::array<uint8_t, 8> hello{};
  WriteLe32(hello, 0, ownUin);
  WriteLe32(hello, kWordSize, calledUin);
  return hello;
}

bool IsAnswer(std::span<const uint8_t, 4> bytes) {
  return std::equal(bytes.begin(), bytes.end(), kAnswer.begin());
}

}  // namespace kvel::wire
