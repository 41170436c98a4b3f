// The log lines of taking files without asking: the section read at
// LoadPlugin, why it is off, and why an offer of a listed contact was asked
// after all (ASCII, as every log line).
#pragma once

namespace kvel::text {

// Followed by the numbers' count, maxkb and the folder.
inline constexpr char kLogAutoAcceptOn[] = "autoaccept on: contacts=";
// Followed by why the section is off.
inline constexpr char kLogAutoAcceptOff[] = "autoaccept off: ";
// Followed by the contact and why its offer is asked.
inline constexpr char kLogAutoAcceptAsks[] = "autoaccept asks: peer=";

// Why the section is off, each followed by the value where it helps.
inline constexpr char kAutoAcceptBadUin[] = "uins: not a GG number: ";
inline constexpr char kAutoAcceptTooManyUins[] = "uins: more numbers than 256";
inline constexpr char kAutoAcceptTooLong[] = ": longer than kvel reads";
inline constexpr char kAutoAcceptBadMaxKb[] = "maxkb: not a whole number from 1 to 4194304: ";
inline constexpr char kAutoAcceptRelativeDir[] = "dir: not an absolute folder: ";
inline constexpr char kAutoAcceptLongDir[] = "dir: longer than 247 characters";
inline constexpr char kAutoAcceptBadDir[] = "dir: holds a character no folder can: ";
inline constexpr char kAutoAcceptDataDir[] = "dir: kvel's own data folder";

// The folder in the data directory that takes the files when no other is
// named.
inline constexpr char kAutoAcceptFolder[] = "odebrane";

}  // namespace kvel::text
