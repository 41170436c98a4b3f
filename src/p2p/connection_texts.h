// The log lines of direct connections; each is followed by a number.
#pragma once

namespace kvel::text {

inline constexpr char kLogUnaskedCallBack[] = "call-back nobody asked for refused: ";
inline constexpr char kLogTooManyClosed[] = "too many connections, closed: ";
inline constexpr char kLogTooManyNotCalled[] = "too many connections, not calling: ";
inline constexpr char kLogPeerTooSlow[] = "peer too slow, dropped: ";

}  // namespace kvel::text
