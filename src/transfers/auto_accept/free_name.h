// The names a file taken without asking is saved under, so that none
// overwrites another: "name.ext", then "name (2).ext", "name (3).ext" and so
// on up to kMaxNameNumber, each cut to fit the path limit. Pure.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace kvel::transfers {

// Names tried for one file before it is asked instead: each costs a look at
// the folder.
inline constexpr unsigned kMaxNameNumber = 999;
// A longer "extension" is taken as part of the name.
inline constexpr size_t kMaxExtensionLength = 16;

// The path of name number `number` for the (sanitised) `name` in `folder`
// (ending with a separator): `name` itself for 1, else " (number)" before
// its extension (the part from its last dot, unless that is its first
// character). The part before the extension is cut so that the path stays
// within kMaxPathLength and the name within kMaxEntryName. Nothing when no
// such name fits, or when the cut makes a name the platform would not keep
// as it is (a device name, a trailing dot).
std::optional<std::string> NumberedPath(std::string_view folder, std::string_view name,
                                        unsigned number);

// The first numbered path of `name` in `folder`, from 1 to kMaxNameNumber,
// that `claim` takes (claim says false for a name that is taken). Nothing
// when it took none.
std::optional<std::string> ClaimFreePath(std::string_view folder, std::string_view name,
                                         const std::function<bool(const std::string&)>& claim);

}  // namespace kvel::transfers
