// The GG packet that asks a contact to open a direct connection to this side:
// a message (type 11) of class 16 whose whole text is the byte 2.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace kvel::wire {

inline constexpr size_t kDcRequestSize = 21;
inline constexpr uint8_t kDcRequestByte = 2;

// {11, 13, uin, sequence 0, class 16} and the byte 2, little-endian.
std::array<uint8_t, kDcRequestSize> EncodeDcRequest(uint32_t uin);
// True when the text of a received class-16 message asks for a direct
// connection: it starts with the byte 2 (what follows is not looked at).
bool IsDcRequestText(std::span<const uint8_t> text);

}  // namespace kvel::wire
