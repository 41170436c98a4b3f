// The handshake that opens every direct connection, as bytes (all numbers
// 32-bit little-endian words):
//   caller -> called: the caller's own GG number, then the number it calls
//                     (one 8-byte write)
//   called -> caller: "UDAG"
//   caller -> called: the direction code, 2 (push) or 3 (pull)
// Pure codec: byte spans in, values out.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "wire/word.h"

namespace kvel::wire {

inline constexpr std::array<uint8_t, 4> kAnswer = {0x55, 0x44, 0x41, 0x47};  // "UDAG"

// Direction codes sent by the calling side.
inline constexpr uint32_t kPushCode = 2;  // the caller sends a file
inline constexpr uint32_t kPullCode = 3;  // the caller asks for a file

// The caller's first write: its own number, then the called number.
std::array<uint8_t, 8> EncodeCallerHello(uint32_t ownUin, uint32_t calledUin);
// True only for exactly "UDAG".
bool IsAnswer(std::span<const uint8_t, 4> bytes);

}  // namespace kvel::wire
