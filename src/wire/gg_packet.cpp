#include "wire/gg_packet.h"

#include <algorithm>

#include "wire/le_bytes.h"

namespace kvel::wire {

std::optional<PacketView> DecodePacket(std::span<const uint8_t> packet) {
  if (packet.size() < kPacketHeaderSize) return std::nullopt;
  const size_t declared = ReadLe32(packet, 4);
  const size_t present = packet.size() - kPacketHeaderSize;
  return PacketView{ReadLe32(packet, 0),
                    packet.subspan(kPacketHeaderSize, std::min(declared, present))};
}

namespace {
// Offsets in a message to a user.
constexpr size_t kType = 0;
constexpr size_t kLength = 4;
constexpr size_t kRecipient = 8;
constexpr size_t kSequence = 12;
constexpr size_t kClass = 16;
}  // namespace

void EncodeSendMessageStart(std::span<uint8_t> packet, uint32_t recipient, uint32_t messageClass) {
  WriteLe32(packet, kType, kTypeSendMessage);
  WriteLe32(packet, kLength, static_cast<uint32_t>(packet.size() - kPacketHeaderSize));
  WriteLe32(packet, kRecipient, recipient);
  WriteLe32(packet, kSequence, 0);
  WriteLe32(packet, kClass, messageClass);
}

}  // namespace kvel::wire
