#include "images/image_cache.h"

#include <cstdio>
#include <fstream>

#include "platform/files.h"
#include "plugin/data_path.h"

namespace kvel::images {
namespace {

constexpr char kNameFormat[] = "imgcache_%d_%d_%d";
// "imgcache_" and three signed 32-bit numbers with their separators.
constexpr size_t kLongestName = 9 + 3 * 11 + 2;

// The file's length, or -1 when the part could not be written.
int64_t WritePart(const std::string& path, bool first, std::span<const uint8_t> data) {
  std::ofstream out(path, std::ios::binary | (first ? std::ios::trunc : std::ios::app));
  if (!out) return -1;
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  out.seekp(0, std::ios::end);
  const std::streamoff length = out.tellp();
  out.close();
  if (!out || length < 0) return -1;
  return length;
}

int64_t ExistingLength(const std::string& path) {
  std::optional<platform::FileInformation> info = platform::ReadFileInformation(path.c_str());
  return info ? static_cast<int64_t>(info->size) : -1;
}

}  // namespace

std::string ImageCachePath(uint32_t uin, uint32_t size, uint32_t checksum) {
  const std::string& directory = DataPath();
  // The same rule for every image: either all cache names fit or none is used.
  if (directory.empty() || directory.size() + kLongestName > kMaxCachePath) return std::string();
  char name[kLongestName + 1];
  std::snprintf(name, sizeof name, kNameFormat, static_cast<int32_t>(uin),
                static_cast<int32_t>(size), static_cast<int32_t>(checksum));
  return directory + name;
}

bool IsImageCached(uint32_t uin, uint32_t size, uint32_t checksum) {
  const std::string path = ImageCachePath(uin, size, checksum);
  return !path.empty() && platform::PathExists(path.c_str());
}

bool StoreImagePart(uint32_t uin, uint32_t size, uint32_t checksum, bool first,
                    std::span<const uint8_t> data) {
  const std::string path = ImageCachePath(uin, size, checksum);
  if (path.empty()) return false;
  const int64_t length = data.empty() ? ExistingLength(path) : WritePart(path, first, data);
  // A failed part is never complete, whatever size was announced.
  return length >= 0 && length >= static_cast<int32_t>(size);
}

}  // namespace kvel::images
