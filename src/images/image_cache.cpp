#include "images/image_cache.h"

namespace kvel::images {

std::string ImageCachePath(uint32_t, uint32_t, uint32_t) { return std::string(); }
bool IsImageCached(uint32_t, uint32_t, uint32_t) { return false; }
bool StoreImagePart(uint32_t, uint32_t, uint32_t, bool, std::span<const uint8_t>) { return false; }

}  // namespace kvel::images
