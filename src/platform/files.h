// Files and directories beyond the standard streams.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "platform/error.h"

namespace kvel::platform {

// The separator that ends directory texts of this platform.
#ifdef _WIN32
inline constexpr char kPathSeparator[] = "\\";
#else
inline constexpr char kPathSeparator[] = "/";
#endif

// CreateDirectoryA with no security attributes; false when it failed
// (an existing directory included).
bool MakeDirectory(const char* path);

// True when FindFirstFileA finds the exact path (the handle is closed at once).
bool PathExists(const char* path);

// Which file or folder a path names, however it is spelt (letter case, "."
// and "..", doubled separators, short names, links): its volume and its
// entry there. Nothing when the path names nothing or cannot be opened.
struct FileIdentity {
  uint64_t volume = 0;
  uint64_t entry = 0;
  bool operator==(const FileIdentity&) const = default;
};
std::optional<FileIdentity> IdentityOf(const char* path);

// What the platform reports of an existing file. Never creates the file and
// does not need exclusive access.
struct FileInformation {
  uint32_t attributes = 0;
  uint64_t creationTime = 0;    // FILETIME, 100 ns since 1601
  uint64_t lastAccessTime = 0;  // FILETIME
  uint64_t lastWriteTime = 0;   // FILETIME
  uint64_t size = 0;
};
std::optional<FileInformation> ReadFileInformation(const char* path);

// Why a file could not be made, as far as the user can act on it.
enum class FileProblem {
  None,
  Exists,    // a file of that name is there already
  NoFolder,  // the folder is not there
  NoAccess,  // not allowed, or the medium is read-only
  DiskFull,
  TooLong,  // the path is past the platform's limit
  Other,
};

// Creates `path` as a new empty file open for binary writing, which other
// programs may read and write meanwhile. Null when the path exists already
// (an existing file is never opened) or the file cannot be created; then
// `problem`, when given, says why.
std::FILE* CreateNewFile(const char* path, FileProblem* problem = nullptr);
// Opens an existing file for binary reading and writing at its start,
// sharing it as CreateNewFile does; never creates one. Null when it cannot.
std::FILE* OpenFileForUpdate(const char* path);
// Puts the file `from` in the place of `to` in one step, replacing a file
// there (MoveFileExA with MOVEFILE_REPLACE_EXISTING; rename on POSIX). Both
// lie in the same folder. False when it failed; both are then as they were,
// and `error` (when given) says why.
bool MoveFileOver(const char* from, const char* to, Error* error = nullptr);
// Gives the file `from` the name `to` in one step, unless something is
// there already: then, as after any failure, both are as they were and
// false comes back, with `problem` (when given) Exists. Both lie in the same
// folder. A file that appears at `to` meanwhile is never replaced.
bool MoveFileNew(const char* from, const char* to, FileProblem* problem = nullptr);
// Deletes a file; false when it could not.
bool RemoveFile(const char* path);

// The bytes this user may still write on the volume that holds the folder
// `folder` (GetDiskFreeSpaceExA's free bytes available to the caller;
// statvfs on POSIX); nothing when the platform cannot tell.
std::optional<uint64_t> FreeDiskSpace(const char* folder);

// Moves the position of `file` to `offset` bytes from its start, with a
// 64-bit offset in every build. False when it failed.
bool SeekFile(std::FILE* file, uint64_t offset);

// The names of the files (not folders) in `directory`, which ends with a
// separator; empty when it cannot be read.
std::vector<std::string> ListFiles(const std::string& directory);

}  // namespace kvel::platform
