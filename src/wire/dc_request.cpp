#include "wire/dc_request.h"

#include "wire/gg_packet.h"
#include "wire/received_message.h"

namespace kvel::wire {
std::array<uint8_t, kDcRequestSize> EncodeDcRequest(uint32_t uin) {
  std::array<uint8_t, kDcRequestSize> packet{};
  EncodeSendMessageStart(packet, uin, kClassCallBack);
  packet[kSendMessageText] = kDcRequestByte;
  return packet;
}

bool IsDcRequestText(std::span<const uint8_t> text) {
  return !text.empty() && text[0] == kDcRequestByte;
}

}  // namespace kvel::wire
