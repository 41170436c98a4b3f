#include "router/remembered_file.h"

#include <cstdio>

namespace kvel::router {

Remembered LoadRemembered(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return {};
  char buffer[kMaxRememberedLength + 1];
  const size_t length = std::fread(buffer, 1, sizeof buffer, file);
  std::fclose(file);
  return DecodeRemembered(std::string_view(buffer, length));
}

bool SaveRemembered(const std::string& path, const Remembered& remembered) {
  const std::string text = EncodeRemembered(remembered);
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  return std::fclose(file) == 0 && written;
}

}  // namespace kvel::router
