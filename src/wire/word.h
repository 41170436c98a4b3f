// The 32-bit little-endian word: the handshake's numbers, the offer words and
// the reply codes of the direct-connection stream all travel as one.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace kvel::wire {

inline constexpr size_t kWordSize = 4;
using Word = std::array<uint8_t, kWordSize>;

Word EncodeWord(uint32_t value);
uint32_t DecodeWord(std::span<const uint8_t, kWordSize> bytes);
// The first four bytes of `bytes`; nullopt when fewer are given.
std::optional<uint32_t> DecodeLeadingWord(std::span<const uint8_t> bytes);

}  // namespace kvel::wire
