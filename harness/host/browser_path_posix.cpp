#include "browser_path.h"

namespace standin {

std::string BrowserFileUrl(const std::string& path) {
  if (path.empty() || path[0] != '/') return std::string();
  return "file://" + EscapeUrlPath(path);
}

}  // namespace standin
