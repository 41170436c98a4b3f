// The GG packet frame: a little-endian 32-bit type, a 32-bit payload length
// and the payload. The payload view never reaches past the bytes that came
// with the packet, whatever the header's length says.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace kvel::wire {

inline constexpr size_t kPacketHeaderSize = 8;

// Where a field carries flags in its top 8 bits (the login's own number, a
// status entry's number), the GG number is its low 24 bits.
inline constexpr uint32_t kUinMask = 0x00FFFFFF;

// Packet types the plug-in sends.
inline constexpr uint32_t kTypeSendMessage = 11;  // a message to a user

// Packet types the hook reads.
inline constexpr uint32_t kTypeStatusChange = 15;  // one contact status entry
inline constexpr uint32_t kTypeReceivedMessage = 10;
inline constexpr uint32_t kTypeNotifyReply = 17;  // a list of status entries
inline constexpr uint32_t kTypeLogin = 21;

struct PacketView {
  uint32_t type = 0;
  // The payload: the header's length, cut at the end of the packet's bytes.
  std::span<const uint8_t> payload;
};

// Nullopt when the bytes cannot hold the 8-byte header.
std::optional<PacketView> DecodePacket(std::span<const uint8_t> packet);

// A message to a user, header included: type and payload length, then the
// recipient, sequence and message class, and from kSendMessageText the text
// and what follows it.
inline constexpr size_t kSendMessageText = 20;
// Writes the header (the payload is the rest of `packet`), the recipient,
// sequence 0 and the class; `packet` holds at least kSendMessageText bytes.
void EncodeSendMessageStart(std::span<uint8_t> packet, uint32_t recipient, uint32_t messageClass);

}  // namespace kvel::wire
