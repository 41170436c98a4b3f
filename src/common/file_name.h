// Paths as Windows reads them: a path's last part (the file's name, as the
// user and the peer see it), and names compared without ASCII case.
#pragma once

#include <string>
#include <string_view>

namespace kvel {

// What follows the last separator of either kind; the whole of a path that
// has none.
inline std::string_view FileNameOf(std::string_view path) {
  const size_t separator = path.find_last_of("\\/");
  return separator == std::string_view::npos ? path : path.substr(separator + 1);
}

// `path` with its ASCII letters in lower case: Windows takes names that
// differ only so for one.
inline std::string CaseFolded(std::string_view path) {
  std::string folded(path);
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return folded;
}

}  // namespace kvel
