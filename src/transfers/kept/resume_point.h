// Where a kept part is gone on from. A sender may ignore the offset it is
// asked for and send the file from its start; the first window of data
// that comes tells the two apart only at an offset where the kept bytes
// differ from the file's first window, so the offset is chosen for that.
// Pure: the kept bytes come through a reader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace kvel::transfers {

// The data a resumed transfer holds back, unwritten, and compares first.
inline constexpr size_t kResumeWindow = 64 * 1024;
// Only a part of more than this is gone on from (or kept): a smaller one's
// file comes again from its first byte.
inline constexpr int64_t kMinResumedPart = 2 * int64_t{kResumeWindow};
// How far each further try lies behind the one before: a prime, so that
// only a file repeating every 65537 bytes or a run of one byte looks the
// same at every try.
inline constexpr uint32_t kResumeStep = kResumeWindow + 1;
// Tries at most; each reads a window.
inline constexpr int kResumeTries = 16;

struct ResumePoint {
  uint32_t offset = 0;          // asked for in the reply
  std::vector<uint8_t> head;    // the kept bytes [0, kResumeWindow)
  std::vector<uint8_t> window;  // the kept bytes [offset, offset + kResumeWindow)
};

// Fills `into` with the kept bytes from `offset` on; false when they cannot
// all be read.
using KeptBytesReader = std::function<bool(uint64_t offset, std::span<uint8_t> into)>;

// The point a part of `kept` bytes is gone on from: a window before the
// kept length (offsets are 32 bits: before 2^32 - 1 at most), moved back a
// step at a time while the window there is the file's first one. Nothing
// when the part is not larger than kMinResumedPart, no try differs (a file
// of one repeated byte) or a read fails.
std::optional<ResumePoint> ChooseResumePoint(int64_t kept, const KeptBytesReader& read);

}  // namespace kvel::transfers
