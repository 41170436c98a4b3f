#include "transfers/kept/resume_point.h"

#include <algorithm>

namespace kvel::transfers {

std::optional<ResumePoint> ChooseResumePoint(int64_t kept, const KeptBytesReader& read) {
  if (kept <= kMinResumedPart) return std::nullopt;
  ResumePoint point;
  point.head.resize(kResumeWindow);
  if (!read(0, point.head)) return std::nullopt;
  point.window.resize(kResumeWindow);
  const int64_t first = std::min<int64_t>(kept, UINT32_MAX) - int64_t{kResumeWindow};
  for (int64_t at = first, tries = 0; at > 0 && tries < kResumeTries; at -= kResumeStep, ++tries) {
    if (!read(static_cast<uint64_t>(at), point.window)) return std::nullopt;
    if (point.window != point.head) {
      point.offset = static_cast<uint32_t>(at);
      return point;
    }
  }
  return std::nullopt;
}

}  // namespace kvel::transfers
