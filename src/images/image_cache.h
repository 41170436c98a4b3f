// Received images as files "<directory>imgcache_<uin>_<size>_<checksum>",
// numbers in signed decimal. The file system is the index. An image is
// assembled under the same name with ".part" behind it and gets its cache
// name only once it is whole and matches its announced size and checksum, so
// the chat window never points at a part of an image. A cache file is
// trusted by its name and size once it was checked (cache_trust.h), so a
// check on the host's thread reads no image.
//
// The cache directory is the plug-in's data directory ("kvel" and a
// separator in the host's data directory). The cache works only while it is
// named, and its name
// leaves room for the longest file name within the platform's 259-character
// path limit; otherwise it stores nothing and reports nothing as cached.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "images/cache_trust.h"
#include "wire/image_id.h"

namespace kvel::images {

// The longest cache path, as ANSI file functions take paths.
inline constexpr size_t kMaxCachePath = 259;
// The largest image this side asks for and assembles.
inline constexpr uint32_t kMaxImageSize = 8u << 20;

// The cache file's name of an image, without the directory.
std::string CacheFileName(uint32_t uin, uint32_t size, uint32_t checksum);
// The image a cache file's name stands for; nothing for any other name
// (also one with signs, zeros or spaces the cache never writes).
std::optional<wire::ImageId> ParseCacheFileName(const std::string& name);
// The cache path of an image; empty when `directory` is not usable.
std::string ImageCachePath(const std::string& directory, uint32_t uin, uint32_t size,
                           uint32_t checksum);
// True when the whole image is cached: its file is trusted and has the
// announced size. Reads the directory entry, never the image.
bool IsImageCached(const CacheTrust& trust, const std::string& directory, uint32_t uin,
                   uint32_t size, uint32_t checksum);

enum class PartOutcome {
  Incomplete,  // stored; more is to come
  Complete,    // the image is whole and cached
  Discarded,   // refused; whatever was assembled is gone
};
// Stores one part of an image: the first part starts it anew, later ones are
// appended. A part that would make the image longer than `size`, a later part
// with nothing to append to, a size of 0 or above kMaxImageSize, and an image
// whose checksum does not match once whole are discarded. A whole image is
// put in place through `trust`, which trusts it from then on. Nothing stays
// open.
PartOutcome StoreImagePart(CacheTrust& trust, const std::string& directory, uint32_t uin,
                           uint32_t size, uint32_t checksum, bool first,
                           std::span<const uint8_t> data);
// Removes what was assembled of the image `id`.
void RemoveImagePart(const std::string& directory, const wire::ImageId& id);
// Removes every image part in `directory`: at start, the ones an earlier run
// left are of requests nobody waits for any more.
void RemoveStaleParts(const std::string& directory);

}  // namespace kvel::images
