// The handshake that opens every direct connection, as bytes (all numbers
// 32-bit little-endian):
//   caller -> called: the caller's own GG number, then the number it calls
//                     (one 8-byte write)
//   called -> caller: "UDAG"
//   caller -> called: the direction code, 2 (push) or 3 (pull)
// Pure codec: byte spans in, values out.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "ui/transfer_table.h"

namespace kvel::p2p {

inline constexpr size_t kHandshakeWord = 4;
inline constexpr std::array<uint8_t, 4> kAnswer = {0x55, 0x44, 0x41, 0x47};  // "UDAG"

std::array<uint8_t, 4> EncodeWord(uint32_t value);
uint32_t DecodeWord(std::span<const uint8_t, 4> bytes);

// The caller's first write: its own number, then the called number.
std::array<uint8_t, 8> EncodeCallerHello(uint32_t ownUin, uint32_t calledUin);
// True only for exactly "UDAG".
bool IsAnswer(std::span<const uint8_t, 4> bytes);

enum class Side { Caller, Called };
// Which way the file goes for this side under a direction code; nothing for
// a code other than 2 and 3.
std::optional<ui::TransferDirection> DirectionFor(Side side, uint32_t code);

}  // namespace kvel::p2p
