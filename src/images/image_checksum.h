// ImageChecksum: the checksum that, with the size, names an image.
#pragma once

#include <cstdint>

namespace kvel::images {

// The CRC register over every byte of the file at `path`, without the final
// inversion: the complement of the file's standard CRC-32. 0xFFFFFFFF for an
// empty or unreadable file.
uint32_t ImageChecksum(const char* path);

}  // namespace kvel::images
