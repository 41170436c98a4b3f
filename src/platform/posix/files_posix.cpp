#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <limits>
#include <memory>

#include "platform/files.h"

namespace kvel::platform {

bool MakeDirectory(const char* path) {
  return ::mkdir(path, 0755) == 0;
}

bool PathExists(const char* path) {
  struct stat info;
  return ::stat(path, &info) == 0;
}

std::optional<FileIdentity> IdentityOf(const char* path) {
  struct stat info;
  if (::stat(path, &info) != 0) return std::nullopt;
  return FileIdentity{static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
}

std::optional<FileInformation> ReadFileInformation(const char* path) {
  struct stat info;
  if (::stat(path, &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  // FILETIME counts 100 ns from 1601; the Unix epoch is 11644473600 s later.
  auto filetime = [](const struct timespec& t) {
    return (static_cast<uint64_t>(t.tv_sec) + 11644473600ull) * 10000000ull +
           static_cast<uint64_t>(t.tv_nsec) / 100;
  };
  return FileInformation{.attributes = 0x80,  // FILE_ATTRIBUTE_NORMAL
                         .creationTime = filetime(info.st_mtim),
                         .lastAccessTime = filetime(info.st_atim),
                         .lastWriteTime = filetime(info.st_mtim),
                         .size = static_cast<uint64_t>(info.st_size)};
}

namespace {

// The descriptor `fd` as a file of `mode`; closed when that fails.
FileHandle Stream(int fd, const char* mode) {
  std::FILE* file = ::fdopen(fd, mode);
  if (file == nullptr) ::close(fd);
  return FileHandle(file);
}

}  // namespace

FileHandle CreateNewFile(const char* path, Error* error) {
  const int fd = ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) {
    Fail(error, "create", errno);
    return FileHandle();
  }
  FileHandle file = Stream(fd, "wb");
  if (!file) Fail(error, "create", 0);
  return file;
}

FileHandle OpenFileForUpdate(const char* path) {
  const int fd = ::open(path, O_RDWR | O_CLOEXEC);
  if (fd < 0) return FileHandle();
  struct stat info;
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return FileHandle();
  }
  return Stream(fd, "r+b");
}

bool MoveFileOver(const char* from, const char* to, Error* error) {
  return std::rename(from, to) == 0 || Fail(error, "move", errno);
}

bool MoveFileNew(const char* from, const char* to, Error* error) {
#ifdef RENAME_NOREPLACE
  if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return Fail(error, "move", errno);
#endif
  // Where the file system cannot rename without replacing: a second name,
  // which fails when one is there, then the first one goes.
  if (::link(from, to) != 0) return Fail(error, "move", errno);
  ::unlink(from);
  return true;
}

bool RemoveFile(const char* path) {
  return std::remove(path) == 0;
}

std::optional<uint64_t> FreeDiskSpace(const char* folder) {
  struct statvfs volume;
  if (::statvfs(folder, &volume) != 0) return std::nullopt;
  return static_cast<uint64_t>(volume.f_bavail) * volume.f_frsize;
}

bool FileHandle::Seek(uint64_t offset) {
  static_assert(sizeof(off_t) >= 8, "64-bit file offsets");
  if (file_ == nullptr || offset > static_cast<uint64_t>(std::numeric_limits<off_t>::max()))
    return false;
  return ::fseeko(file_, static_cast<off_t>(offset), SEEK_SET) == 0;
}

std::vector<std::string> ListFiles(const std::string& directory) {
  std::vector<std::string> names;
  const std::unique_ptr<DIR, int (*)(DIR*)> folder(::opendir(directory.c_str()), &::closedir);
  if (folder == nullptr) return names;
  while (const dirent* entry = ::readdir(folder.get())) {
    struct stat info;
    const std::string name = entry->d_name;
    if (::stat((directory + name).c_str(), &info) == 0 && S_ISREG(info.st_mode))
      names.push_back(name);
  }
  return names;
}

}  // namespace kvel::platform
