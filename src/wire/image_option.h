// The image option of a class-4 message with an empty text, the one codec of
// image requests and replies:
//   0  1  kind: 4 request, 5 first reply, 6 later reply
//   1  4  the image's size
//   5  4  the image's checksum
//   9     replies only: the first reply's file name and its zero byte, then a
//         part of the image
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace kvel::wire {

inline constexpr uint8_t kImageRequest = 4;
inline constexpr uint8_t kImageFirstReply = 5;  // carries the file name
inline constexpr uint8_t kImageLaterReply = 6;

// Kind, size and checksum: what every option holds.
inline constexpr size_t kImageOptionFieldsLength = 9;

struct ImageOption {
  uint8_t kind = 0;
  uint32_t size = 0;
  uint32_t checksum = 0;
  // From the kind byte to the end of the attributes (replies pass it on).
  std::span<const uint8_t> whole;
};

// Nullopt when the attributes are too short for the kind, size and checksum.
std::optional<ImageOption> DecodeImageOption(std::span<const uint8_t> attributes);
// Writes kind, size and checksum at the start of `out`, which holds at least
// kImageOptionFieldsLength bytes.
void EncodeImageOptionFields(std::span<uint8_t> out, uint8_t kind, uint32_t size,
                             uint32_t checksum);

// A received reply. The spans point into the caller's bytes.
struct ImageReplyPart {
  bool first = false;  // kind 5: the part that starts the image
  uint32_t size = 0;
  uint32_t checksum = 0;
  std::span<const uint8_t> name;  // without its zero byte; empty in later parts
  std::span<const uint8_t> data;  // may be empty
};

// Reads a reply from `reply`, which runs from the kind byte to the end of the
// message payload. Nothing when it is too short for kind, size and checksum or
// is not a reply. A name without a zero byte runs to the end: no data then.
std::optional<ImageReplyPart> DecodeImageReply(std::span<const uint8_t> reply);
// The same, from an option already read: nothing when it is not a reply.
std::optional<ImageReplyPart> DecodeImageReply(const ImageOption& option);

}  // namespace kvel::wire
