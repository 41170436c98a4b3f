// The CRC register behind image checksums, over bytes in memory.
#pragma once

#include <cstdint>
#include <span>

namespace kvel::images {

// The register's start value, and the checksum of no bytes at all.
inline constexpr uint32_t kCrcStart = 0xFFFFFFFFu;

// Runs `bytes` through the reflected CRC-32 register with the 256-entry
// `table`. Feeding a byte source in pieces gives the same register as feeding
// it whole. The final inversion of the standard CRC-32 is never applied.
uint32_t UpdateCrcRegister(uint32_t crcRegister, std::span<const uint8_t> bytes,
                           const uint32_t* table);

}  // namespace kvel::images
