// Private-profile (INI) reading with the platform's rules: the Win32 build
// calls GetPrivateProfileIntA / GetPrivateProfileStringA, the POSIX build a
// reader that follows the same rules (platform/profile_grammar.h).
#pragma once

#include <cstddef>
#include <cstdint>

namespace kvel::platform {

// The integer value of `key` in `section`, or `fallback` when the file,
// section or key is missing.
uint32_t ProfileInt(const char* section, const char* key, int32_t fallback, const char* path);

// Copies the text of `key` into `out` (size `size`, always NUL-terminated,
// cut to size - 1 characters), or `fallback` when the key is missing.
// Returns the number of characters copied.
size_t ProfileString(const char* section, const char* key, const char* fallback, char* out,
                     size_t size, const char* path);

}  // namespace kvel::platform
