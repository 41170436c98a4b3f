// The GG packets that carry images: the offer (a class-8 message holding one
// rich-text image mark), the request and the replies (class-4 control
// messages with an empty text). Pure codecs: bytes in, values out.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "wire/image_id.h"

namespace kvel::images {

inline constexpr uint32_t kSendMessageType = 0x0B;  // a message to a user
inline constexpr size_t kImageOfferLength = 37;
inline constexpr size_t kImageRequestLength = 30;
inline constexpr size_t kImageReplyHeaderLength = 30;  // name and data follow
inline constexpr size_t kImageReplyMaxData = 1024;

// Option kinds, the first attribute byte of an image control message.
inline constexpr uint8_t kImageRequestKind = 0x04;
inline constexpr uint8_t kImageFirstReplyKind = 0x05;  // carries the file name
inline constexpr uint8_t kImageNextReplyKind = 0x06;

// Whole packets, header included, addressed to `id.uin`.
std::array<uint8_t, kImageOfferLength> EncodeImageOffer(const ImageId& id);
std::array<uint8_t, kImageRequestLength> EncodeImageRequest(const ImageId& id);
// One reply with `data` (1 to 1024 bytes); the first reply of an image also
// carries `name`, the file's name without its directory.
std::vector<uint8_t> EncodeImageReply(const ImageId& id, bool first, std::string_view name,
                                      std::span<const uint8_t> data);

// A received reply. The spans point into the caller's bytes.
struct ImageReplyPart {
  bool first = false;  // kind 0x05: the part that starts the image
  uint32_t size = 0;
  uint32_t checksum = 0;
  std::span<const uint8_t> name;  // without its zero byte; empty in later parts
  std::span<const uint8_t> data;  // may be empty
};

// Reads a reply from `reply`, which runs from the kind byte to the end of the
// message payload. Nothing when it is too short for kind, size and checksum or
// is not a reply. A name without a zero byte runs to the end: no data then.
std::optional<ImageReplyPart> DecodeImageReply(std::span<const uint8_t> reply);

}  // namespace kvel::images
