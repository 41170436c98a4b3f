// Files and folders: opening, making, moving and removing them, and what the
// platform tells of them. Everything outside the platform reaches its files
// through here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/file_handle.h"

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

// Opens an existing file for reading from its start, sharing it with other
// programs; an empty handle when it cannot.
FileHandle OpenFileForReading(const char* path);
// Creates `path` as a new empty file open for writing, which other programs
// may read and write meanwhile. An empty handle when the path exists
// already (an existing file is never opened) or the file cannot be created;
// then `error`, when given, says why ("create", kind Exists for the first).
FileHandle CreateNewFile(const char* path, Error* error = nullptr);
// Opens an existing file for reading and writing at its start, sharing it
// as CreateNewFile does; never creates one. An empty handle when it cannot.
FileHandle OpenFileForUpdate(const char* path);
// Opens `path` for writing from its start, made when missing and emptied
// when there; an empty handle when it cannot.
FileHandle OpenFileForRewriting(const char* path);
// Opens `path` for writing at its end, made when missing; an empty handle
// when it cannot.
FileHandle OpenFileForAppending(const char* path);
// Puts the file `from` in the place of `to` in one step, replacing a file
// there (MoveFileExA with MOVEFILE_REPLACE_EXISTING; rename on POSIX). Both
// lie in the same folder. False when it failed; both are then as they were,
// and `error` (when given) says why.
bool MoveFileOver(const char* from, const char* to, Error* error = nullptr);
// Gives the file `from` the name `to` in one step, unless something is
// there already: then, as after any failure, both are as they were and
// false comes back, with `error` (when given) of kind Exists. Both lie in
// the same folder. A file that appears at `to` meanwhile is never replaced.
bool MoveFileNew(const char* from, const char* to, Error* error = nullptr);
// Deletes a file; false when it could not.
bool RemoveFile(const char* path);

// The bytes this user may still write on the volume that holds the folder
// `folder` (GetDiskFreeSpaceExA's free bytes available to the caller;
// statvfs on POSIX); nothing when the platform cannot tell.
std::optional<uint64_t> FreeDiskSpace(const char* folder);

// The names of the files (not folders) in `directory`, which ends with a
// separator; empty when it cannot be read.
std::vector<std::string> ListFiles(const std::string& directory);

}  // namespace kvel::platform
