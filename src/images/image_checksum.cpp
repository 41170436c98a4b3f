#include "images/image_checksum.h"

#include <fstream>

#include "wire/image_crc.h"

namespace kvel::images {

uint32_t ImageChecksum(const char* path) {
  if (path == nullptr) return wire::kCrcStart;
  std::ifstream in(path, std::ios::binary);
  if (!in) return wire::kCrcStart;
  return wire::CrcRegisterOf([&in](std::span<uint8_t> block) -> size_t {
    if (!in) return 0;
    in.read(reinterpret_cast<char*>(block.data()), static_cast<std::streamsize>(block.size()));
    return static_cast<size_t>(in.gcount());
  });
}

}  // namespace kvel::images
