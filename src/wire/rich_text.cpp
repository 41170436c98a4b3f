#include "wire/rich_text.h"

#include "wire/le_bytes.h"

namespace kvel::wire {
namespace {
constexpr size_t kEntries = 3;  // behind the marker byte and N
constexpr size_t kEntryHead = 3;
constexpr size_t kColour = 3;
constexpr size_t kImage = 10;
}  // namespace

bool IsRichText(std::span<const uint8_t> attributes) {
  return !attributes.empty() && attributes[0] == kRichTextBlock;
}

std::vector<ImageMark> RichTextImageMarks(std::span<const uint8_t> attributes) {
  std::vector<ImageMark> marks;
  if (!IsRichText(attributes) || attributes.size() < kEntries) return marks;
  const int32_t count = static_cast<int16_t>(ReadLe16(attributes, 1));
  std::span<const uint8_t> entries = attributes.subspan(kEntries);
  size_t offset = 0;
  while (static_cast<int64_t>(count) > static_cast<int64_t>(offset)) {
    if (entries.size() - offset < kEntryHead) break;
    const uint8_t flags = entries[offset + 2];
    size_t next = offset + kEntryHead;
    if (flags & kRichTextColourFlag) next += kColour;
    if (next > entries.size()) break;
    if (flags & kRichTextImageFlag) {
      if (entries.size() - next < kImage) break;
      marks.push_back({ReadLe32(entries, next + 2), ReadLe32(entries, next + 6)});
      next += kImage;
    }
    offset = next;
  }
  return marks;
}

}  // namespace kvel::wire
