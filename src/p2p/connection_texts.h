// The texts of direct connections: log lines, and what the user is told of a
// transfer that ended badly (Windows-1250 bytes, readable text beside).
#pragma once

namespace kvel::text {

// Log lines; each is followed by a number.
inline constexpr char kLogUnaskedCallBack[] = "call-back nobody asked for refused: ";
inline constexpr char kLogTooManyClosed[] = "too many connections, closed: ";
inline constexpr char kLogTooManyNotCalled[] = "too many connections, not calling: ";
inline constexpr char kLogPeerTooSlow[] = "peer too slow, dropped: ";

}  // namespace kvel::text
