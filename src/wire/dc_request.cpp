#include "wire/dc_request.h"

#include "wire/gg_packet.h"
#include "wire/le_bytes.h"
#include "wire/received_message.h"

namespace kvel::gg {
namespace {
constexpr size_t kType = 0;
constexpr size_t kLength = 4;
constexpr size_t kRecipient = 8;
constexpr size_t kSequence = 12;
constexpr size_t kClass = 16;
constexpr size_t kText = 20;
}  // namespace

std::array<uint8_t, kDcRequestSize> EncodeDcRequest(uint32_t uin) {
  std::array<uint8_t, kDcRequestSize> packet{};
  wire::WriteLe32(packet, kType, kTypeSendMessage);
  wire::WriteLe32(packet, kLength, kDcRequestSize - kPacketHeaderSize);
  wire::WriteLe32(packet, kRecipient, uin);
  wire::WriteLe32(packet, kSequence, 0);
  wire::WriteLe32(packet, kClass, kClassCallBack);
  packet[kText] = kDcRequestByte;
  return packet;
}

}  // namespace kvel::gg
