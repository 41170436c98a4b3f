#include "wire/word.h"

#include "wire/le_bytes.h"

namespace kvel::wire {

Word EncodeWord(uint32_t value) {
  Word out{};
  WriteLe32(out, 0, value);
  return out;
}

uint32_t DecodeWord(std::span<const uint8_t, kWordSize> bytes) {
  return ReadLe32(bytes, 0);
}

std::optional<uint32_t> DecodeLeadingWord(std::span<const uint8_t> bytes) {
  if (bytes.size() < kWordSize) return std::nullopt;
  return ReadLe32(bytes, 0);
}

}  // namespace kvel::wire
