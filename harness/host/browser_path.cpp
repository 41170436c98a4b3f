#include "browser_path.h"

#include <cstdio>

namespace standin {

std::string EscapeUrlPath(const std::string& path) {
  std::string out;
  for (unsigned char c : path) {
    const bool plain = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                       c == '-' || c == '_' || c == '.' || c == '~' || c == '/' || c == ':';
    if (plain) {
      out += static_cast<char>(c);
    } else {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "%%%02X", c);
      out += escaped;
    }
  }
  return out;
}

}  // namespace standin
