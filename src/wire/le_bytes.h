// Little-endian fields of every record on the wire, GG packets and the
// direct-connection stream alike. The caller has checked that the field lies
// inside the span; these helpers do no bounds checks of their own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace kvel::wire {

constexpr uint16_t ReadLe16(std::span<const uint8_t> bytes, size_t offset) {
  return static_cast<uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

constexpr uint32_t ReadLe32(std::span<const uint8_t> bytes, size_t offset) {
  return static_cast<uint32_t>(bytes[offset]) | static_cast<uint32_t>(bytes[offset + 1]) << 8 |
         static_cast<uint32_t>(bytes[offset + 2]) << 16 |
         static_cast<uint32_t>(bytes[offset + 3]) << 24;
}

constexpr uint64_t ReadLe64(std::span<const uint8_t> bytes, size_t offset) {
  return static_cast<uint64_t>(ReadLe32(bytes, offset)) |
         static_cast<uint64_t>(ReadLe32(bytes, offset + 4)) << 32;
}

constexpr void WriteLe16(std::span<uint8_t> bytes, size_t offset, uint16_t value) {
  bytes[offset] = static_cast<uint8_t>(value);
  bytes[offset + 1] = static_cast<uint8_t>(value >> 8);
}

constexpr void WriteLe32(std::span<uint8_t> bytes, size_t offset, uint32_t value) {
  for (size_t i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

constexpr void WriteLe64(std::span<uint8_t> bytes, size_t offset, uint64_t value) {
  WriteLe32(bytes, offset, static_cast<uint32_t>(value));
  WriteLe32(bytes, offset + 4, static_cast<uint32_t>(value >> 32));
}

// IPv4 addresses travel in network byte order and are kept as the four bytes
// in memory order, so they are copied, not converted.
inline uint32_t ReadAddress(std::span<const uint8_t> bytes, size_t offset) {
  uint32_t value;
  std::memcpy(&value, bytes.data() + offset, sizeof value);
  return value;
}

inline void WriteAddress(std::span<uint8_t> bytes, size_t offset, uint32_t address) {
  std::memcpy(bytes.data() + offset, &address, sizeof address);
}

}  // namespace kvel::wire
