#include "router/remembered_file.h"

#include "platform/files.h"

namespace kvel::router {

Remembered LoadRemembered(const std::string& path) {
  platform::FileHandle file = platform::OpenFileForReading(path.c_str());
  if (!file) return {};
  char buffer[kMaxRememberedLength + 1];
  const size_t length = file.Read(buffer, sizeof buffer);
  return DecodeRemembered(std::string_view(buffer, length));
}

bool SaveRemembered(const std::string& path, const Remembered& remembered) {
  const std::string text = EncodeRemembered(remembered);
  platform::FileHandle file = platform::OpenFileForRewriting(path.c_str());
  if (!file) return false;
  const bool written = file.Write(text.data(), text.size());
  return file.Close() && written;
}

}  // namespace kvel::router
