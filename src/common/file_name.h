// A path's last part: the file's name, as the user and the peer see it.
#pragma once

#include <string_view>

namespace kvel {

// What follows the last separator of either kind; the whole of a path that
// has none.
inline std::string_view FileNameOf(std::string_view path) {
  const size_t separator = path.find_last_of("\\/");
  return separator == std::string_view::npos ? path : path.substr(separator + 1);
}

}  // namespace kvel
