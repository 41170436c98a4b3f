// Received images as files "<DataPath>imgcache_<uin>_<size>_<checksum>",
// numbers in signed decimal. The file system is the index.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace kvel::images {

// The cache path of an image; empty when the plug-in has no data directory.
std::string ImageCachePath(uint32_t uin, uint32_t size, uint32_t checksum);
// True when the cache file exists (complete or not).
bool IsImageCached(uint32_t uin, uint32_t size, uint32_t checksum);
// Writes one part (the first creates or empties the file, later ones append);
// true when the file is at least `size` bytes long. Nothing stays open.
bool StoreImagePart(uint32_t uin, uint32_t size, uint32_t checksum, bool first,
                    std::span<const uint8_t> data);

}  // namespace kvel::images
