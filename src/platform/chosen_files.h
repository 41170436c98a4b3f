// What an open dialog that takes several files answers, as paths. Pure:
// bytes in, paths out.
#pragma once

#include <span>
#include <string>
#include <vector>

namespace kvel::platform {

// The files chosen in `answer`, the buffer an open dialog filled: one whole
// path, or the folder followed by the names chosen in it, each ending in a
// NUL, and one more NUL after the last. A name is joined to its folder with
// a backslash (a slash where the folder holds slashes and no backslash),
// none when the folder ends in one. Reads nothing past `answer`: a name
// that does not end within it is left out, with every name after it, and
// a folder or path that does not end within it names no file. Empty when
// nothing was chosen.
std::vector<std::string> ChosenFiles(std::span<const char> answer);

}  // namespace kvel::platform
