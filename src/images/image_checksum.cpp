#include "images/image_checksum.h"

#include "platform/files.h"
#include "wire/image_crc.h"

namespace kvel::images {

uint32_t ImageChecksum(const char* path) {
  if (path == nullptr) return wire::kCrcStart;
  platform::FileHandle file = platform::OpenFileForReading(path);
  if (!file) return wire::kCrcStart;
  return wire::CrcRegisterOf(
      [&file](std::span<uint8_t> block) { return file.Read(block.data(), block.size()); });
}

}  // namespace kvel::images
