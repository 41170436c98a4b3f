// The names of a received file's part, and of the record kept beside it
// when its transfer is cut. Both lie in the chosen file's folder, so that
// putting the part in place is a rename:
//
//   "<chosen name>.<8 hex digits>.kvel-part" and "<...>.kvel-kept", while
//       that stays within the platform's path limit;
//   else "~<6 hex digits>.part" and "~<6 hex digits>.kept": 12 characters,
//       the length of an 8.3 name, for which Windows leaves room in every
//       folder it makes (a folder's path holds at most 247 characters);
//   else, for a chosen name of 2 to 11 characters in a folder deeper than
//       that, "~" and hex digits, as long as the chosen name: such a part
//       has no record and is never kept.
//
// So a part's name fits wherever the chosen path fits but for a chosen name
// of one character. A record's name is as long as its part's. The digits
// keep transfers to the same file apart. Pure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kvel::transfers {

// The longest path the platform takes (its buffer holds a zero more).
inline constexpr size_t kMaxPathLength = 259;
// The longest name of one folder entry.
inline constexpr size_t kMaxEntryName = 255;

inline constexpr char kPartFileSuffix[] = ".kvel-part";
inline constexpr char kRecordFileSuffix[] = ".kvel-kept";
inline constexpr char kShortPartSuffix[] = ".part";
inline constexpr char kShortRecordSuffix[] = ".kept";

struct PartNames {
  std::string part;
  std::string record;  // empty: the part is never kept
};

// The names for a part of `target` told apart by `unique`, in the first
// form that fits; nothing when none does, or when the part or record would
// take the target's own name.
std::optional<PartNames> PartNamesFor(const std::string& target, uint32_t unique);

// The part that the record file `record` describes; nothing when `record`
// is not named as a record is.
std::optional<std::string> PartOfRecord(std::string_view record);

}  // namespace kvel::transfers
