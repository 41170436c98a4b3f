// The GG packets that carry images: the offer (a class-8 message holding one
// rich-text image mark), the request and the replies (class-4 control
// messages with an empty text), as they are sent; received replies are read
// by DecodeImageReply in wire/image_option.h. Pure codecs: bytes in, values out.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "wire/image_id.h"
#include "wire/image_option.h"

namespace kvel::wire {

inline constexpr size_t kImageOfferLength = 37;
inline constexpr size_t kImageRequestLength = 30;
inline constexpr size_t kImageReplyHeaderLength = 30;  // name and data follow
inline constexpr size_t kImageReplyMaxData = 1024;

// Whole packets, header included, addressed to `id.uin`.
std::array<uint8_t, kImageOfferLength> EncodeImageOffer(const ImageId& id);
std::array<uint8_t, kImageRequestLength> EncodeImageRequest(const ImageId& id);
// One reply with `data` (1 to 1024 bytes); the first reply of an image also
// carries `name`, the file's name without its directory.
std::vector<uint8_t> EncodeImageReply(const ImageId& id, bool first, std::string_view name,
                                      std::span<const uint8_t> data);

}  // namespace kvel::wire
