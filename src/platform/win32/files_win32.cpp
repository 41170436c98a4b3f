#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cstdio>

#include "platform/files.h"

namespace kvel::platform {

bool MakeDirectory(const char* path) {
  return CreateDirectoryA(path, nullptr) != 0;
}

bool PathExists(const char* path) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA(path, &data);
  if (find == INVALID_HANDLE_VALUE) return false;
  FindClose(find);
  return true;
}

std::optional<FileIdentity> IdentityOf(const char* path) {
  // Opened for no access at all, shared every way: a folder (with backup
  // semantics) or a file another program holds open.
  HANDLE handle = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION information;
  const bool read = GetFileInformationByHandle(handle, &information) != 0;
  CloseHandle(handle);
  if (!read) return std::nullopt;
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
  FileInformation result;
  result.attributes = data.dwFileAttributes;
  result.creationTime = join(data.ftCreationTime.dwHighDateTime, data.ftCreationTime.dwLowDateTime);
  result.lastAccessTime =
      join(data.ftLastAccessTime.dwHighDateTime, data.ftLastAccessTime.dwLowDateTime);
  result.lastWriteTime =
      join(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime);
  result.size = join(data.nFileSizeHigh, data.nFileSizeLow);
  return result;
}

namespace {

// The thread's last error after a failed file call, as the user can act on it.
FileProblem ProblemOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return FileProblem::Exists;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_FILE_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
      return FileProblem::NoFolder;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_SHARING_VIOLATION:
      return FileProblem::NoAccess;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return FileProblem::DiskFull;
    case ERROR_FILENAME_EXCED_RANGE:
      return FileProblem::TooLong;
    default:
      return FileProblem::Other;
  }
}

}  // namespace

std::FILE* CreateNewFile(const char* path, FileProblem* problem) {
  // _open shares the file for reading and writing with other programs.
  const int fd = _open(path, _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
  if (fd < 0) {
    // _open leaves the error of the CreateFile under it.
    if (problem != nullptr) *problem = ProblemOf(GetLastError());
    return nullptr;
  }
  std::FILE* file = _fdopen(fd, "wb");
  if (file == nullptr) {
    if (problem != nullptr) *problem = FileProblem::Other;
    _close(fd);
  }
  return file;
}

std::FILE* OpenFileForUpdate(const char* path) {
  const int fd = _open(path, _O_RDWR | _O_BINARY);
  if (fd < 0) return nullptr;
  std::FILE* file = _fdopen(fd, "r+b");
  if (file == nullptr) _close(fd);
  return file;
}

bool MoveFileOver(const char* from, const char* to, Error* error) {
  if (MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != 0) return true;
  if (error != nullptr) *error = Error{"move", static_cast<int>(GetLastError())};
  return false;
}

bool MoveFileNew(const char* from, const char* to, FileProblem* problem) {
  // Without MOVEFILE_REPLACE_EXISTING the rename fails when the name is taken.
  if (MoveFileExA(from, to, 0) != 0) return true;
  if (problem != nullptr) *problem = ProblemOf(GetLastError());
  return false;
}

bool RemoveFile(const char* path) {
  return DeleteFileA(path) != 0;
}

bool SeekFile(std::FILE* file, uint64_t offset) {
  if (offset > static_cast<uint64_t>(INT64_MAX)) return false;
  return _fseeki64(file, static_cast<__int64>(offset), SEEK_SET) == 0;
}

std::vector<std::string> ListFiles(const std::string& directory) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((directory + "*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) names.push_back(data.cFileName);
  } while (FindNextFileA(find, &data));
  FindClose(find);
  return names;
}

}  // namespace kvel::platform
