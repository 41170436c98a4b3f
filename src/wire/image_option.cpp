#include "wire/image_option.h"

#include <algorithm>

#include "wire/le_bytes.h"

namespace kvel::wire {
namespace {
constexpr size_t kKind = 0;
constexpr size_t kSize = 1;
constexpr size_t kChecksum = 5;
}  // namespace

std::optional<ImageOption> DecodeImageOption(std::span<const uint8_t> attributes) {
  if (attributes.size() < kImageOptionFieldsLength) return std::nullopt;
  return ImageOption{attributes[kKind], ReadLe32(attributes, kSize),
                     ReadLe32(attributes, kChecksum), attributes};
}

void EncodeImageOptionFields(std::span<uint8_t> out, uint8_t kind, uint32_t size,
                             uint32_t checksum) {
  out[kKind] = kind;
  WriteLe32(out, kSize, size);
  WriteLe32(out, kChecksum, checksum);
}

std::optional<ImageReplyPart> DecodeImageReply(std::span<const uint8_t> reply) {
  const std::optional<ImageOption> option = DecodeImageOption(reply);
  return option ? DecodeImageReply(*option) : std::nullopt;
}

std::optional<ImageReplyPart> DecodeImageReply(const ImageOption& option) {
  if (option.kind != kImageFirstReply && option.kind != kImageLaterReply) return std::nullopt;
  if (option.whole.size() < kImageOptionFieldsLength) return std::nullopt;
  ImageReplyPart part;
  part.first = option.kind == kImageFirstReply;
  part.size = option.size;
  part.checksum = option.checksum;
  std::span<const uint8_t> rest = option.whole.subspan(kImageOptionFieldsLength);
  if (part.first) {
    // The name ends at its zero byte, or with the payload when it has none.
    auto end = std::find(rest.begin(), rest.end(), uint8_t{0});
    const auto nameLength = static_cast<size_t>(end - rest.begin());
    part.name = rest.first(nameLength);
    rest = rest.subspan(std::min(nameLength + 1, rest.size()));
  }
  part.data = rest;
  return part;
}

}  // namespace kvel::wire
