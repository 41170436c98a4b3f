#include "wire/image_crc.h"

namespace kvel::images {

uint32_t UpdateCrcRegister(uint32_t crcRegister, std::span<const uint8_t> bytes,
                           const uint32_t* table) {
  for (uint8_t byte : bytes) crcRegister = table[(crcRegister ^ byte) & 0xFFu] ^ (crcRegister >> 8);
  return crcRegister;
}

}  // namespace kvel::images
