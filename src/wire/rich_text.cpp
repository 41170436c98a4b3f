#include "wire/rich_text.h"

#include "wire/le_bytes.h"

namespace kvel::wire {
namespace {
constexpr size_t kCount = 1;    // N, behind the marker byte
constexpr size_t kEntries = 3;  // behind the marker byte and N
// An entry: its head, then the colour and image bytes its flags announce.
constexpr size_t kEntryPosition = 0;
constexpr size_t kEntryFlags = 2;
constexpr size_t kEntryHead = 3;
constexpr size_t kColour = 3;
constexpr size_t kImage = 10;
// The image bytes.
constexpr size_t kImageTag = 0;
constexpr size_t kImageSize = 2;
constexpr size_t kImageChecksum = 6;
constexpr uint16_t kImageTagValue = 0x0109;  // 09 01
}  // namespace

bool IsRichText(std::span<const uint8_t> attributes) {
  return !attributes.empty() && attributes[0] == kRichTextBlock;
}

std::vector<ImageMark> RichTextImageMarks(std::span<const uint8_t> attributes) {
  std::vector<ImageMark> marks;
  if (!IsRichText(attributes) || attributes.size() < kEntries) return marks;
  const int32_t count = static_cast<int16_t>(ReadLe16(attributes, kCount));
  std::span<const uint8_t> entries = attributes.subspan(kEntries);
  size_t offset = 0;
  while (static_cast<int64_t>(count) > static_cast<int64_t>(offset)) {
    if (entries.size() - offset < kEntryHead) break;
    const uint8_t flags = entries[offset + kEntryFlags];
    size_t next = offset + kEntryHead;
    if (flags & kRichTextColourFlag) next += kColour;
    if (next > entries.size()) break;
    if (flags & kRichTextImageFlag) {
      if (entries.size() - next < kImage) break;
      marks.push_back(
          {ReadLe32(entries, next + kImageSize), ReadLe32(entries, next + kImageChecksum)});
      next += kImage;
    }
    offset = next;
  }
  return marks;
}

void EncodeImageMarkBlock(std::span<uint8_t> out, const ImageMark& mark) {
  static_assert(kEntries + kEntryHead + kImage == kImageMarkBlockLength);
  out[0] = kRichTextBlock;
  WriteLe16(out, kCount, static_cast<uint16_t>(kEntryHead + kImage));
  std::span<uint8_t> entry = out.subspan(kEntries);
  WriteLe16(entry, kEntryPosition, 0);
  entry[kEntryFlags] = kRichTextImageFlag;
  std::span<uint8_t> image = entry.subspan(kEntryHead);
  WriteLe16(image, kImageTag, kImageTagValue);
  WriteLe32(image, kImageSize, mark.size);
  WriteLe32(image, kImageChecksum, mark.checksum);
}

}  // namespace kvel::wire
