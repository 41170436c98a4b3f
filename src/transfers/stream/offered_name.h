// The name a peer offers its file under is untrusted: it is shown to the user
// and proposed in the save dialog only in the form this makes of it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kvel::transfers {

// The longest name kept (the platform's limit for one path component).
inline constexpr size_t kMaxOfferedNameLength = 255;

// A plain file name safe to save under: only the last path component (after
// any '\', '/' or drive colon), without characters Windows forbids in names,
// control characters, or trailing dots and spaces; a reserved device name
// (CON, NUL, COM1, COM followed by a superscript 1 to 3, CONIN$ ..., also
// with an extension) gets a leading '_'; at most
// 255 bytes. A name with nothing left becomes a neutral name.
std::string SanitizeOfferedName(std::string_view offered);

}  // namespace kvel::transfers
