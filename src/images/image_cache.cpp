#include "images/image_cache.h"

#include <cstdio>
#include <fstream>

#include "images/image_checksum.h"
#include "platform/files.h"

namespace kvel::images {
namespace {

constexpr char kNameFormat[] = "imgcache_%d_%d_%d";
constexpr char kPartSuffix[] = ".part";
// "imgcache_", three signed 32-bit numbers with their separators, ".part".
constexpr size_t kLongestName = 9 + 3 * 11 + 2 + sizeof kPartSuffix - 1;

// The file's length, or -1 when there is no such file.
int64_t FileLength(const std::string& path) {
  std::optional<platform::FileInformation> info = platform::ReadFileInformation(path.c_str());
  return info ? static_cast<int64_t>(info->size) : -1;
}

bool WritePart(const std::string& path, bool first, std::span<const uint8_t> data) {
  std::ofstream out(path, std::ios::binary | (first ? std::ios::trunc : std::ios::app));
  if (!out) return false;
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  out.close();
  return static_cast<bool>(out);
}

PartOutcome Discard(const std::string& partPath) {
  std::remove(partPath.c_str());
  return PartOutcome::Discarded;
}

}  // namespace

std::string ImageCachePath(const std::string& directory, uint32_t uin, uint32_t size,
                           uint32_t checksum) {
  // The same rule for every image: either all cache names fit or none is used.
  if (directory.empty() || directory.size() + kLongestName > kMaxCachePath) return std::string();
  char name[kLongestName + 1];
  std::snprintf(name, sizeof name, kNameFormat, static_cast<int32_t>(uin),
                static_cast<int32_t>(size), static_cast<int32_t>(checksum));
  return directory + name;
}

bool IsImageCached(const std::string& directory, uint32_t uin, uint32_t size, uint32_t checksum) {
  const std::string path = ImageCachePath(directory, uin, size, checksum);
  // A file left by an older version may be a part, or parts of another image.
  return !path.empty() && FileLength(path) == static_cast<int64_t>(size) &&
         ImageChecksum(path.c_str()) == checksum;
}

PartOutcome StoreImagePart(const std::string& directory, uint32_t uin, uint32_t size,
                           uint32_t checksum, bool first, std::span<const uint8_t> data) {
  const std::string path = ImageCachePath(directory, uin, size, checksum);
  if (path.empty()) return PartOutcome::Discarded;
  const std::string partPath = path + kPartSuffix;
  if (size == 0 || size > kMaxImageSize) return Discard(partPath);
  const int64_t before = first ? 0 : FileLength(partPath);
  if (before < 0) return Discard(partPath);  // a later part of nothing
  if (before + static_cast<int64_t>(data.size()) > static_cast<int64_t>(size))
    return Discard(partPath);
  if (!WritePart(partPath, first, data)) return Discard(partPath);
  if (FileLength(partPath) != static_cast<int64_t>(size)) return PartOutcome::Incomplete;
  if (ImageChecksum(partPath.c_str()) != checksum) return Discard(partPath);
  // A stale file under the cache name (one of another size) makes way.
  std::remove(path.c_str());
  if (std::rename(partPath.c_str(), path.c_str()) != 0) return Discard(partPath);
  return PartOutcome::Complete;
}

}  // namespace kvel::images
