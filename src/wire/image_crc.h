// The CRC register behind image checksums, over bytes in memory or read from
// a byte source piece by piece.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

namespace kvel::wire {

// The register's start value, and the checksum of no bytes at all.
inline constexpr uint32_t kCrcStart = 0xFFFFFFFFu;

// Runs `bytes` through the reflected CRC-32 register. Feeding a byte source in
// pieces gives the same register as feeding it whole. The final inversion of
// the standard CRC-32 is never applied.
uint32_t UpdateCrcRegister(uint32_t crcRegister, std::span<const uint8_t> bytes);

// Fills the block it is given from the front and says how many bytes it put
// there; 0 at the end of the source (or when it cannot be read further).
using ByteSource = std::function<size_t(std::span<uint8_t> block)>;

// The register over every byte `source` gives, read in blocks of 16 KiB;
// kCrcStart when it gives none.
uint32_t CrcRegisterOf(const ByteSource& source);

}  // namespace kvel::wire
