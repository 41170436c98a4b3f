#include "images/image_checksum.h"

#include <fstream>
#include <vector>

#include "wire/image_crc.h"
#include "wire/crc32_table.h"

namespace kvel::images {
namespace {
constexpr size_t kBlockSize = 16384;
}

uint32_t ImageChecksum(const char* path) {
  uint32_t crcRegister = kCrcStart;
  if (path == nullptr) return crcRegister;
  std::ifstream in(path, std::ios::binary);
  if (!in) return crcRegister;
  std::vector<char> block(kBlockSize);
  const uint32_t* table = Crc32Table();
  while (in) {
    in.read(block.data(), static_cast<std::streamsize>(block.size()));
    const auto got = static_cast<size_t>(in.gcount());
    if (got == 0) break;
    crcRegister = UpdateCrcRegister(
        crcRegister, std::span(reinterpret_cast<const uint8_t*>(block.data()), got), table);
  }
  return crcRegister;
}

}  // namespace kvel::images
