#include "wire/status_entry.h"

#include "wire/gg_packet.h"
#include "wire/le_bytes.h"

namespace kvel::wire {
namespace {
constexpr size_t kPlainLength = 14;
constexpr size_t kDescriptionLength = 14;

// True for the statuses whose entries carry a description (4, 5, 21, 22).
bool HasDescription(uint8_t status) {
  return status == 4 || status == 5 || status == 21 || status == 22;
}
}  // namespace

bool IsUnavailable(uint8_t status) {
  return status == 1 || status == 21;
}

std::optional<StatusEntry> DecodeStatusEntry(std::span<const uint8_t> bytes) {
  if (bytes.size() < kPlainLength) return std::nullopt;
  StatusEntry entry;
  entry.uin = ReadLe32(bytes, 0) & kUinMask;
  entry.status = bytes[4];
  entry.address = ReadAddress(bytes, 5);
  entry.port = ReadLe16(bytes, 9);
  entry.length = kPlainLength;
  if (HasDescription(entry.status)) {
    if (bytes.size() <= kDescriptionLength) return std::nullopt;
    entry.length = kDescriptionLength + 1 + bytes[kDescriptionLength];
    if (entry.length > bytes.size()) return std::nullopt;
  }
  return entry;
}

std::vector<StatusEntry> DecodeStatusEntries(std::span<const uint8_t> payload) {
  std::vector<StatusEntry> entries;
  size_t offset = 0;
  while (offset < payload.size()) {
    std::optional<StatusEntry> entry = DecodeStatusEntry(payload.subspan(offset));
    if (!entry) break;
    entries.push_back(*entry);
    offset += entry->length;
  }
  return entries;
}

}  // namespace kvel::wire
