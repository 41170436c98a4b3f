#include "wire/image_option.h"

#include "wire/le_bytes.h"

namespace kvel::gg {

std::optional<ImageOption> UnpackImageOption(std::span<const uint8_t> attributes) {
  if (attributes.size() < 9) return std::nullopt;
  ImageOption option;
  option.kind = attributes[0];
  option.size = ReadLe32(attributes, 1);
  option.checksum = ReadLe32(attributes, 5);
  option.whole = attributes;
  return option;
}

}  // namespace kvel::gg
