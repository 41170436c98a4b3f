// The reflected CRC-32 table (polynomial 0xEDB88320) behind image checksums,
// built by the compiler.
#pragma once

#include <array>
#include <cstdint>

namespace kvel::wire {

namespace crc32_detail {
constexpr std::array<uint32_t, 256> MakeTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t value = i;
    for (int bit = 0; bit < 8; ++bit) value = (value & 1) ? (value >> 1) ^ 0xEDB88320u : value >> 1;
    table[i] = value;
  }
  return table;
}
}  // namespace crc32_detail

inline constexpr std::array<uint32_t, 256> kCrc32Table = crc32_detail::MakeTable();

}  // namespace kvel::wire
