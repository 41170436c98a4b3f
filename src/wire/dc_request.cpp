#include "wire/dc_request.h"

namespace kvel::gg {

std::array<uint8_t, kDcRequestSize> PackDcRequest(uint32_t uin) {
  std::array<uint8_t, kDcRequestSize> packet{};
  const uint32_t words[] = {kSendMessageType, kDcRequestSize - 8, uin, 0, kDcRequestClass};
  for (size_t w = 0; w < 5; ++w) {
    for (size_t b = 0; b < 4; ++b) packet[4 * w + b] = static_cast<uint8_t>(words[w] >> (8 * b));
  }
  packet[20] = kDcRequestByte;
  return packet;
}

}  // namespace kvel::gg
