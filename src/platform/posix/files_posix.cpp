#include <sys/stat.h>

#include "platform/files.h"

namespace kvel::platform {

bool MakeDirectory(const char* path) {
  return ::mkdir(path, 0755) == 0;
}

bool PathExists(const char* path) {
  struct stat info;
  return ::stat(path, &info) == 0;
}

std::optional<FileInformation> ReadFileInformation(const char* path) {
  struct stat info;
  if (::stat(path, &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  // FILETIME counts 100 ns from 1601; the Unix epoch is 11644473600 s later.
  auto filetime = [](const struct timespec& t) {
    return (static_cast<uint64_t>(t.tv_sec) + 11644473600ull) * 10000000ull +
           static_cast<uint64_t>(t.tv_nsec) / 100;
  };
  FileInformation result;
  result.attributes = 0x80;  // FILE_ATTRIBUTE_NORMAL
  result.creationTime = filetime(info.st_mtim);
  result.lastAccessTime = filetime(info.st_atim);
  result.lastWriteTime = filetime(info.st_mtim);
  result.size = static_cast<uint64_t>(info.st_size);
  return result;
}

}  // namespace kvel::platform
