#include "transfers/kept/part_names.h"

#include <cstdio>

#include "common/file_name.h"

namespace kvel::transfers {
namespace {

constexpr size_t kLongDigits = 8;
constexpr size_t kShortDigits = 6;
// "~" and the digits.
constexpr size_t kShortStem = 1 + kShortDigits;

std::string Hex(uint32_t value, size_t digits) {
  char text[9];
  std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(value));
  return std::string(text + 8 - digits);
}

bool IsHex(std::string_view text) {
  return text.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

}  // namespace

std::optional<PartNames> PartNamesFor(const std::string& target, uint32_t unique) {
  const size_t nameLength = FileNameOf(target).size();
  const size_t nameStart = target.size() - nameLength;
  const std::string folder = target.substr(0, nameStart);
  const std::string suffixStem = "." + Hex(unique, kLongDigits);
  const size_t longEntry = nameLength + suffixStem.size() + sizeof kPartFileSuffix - 1;
  PartNames names;
  if (nameLength > 0 && nameStart + longEntry <= kMaxPathLength && longEntry <= kMaxEntryName) {
    names.part = target + suffixStem + kPartFileSuffix;
    names.record = target + suffixStem + kRecordFileSuffix;
    return names;
  }
  const std::string stem = "~" + Hex(unique, kShortDigits);
  if (folder.size() + stem.size() + sizeof kShortPartSuffix - 1 <= kMaxPathLength) {
    names.part = folder + stem + kShortPartSuffix;
    names.record = folder + stem + kShortRecordSuffix;
  } else if (nameLength >= 2 && nameLength < kShortStem + sizeof kShortPartSuffix - 1) {
    names.part = folder + "~" + Hex(unique, nameLength - 1);
  } else {
    return std::nullopt;
  }
  const std::string folded = CaseFolded(target);
  if (CaseFolded(names.part) == folded || CaseFolded(names.record) == folded) return std::nullopt;
  return names;
}

std::optional<std::string> PartOfRecord(std::string_view record) {
  const std::string_view name = FileNameOf(record);
  const std::string_view longEnd = kRecordFileSuffix;
  // "<chosen name>.<8 digits>.kvel-kept"
  if (name.ends_with(longEnd) && name.size() >= longEnd.size() + 1 + kLongDigits + 1) {
    const std::string_view tail = name.substr(name.size() - longEnd.size() - kLongDigits - 1);
    if (tail[0] == '.' && IsHex(tail.substr(1, kLongDigits))) {
      return std::string(record.substr(0, record.size() - longEnd.size())) + kPartFileSuffix;
    }
  }
  // "~<6 digits>.kept"
  const std::string_view shortEnd = kShortRecordSuffix;
  if (name.size() == kShortStem + shortEnd.size() && name[0] == '~' && name.ends_with(shortEnd) &&
      IsHex(name.substr(1, kShortDigits))) {
    return std::string(record.substr(0, record.size() - shortEnd.size())) + kShortPartSuffix;
  }
  return std::nullopt;
}

}  // namespace kvel::transfers
