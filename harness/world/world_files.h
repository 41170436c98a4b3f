// Files for the end-to-end scenarios: made with known content, compared by
// their bytes, and awaited while another process writes them.
#pragma once

#include <cstdint>
#include <string>

namespace kvel::e2e {

// Writes `size` pseudo-random bytes (from `seed`) to `path`.
void MakeFile(const std::string& path, uint64_t size, uint32_t seed);
// SHA-256 of a file in hex; empty when it cannot be read.
std::string FileSha256(const std::string& path);
uint64_t FileSize(const std::string& path);
// The size of the part file a receiving kvel writes beside `target`
// ("<target>.<digits>.kvel-part", or "~<digits>.part" in its folder where
// that would be too long) while the file arrives, or keeps there after a
// cut; 0 when there is none.
uint64_t ArrivingSize(const std::string& target);
// Waits until `path` has `size` bytes (the receiver may still be writing);
// false when that takes longer than `ms`.
bool WaitForSize(const std::string& path, uint64_t size, int ms = 60000);

}  // namespace kvel::e2e
