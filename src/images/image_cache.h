// Received images as files "<DataPath>imgcache_<uin>_<size>_<checksum>",
// numbers in signed decimal. The file system is the index.
//
// The cache works only while the plug-in has a data directory whose name
// leaves room for the longest file name within the platform's 259-character
// path limit; otherwise it stores nothing and reports nothing as cached.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace kvel::images {

// The longest cache path, as ANSI file functions take paths.
inline constexpr size_t kMaxCachePath = 259;

// The cache path of an image; empty when the cache has no usable directory.
std::string ImageCachePath(uint32_t uin, uint32_t size, uint32_t checksum);
// True when the cache file exists (complete or not).
bool IsImageCached(uint32_t uin, uint32_t size, uint32_t checksum);
// Writes one part (the first creates or empties the file, later ones append);
// true when the file is at least `size` bytes long, compared as signed 32-bit
// numbers. Empty `data` writes and creates nothing; the file's length is still
// tested. A file that cannot be written is never complete. Nothing stays open.
bool StoreImagePart(uint32_t uin, uint32_t size, uint32_t checksum, bool first,
                    std::span<const uint8_t> data);

}  // namespace kvel::images
