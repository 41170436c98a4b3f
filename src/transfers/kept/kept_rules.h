// What becomes of a received file's part: kept when its transfer is cut,
// taken up again or removed when its file is offered anew, swept when the
// plug-in starts. Pure: facts in, decisions out.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/files.h"
#include "transfers/kept/kept_record.h"

namespace kvel::transfers {

// A kept part older than this is removed when the plug-in starts.
inline constexpr uint32_t kKeptPartLifetimeSeconds = 7 * 24 * 60 * 60;
// A record kept later than this past now comes from a clock set wrong: it
// would never grow old, and is removed like a damaged one.
inline constexpr uint32_t kKeptPartClockSlackSeconds = 24 * 60 * 60;

// How a receiving stream ended.
enum class ReceiveEnd {
  Whole,  // the last chunk brought exactly the announced size
  // The connection ended or failed first: the peer stopped or closed, the
  // link broke, a time limit struck, or this side's socket was shut down
  // (by the user's stop, or as the plug-in was unloaded).
  Cut,
  // The peer sent what no whole file can follow: a chunk of another type,
  // data past the announced size (a sender that ignored the offset too), a
  // last chunk short of it.
  PeerBroke,
  OwnFailure,  // this side could not write, keep or put the file in place
  // Going on from a kept part, the sender sent neither the bytes from the
  // offset asked for nor the file's first ones: its file changed.
  SenderChanged,
};

// Whether the part of a transfer that ended as `end` is kept to be resumed:
// after a cut that the receiving user did not make (the user's stop removes
// it; the unloading keeps it), or after this side failed to save what came,
// and only when it holds more than kMinResumedPart bytes.
bool KeepsPart(ReceiveEnd end, bool stoppedByUser, int64_t partBytes);

// The file an offer brings, as far as a kept part is matched against it.
struct OfferedFile {
  uint32_t uin = 0;
  std::string name;  // sanitised
  int64_t size = 0;
  std::string target;  // the path the user chose
};

// Whether a kept part can still be taken up: its record is whole, it was
// kept within the last week (by a clock not set ahead), and the part on disk
// is as it was kept (its length and last write time). `record` is nothing
// when damaged, `part` when missing; `now` in seconds since 1970.
bool KeptPartStays(const std::optional<KeptRecord>& record,
                   const std::optional<platform::FileInformation>& part, uint32_t now);

enum class KeptUse {
  Resume,  // the same transfer: the user is asked whether to go on from it
  Remove,  // of no use to this offer, which would replace it: removed
  Leave,   // another file's, left as it is
};

// What an offer does with a kept part: resumes it when it stays, holds more
// than kMinResumedPart bytes and was kept for the same contact, name, size
// and chosen path; removes it when it does not stay, or when it shares the
// contact, name and size, or the path, but not all four or not enough
// bytes; leaves any other.
KeptUse JudgeKeptPart(const std::optional<KeptRecord>& record,
                      const std::optional<platform::FileInformation>& part,
                      const OfferedFile& offer, uint32_t now);

}  // namespace kvel::transfers
