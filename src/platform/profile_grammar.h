// The private-profile (INI) grammar as the platform reads it, over a text in
// memory: lines split at CR/LF, blanks trimmed, "[name]" opens a section,
// "key=value" lines; names compare without regard to ASCII case; only the
// first section of a name is searched and the first key of a name wins; a
// line without "=" is a key without a value. Pure: no file access.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace kvel::platform::profile {

// The value of `key` in `section`, or nullopt when the section, the key or
// its "=" is missing. The view points into `text`.
std::optional<std::string_view> FindValue(std::string_view text, std::string_view section,
                                          std::string_view key);

// Copies `value` into `out` (capacity `size`, at least 1) the way the
// platform's string reading does: a value enclosed in matching quotes loses
// them when they fit; the copy is cut at `size` - 1 characters and
// NUL-terminated. Returns the length copied.
size_t CopyValue(std::string_view value, char* out, size_t size);

// The platform's integer reading of a value: blanks, one sign, a "0x" / "0o"
// / "0b" prefix, then digits up to the first non-digit; wraps modulo 2^32.
uint32_t ParseInteger(std::string_view value);

// The whole integer lookup: the value (cut to 29 characters, quotes
// stripped) parsed, or `fallback` when the key is missing or its value empty.
uint32_t ReadInt(std::string_view text, std::string_view section, std::string_view key,
                 int32_t fallback);

// The whole text lookup into `out` of `size` bytes; `fallback` when missing.
size_t ReadString(std::string_view text, std::string_view section, std::string_view key,
                  std::string_view fallback, char* out, size_t size);

}  // namespace kvel::platform::profile
