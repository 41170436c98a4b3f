#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cstdio>

#include "platform/files.h"
#include "platform/win32/owned_handle.h"

namespace kvel::platform {

bool MakeDirectory(const char* path) {
  return CreateDirectoryA(path, nullptr) != 0;
}

bool PathExists(const char* path) {
  WIN32_FIND_DATAA data;
  return FindHandle(FindFirstFileA(path, &data)).Valid();
}

std::optional<FileIdentity> IdentityOf(const char* path) {
  // Opened for no access at all, shared every way: a folder (with backup
  // semantics) or a file another program holds open.
  const OwnedHandle handle(
      CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!handle.Valid()) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION information;
  if (GetFileInformationByHandle(handle.Get(), &information) == 0) return std::nullopt;
  return FileIdentity{
      information.dwVolumeSerialNumber,
      (static_cast<uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow};
}

std::optional<uint64_t> FreeDiskSpace(const char* folder) {
  ULARGE_INTEGER available;
  if (!GetDiskFreeSpaceExA(folder, &available, nullptr, nullptr)) return std::nullopt;
  return available.QuadPart;
}

std::optional<FileInformation> ReadFileInformation(const char* path) {
  // Reads the directory entry only: never creates the file and works while
  // another program holds it open.
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return std::nullopt;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return std::nullopt;
  auto join = [](DWORD high, DWORD low) { return (static_cast<uint64_t>(high) << 32) | low; };
  auto filetime = [&](const FILETIME& t) { return join(t.dwHighDateTime, t.dwLowDateTime); };
  return FileInformation{.attributes = data.dwFileAttributes,
                         .creationTime = filetime(data.ftCreationTime),
                         .lastAccessTime = filetime(data.ftLastAccessTime),
                         .lastWriteTime = filetime(data.ftLastWriteTime),
                         .size = join(data.nFileSizeHigh, data.nFileSizeLow)};
}

namespace {

// The descriptor `fd` as a file of `mode`; closed when that fails.
FileHandle Stream(int fd, const char* mode) {
  std::FILE* file = _fdopen(fd, mode);
  if (file == nullptr) _close(fd);
  return FileHandle(file);
}

}  // namespace

FileHandle CreateNewFile(const char* path, Error* error) {
  // _open shares the file for reading and writing with other programs.
  const int fd = _open(path, _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
  if (fd < 0) {
    // _open leaves the error of the CreateFile under it.
    Fail(error, "create", static_cast<int>(GetLastError()));
    return FileHandle();
  }
  FileHandle file = Stream(fd, "wb");
  if (!file) Fail(error, "create", 0);
  return file;
}

FileHandle OpenFileForUpdate(const char* path) {
  const int fd = _open(path, _O_RDWR | _O_BINARY);
  if (fd < 0) return FileHandle();
  return Stream(fd, "r+b");
}

bool MoveFileOver(const char* from, const char* to, Error* error) {
  return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != 0 ||
         Fail(error, "move", static_cast<int>(GetLastError()));
}

bool MoveFileNew(const char* from, const char* to, Error* error) {
  // Without MOVEFILE_REPLACE_EXISTING the rename fails when the name is taken.
  return MoveFileExA(from, to, 0) != 0 || Fail(error, "move", static_cast<int>(GetLastError()));
}

bool RemoveFile(const char* path) {
  return DeleteFileA(path) != 0;
}

bool FileHandle::Seek(uint64_t offset) {
  if (file_ == nullptr || offset > static_cast<uint64_t>(INT64_MAX)) return false;
  return _fseeki64(file_, static_cast<__int64>(offset), SEEK_SET) == 0;
}

std::vector<std::string> ListFiles(const std::string& directory) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  const FindHandle find(FindFirstFileA((directory + "*").c_str(), &data));
  if (!find.Valid()) return names;
  do {
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) names.push_back(data.cFileName);
  } while (FindNextFileA(find.Get(), &data));
  return names;
}

}  // namespace kvel::platform
