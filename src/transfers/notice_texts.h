// The texts of a box that lists several notices (Windows-1250 bytes,
// readable text beside).
#pragma once

namespace kvel::text {

// The last line of a box that leaves notices out, counting them.
// "(i jeszcze %u)"
inline constexpr char kNoticesMoreFormat[] = "(i jeszcze %u)";

// The last line of the first box after notices that went to the log alone,
// while as many boxes were open as may be, counting them.
// "Pozostałe powiadomienia (%u) zapisano w dzienniku."
inline constexpr char kNoticesLoggedFormat[] =
    "Pozosta\xB3"
    "e powiadomienia (%u) zapisano w dzienniku.";
// The log line of such a notice, followed by its text.
inline constexpr char kLogNoticeNotShown[] = "notice not shown, too many boxes open: ";

}  // namespace kvel::text
