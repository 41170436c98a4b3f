#include "images/image_cache.h"

#include <algorithm>
#include <cstdio>

#include "images/image_checksum.h"
#include "platform/files.h"

namespace kvel::images {
namespace {

constexpr char kNamePrefix[] = "imgcache_";
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
  platform::FileHandle out = first ? platform::OpenFileForRewriting(path.c_str())
                                   : platform::OpenFileForAppending(path.c_str());
  if (!out) return false;
  const bool written = out.Write(data.data(), data.size());
  return out.Close() && written;
}

PartOutcome Discard(const std::string& partPath) {
  platform::RemoveFile(partPath.c_str());
  return PartOutcome::Discarded;
}

}  // namespace

std::string CacheFileName(uint32_t uin, uint32_t size, uint32_t checksum) {
  char name[kLongestName + 1];
  std::snprintf(name, sizeof name, kNameFormat, static_cast<int32_t>(uin),
                static_cast<int32_t>(size), static_cast<int32_t>(checksum));
  return name;
}

std::optional<wire::ImageId> ParseCacheFileName(const std::string& name) {
  if (name.size() > kLongestName || name.rfind(kNamePrefix, 0) != 0) return std::nullopt;
  int32_t numbers[3];
  size_t at = sizeof kNamePrefix - 1;
  for (int32_t& number : numbers) {
    if (at > sizeof kNamePrefix - 1) {
      if (at >= name.size() || name[at] != '_') return std::nullopt;
      ++at;
    }
    const size_t start = at;
    if (at < name.size() && name[at] == '-') ++at;
    int64_t value = 0;
    while (at < name.size() && name[at] >= '0' && name[at] <= '9' && at - start < 11) {
      value = value * 10 + (name[at] - '0');
      ++at;
    }
    if (name[start] == '-') value = -value;
    if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
    number = static_cast<int32_t>(value);
  }
  const wire::ImageId id{static_cast<uint32_t>(numbers[0]), static_cast<uint32_t>(numbers[1]),
                         static_cast<uint32_t>(numbers[2])};
  // Only the names the cache writes: one way of writing each number.
  if (CacheFileName(id.uin, id.size, id.checksum) != name) return std::nullopt;
  return id;
}

std::string ImageCachePath(const std::string& directory, uint32_t uin, uint32_t size,
                           uint32_t checksum) {
  // The same rule for every image: either all cache names fit or none is used.
  if (directory.empty() || directory.size() + kLongestName > kMaxCachePath) return std::string();
  return directory + CacheFileName(uin, size, checksum);
}

bool IsImageCached(const CacheTrust& trust, const std::string& directory, uint32_t uin,
                   uint32_t size, uint32_t checksum) {
  const std::string path = ImageCachePath(directory, uin, size, checksum);
  // An untrusted file may be a part an older version left, or another
  // image's bytes: it is fetched again, and the new image replaces it.
  return !path.empty() && trust.Trusted(CacheFileName(uin, size, checksum)) &&
         FileLength(path) == static_cast<int64_t>(size);
}

void RemoveImagePart(const std::string& directory, const wire::ImageId& id) {
  const std::string path = ImageCachePath(directory, id.uin, id.size, id.checksum);
  if (!path.empty()) platform::RemoveFile((path + kPartSuffix).c_str());
}

void RemoveStaleParts(const std::string& directory) {
  if (directory.empty()) return;
  for (const std::string& name : platform::ListFiles(directory)) {
    const size_t suffix = name.size() - std::min(name.size(), sizeof kPartSuffix - 1);
    if (name.rfind(kNamePrefix, 0) == 0 &&
        name.compare(suffix, std::string::npos, kPartSuffix) == 0)
      platform::RemoveFile((directory + name).c_str());
  }
}

PartOutcome StoreImagePart(CacheTrust& trust, const std::string& directory, uint32_t uin,
                           uint32_t size, uint32_t checksum, bool first,
                           std::span<const uint8_t> data) {
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
  if (!trust.PutInPlace(partPath, path, CacheFileName(uin, size, checksum)))
    return PartOutcome::Discarded;
  return PartOutcome::Complete;
}

}  // namespace kvel::images
