// The texts of a box that lists several notices (Windows-1250 bytes,
// readable text beside).
#pragma once

namespace kvel::text {

// The last line of a box that leaves notices out, counting them.
// "(i jeszcze %u)"
inline constexpr char kNoticesMoreFormat[] = "(i jeszcze %u)";

}  // namespace kvel::text
