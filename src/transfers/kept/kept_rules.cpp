#include "transfers/kept/kept_rules.h"

#include "transfers/kept/resume_point.h"

namespace kvel::transfers {

bool KeepsPart(ReceiveEnd end, bool stoppedByUser, int64_t partBytes) {
  return (end == ReceiveEnd::Cut || end == ReceiveEnd::OwnFailure) && !stoppedByUser &&
         partBytes > kMinResumedPart;
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
  if (sameFile && samePath && record->kept > kMinResumedPart) return KeptUse::Resume;
  return sameFile || samePath ? KeptUse::Remove : KeptUse::Leave;
}

}  // namespace kvel::transfers
