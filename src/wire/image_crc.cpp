#include "wire/image_crc.h"

#include <algorithm>
#include <vector>

#include "wire/crc32_table.h"

namespace kvel::wire {
namespace {
constexpr size_t kBlockSize = 16384;
}

uint32_t UpdateCrcRegister(uint32_t crcRegister, std::span<const uint8_t> bytes) {
  for (uint8_t byte : bytes) {
    crcRegister = kCrc32Table[(crcRegister ^ byte) & 0xFFu] ^ (crcRegister >> 8);
  }
  return crcRegister;
}

uint32_t CrcRegisterOf(const ByteSource& source) {
  uint32_t crcRegister = kCrcStart;
  std::vector<uint8_t> block(kBlockSize);
  for (;;) {
    const size_t got = std::min(source(block), block.size());
    if (got == 0) break;
    crcRegister = UpdateCrcRegister(crcRegister, std::span(block).first(got));
  }
  return crcRegister;
}

}  // namespace kvel::wire
