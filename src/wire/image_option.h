// The image option of a class-4 message with an empty text: a kind byte, the
// image's size at +1 and its checksum at +5; replies carry a part of the
// image behind these fields.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace kvel::gg {

inline constexpr uint8_t kImageRequest = 4;
inline constexpr uint8_t kImageFirstReply = 5;
inline constexpr uint8_t kImageLaterReply = 6;

struct ImageOption {
  uint8_t kind = 0;
  uint32_t size = 0;
  uint32_t checksum = 0;
  // From the kind byte to the end of the attributes (replies pass it on).
  std::span<const uint8_t> whole;
};

// Nullopt when the attributes are too short for the kind, size and checksum.
std::optional<ImageOption> UnpackImageOption(std::span<const uint8_t> attributes);

}  // namespace kvel::gg
