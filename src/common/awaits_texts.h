// What the transfer window shows of a transfer that waits, in place of its
// speed, one text per kind of wait (Windows-1250 bytes, readable text
// beside).
#pragma once

namespace kvel::text {

// "czeka na połączenie"
inline constexpr char kAwaitsConnection[] =
    "czeka na po\xB3\xB9"
    "czenie";
// "czeka": its turn among the sends to the same contact
inline constexpr char kAwaitsTurn[] = "czeka";

}  // namespace kvel::text
