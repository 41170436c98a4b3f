// The texts of getting this user's sends through: the reasons of sends that
// waited their turn and ended so.
#pragma once

namespace kvel::text {

// The reason of a send that waited its turn and ends with an earlier one
// to the same contact, followed by that one's reason.
inline constexpr char kReasonNotTried[] = "not tried, as an earlier send: ";
// The reason of a send that waited its turn and was stopped.
inline constexpr char kReasonStoppedWaiting[] = "stopped waiting its turn";

}  // namespace kvel::text
