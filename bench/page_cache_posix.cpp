#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "page_cache.h"

namespace kvel::bench {

bool DropFromPageCache(const std::string& path, std::string* why) {
  const int file = ::open(path.c_str(), O_RDONLY);
  if (file < 0) {
    *why = path + ": " + std::strerror(errno);
    return false;
  }
  // Dirty pages are not dropped: sync them first. No root needed.
  int error = ::fsync(file) == 0 ? 0 : errno;
  if (error == 0) error = ::posix_fadvise(file, 0, 0, POSIX_FADV_DONTNEED);
  ::close(file);
  if (error != 0) *why = path + ": " + std::strerror(error);
  return error == 0;
}

bool SyncFileSystem(const std::string& directory, std::string* why) {
  const int folder = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY);
  if (folder < 0) {
    *why = directory + ": " + std::strerror(errno);
    return false;
  }
  const int error = ::syncfs(folder) == 0 ? 0 : errno;
  ::close(folder);
  if (error != 0) *why = directory + ": " + std::strerror(error);
  return error == 0;
}

}  // namespace kvel::bench
