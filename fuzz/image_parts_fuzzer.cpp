// Feeds the image exchange this side's requests and a peer's replies in any
// order, against a real cache directory and a fresh table of requests per
// input. Every reply goes through the reply decoder first, as the hook does.
// Checks that the decoded name and data lie inside the reply, that the cache
// only ever holds whole images that match their announced size and checksum,
// that no partial image grows past its announced size, and that the parts on
// disk together stay within the table's bytes (short limits here).
//
// Input: records of [op: 1][length: 1][bytes]; a length past the end takes
// what is left. Op bit 0 clear: this side asks for the image named by the
// record's first 8 bytes (size, checksum; the size cut to 2 KiB so that
// replies can fill it). Set: the bytes are one reply from the peer. Op bits
// 1-2 pick the peer's number.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "images/image_cache.h"
#include "images/image_exchange.h"
#include "images/requested_images.h"
#include "plugin/host.h"
#include "wire/image_crc.h"
#include "wire/image_option.h"

namespace {
namespace fs = std::filesystem;
using namespace kvel;

void Check(bool condition) {
  if (!condition) std::abort();
}

// True when `part` lies inside `whole`.
bool Inside(std::span<const uint8_t> part, std::span<const uint8_t> whole) {
  return part.empty() ||
         (part.data() >= whole.data() && part.data() + part.size() <= whole.data() + whole.size());
}

uint32_t Le32(std::span<const uint8_t> bytes, size_t at) {
  uint32_t value = 0;
  for (size_t i = 0; i < 4 && at + i < bytes.size(); ++i)
    value |= uint32_t{bytes[at + i]} << (8 * i);
  return value;
}

// The cache directory, with its separator.
const std::string& CacheDirectory() {
  static const std::string directory = [] {
    fs::path path = fs::temp_directory_path() / ("kvel-image-fuzz-" + std::to_string(::getpid()));
    fs::create_directories(path);
    return path.string() + "/";
  }();
  return directory;
}

// Every file of the cache is a whole, matching image or a part no longer
// than its image.
void CheckCache(const std::vector<wire::ImageId>& named) {
  for (const wire::ImageId& id : named) {
    const std::string path = images::ImageCachePath(CacheDirectory(), id.uin, id.size, id.checksum);
    std::error_code error;
    if (fs::exists(path, error)) {
      std::ifstream in(path, std::ios::binary);
      const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
      Check(bytes.size() == id.size);
      Check(wire::UpdateCrcRegister(wire::kCrcStart, bytes) == id.checksum);
    }
    const std::string part = path + ".part";
    if (fs::exists(part, error)) Check(fs::file_size(part, error) <= id.size);
  }
}

// The bytes of every image part in the cache together.
uint64_t PartBytes() {
  uint64_t total = 0;
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(CacheDirectory(), error)) {
    if (entry.path().extension() == ".part") total += fs::file_size(entry.path(), error);
  }
  return total;
}

// Few requests and few bytes, so that inputs reach the limits.
constexpr images::RequestLimits kLimits{4, 1000, 4096};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fs::path directory(CacheDirectory());
  std::vector<wire::ImageId> named;
  uint32_t now = 0;
  images::RequestedImages requested(
      [&now] { return now += 97; },
      [](const wire::ImageId& id) { images::RemoveImagePart(CacheDirectory(), id); }, kLimits);
  images::CacheTrust trust;
  size_t at = 0;
  while (at < size) {
    const uint8_t op = data[at];
    size_t length = at + 1 < size ? data[at + 1] : 0;
    at = std::min(size, at + 2);
    length = std::min(length, size - at);
    const std::span<const uint8_t> bytes(data + at, length);
    at += length;
    const uint32_t uin = 1000 + ((op >> 1) & 3);
    if ((op & 1) == 0) {
      images::RequestImage(TheModuleHost(), requested, uin, Le32(bytes, 0) % 2048, Le32(bytes, 4));
      continue;
    }
    // A block of exactly the reply's size: reading past it is caught.
    const std::vector<uint8_t> reply(bytes.begin(), bytes.end());
    const std::optional<wire::ImageReplyPart> part = wire::DecodeImageReply(reply);
    if (!part) continue;
    Check(Inside(part->name, reply) && Inside(part->data, reply));
    Check(part->size == Le32(reply, 1) && part->checksum == Le32(reply, 5));
    const wire::ImageId id{uin, part->size, part->checksum};
    named.push_back(id);
    if (images::ReceiveImagePart(requested, trust, CacheDirectory(), uin, *part))
      Check(images::IsImageCached(trust, CacheDirectory(), id.uin, id.size, id.checksum));
    Check(PartBytes() <= kLimits.partBytes);
  }
  CheckCache(named);
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(directory, error))
    fs::remove(entry.path(), error);
  return 0;
}
