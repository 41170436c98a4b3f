// What the transfer window shows in place of a transfer's speed when it has
// none: what a waiting transfer waits for, one text per kind of wait, and
// that a file taken without asking has come (Windows-1250 bytes,
// readable text beside).
#pragma once

namespace kvel::text {

// "czeka na połączenie"
inline constexpr char kAwaitsConnection[] =
    "czeka na po\xB3\xB9"
    "czenie";
// "czeka": its turn among the sends to the same contact
inline constexpr char kAwaitsTurn[] = "czeka";

// "odebrano"
inline constexpr char kReceivedState[] = "odebrano";

}  // namespace kvel::text
