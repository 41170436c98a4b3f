// The fields of the outgoing GG login packet (type 21) that the plug-in reads
// and rewrites. Every other byte of the packet stays as the host built it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace kvel::wire {

// A packet shorter than this cannot carry the fields; it is passed on as is.
inline constexpr size_t kLoginMinimumLength = 37;

struct LoginFields {
  uint32_t uin = 0;           // own number: the low 24 bits of the first payload word
  uint32_t localAddress = 0;  // network byte order; 0 asks for a rewrite
  uint16_t localPort = 0;
  uint32_t externAddress = 0;  // network byte order
  uint16_t externPort = 0;
};

// The own number alone; nullopt when the packet is too short to hold it.
std::optional<uint32_t> DecodeLoginUin(std::span<const uint8_t> packet);
// Nullopt when `packet` (header included) is shorter than kLoginMinimumLength.
std::optional<LoginFields> DecodeLogin(std::span<const uint8_t> packet);
// Writes the four address fields at payload offsets 17 to 28 (the number is
// left alone: its top 8 bits are flags). False, writing nothing, when the
// packet is too short.
bool EncodeLoginAddresses(std::span<uint8_t> packet, const LoginFields& fields);

}  // namespace kvel::wire
