// The rich-text attribute block of a chat message and the image marks in its
// format entries:
//   block:  1 byte 2, 2 bytes N (signed byte count of the entries), entries
//   entry:  2 bytes text position, 1 byte flags,
//           3 colour bytes when flags has 0x08,
//           10 image bytes when flags has 0x80 (2 bytes 09 01, size,
//           checksum; the first two are not read)
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace kvel::wire {

inline constexpr uint8_t kRichTextBlock = 2;
// Entry flags: colour bytes follow, image bytes follow.
inline constexpr uint8_t kRichTextColourFlag = 0x08;
inline constexpr uint8_t kRichTextImageFlag = 0x80;

struct ImageMark {
  uint32_t size = 0;
  uint32_t checksum = 0;
  bool operator==(const ImageMark&) const = default;
};

// A block of one entry, at text position 0, holding an image mark.
inline constexpr size_t kImageMarkBlockLength = 16;

// True when the attributes start a rich-text block.
bool IsRichText(std::span<const uint8_t> attributes);

// The image marks of the block's entries, in order. The walk goes on while N
// is greater than the entries' offset and ends at the first entry that would
// reach past the attributes' end; a negative N walks nothing.
std::vector<ImageMark> RichTextImageMarks(std::span<const uint8_t> attributes);

// Writes the block of one image mark at text position 0 at the start of
// `out`, which holds at least kImageMarkBlockLength bytes.
void EncodeImageMarkBlock(std::span<uint8_t> out, const ImageMark& mark);

}  // namespace kvel::wire
