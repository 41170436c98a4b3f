#include "transfers/kept_rules.h"

#include <algorithm>

namespace kvel::transfers {

bool KeepsPart(ReceiveEnd end, bool stoppedByUser, int64_t partBytes) {
  return end == ReceiveEnd::Cut && !stoppedByUser && partBytes > 0;
}

bool KeptPartStays(const std::optional<KeptRecord>& record,
                   const std::optional<platform::FileInformation>& part, uint32_t now) {
  if (!record || !part) return false;
  if (record->at > now) {
    if (record->at - now > kKeptPartClockSlackSeconds) return false;
  } else if (now - record->at > kKeptPartLifetimeSeconds) {
    return false;
  }
  return part->size == static_cast<uint64_t>(record->kept) &&
         part->lastWriteTime == record->written;
}

KeptUse JudgeKeptPart(const std::optional<KeptRecord>& record,
                      const std::optional<platform::FileInformation>& part,
                      const OfferedFile& offer, uint32_t now) {
  if (!KeptPartStays(record, part, now)) return KeptUse::Remove;
  const bool sameFile =
      record->uin == offer.uin && record->name == offer.name && record->size == offer.size;
  const bool samePath = record->target == offer.target;
  if (sameFile && samePath) return KeptUse::Resume;
  return sameFile || samePath ? KeptUse::Remove : KeptUse::Leave;
}

uint32_t ResumeOffset(int64_t kept) {
  return static_cast<uint32_t>(std::clamp<int64_t>(kept, 0, UINT32_MAX));
}

}  // namespace kvel::transfers
