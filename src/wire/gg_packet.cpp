#include "wire/gg_packet.h"

#include <algorithm>

#include "wire/le_bytes.h"

namespace kvel::gg {

std::optional<PacketView> DecodePacket(std::span<const uint8_t> packet) {
  if (packet.size() < kPacketHeaderSize) return std::nullopt;
  PacketView view;
  view.type = wire::ReadLe32(packet, 0);
  const size_t declared = wire::ReadLe32(packet, 4);
  const size_t present = packet.size() - kPacketHeaderSize;
  view.payload = packet.subspan(kPacketHeaderSize, std::min(declared, present));
  return view;
}

}  // namespace kvel::gg
