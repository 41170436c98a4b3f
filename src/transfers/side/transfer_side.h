// What a file transfer reaches beyond its connection and its record: the user
// (question and file dialogs), the files it reads or writes, and the kept
// parts of cut transfers. The product binds the platform (platform_side.h);
// tests bind recording fakes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/dialogs.h"
#include "platform/files.h"

namespace kvel::transfers {

class KeptParts;

// A file opened for one pass of reading or writing.
class StreamFile {
 public:
  virtual ~StreamFile() = default;
  // Up to `count` bytes; fewer only at the end of the file or after an error.
  virtual size_t Read(void* buffer, size_t count) = 0;
  // False unless all `count` bytes were written.
  virtual bool Write(const void* data, size_t count) = 0;
  // Moves to `offset` bytes from the start, with a 64-bit offset in every
  // build; false when it failed.
  virtual bool Seek(uint64_t offset) = 0;
  // True once a read or write has failed.
  virtual bool Failed() const = 0;
  // Flushes and closes; false when that failed. Called once.
  virtual bool Close() = 0;
};

class TransferSide {
 public:
  virtual ~TransferSide() = default;
  // The contact's display name, or the number in decimal.
  virtual std::string PeerName(uint32_t uin) = 0;
  virtual bool AskYesNo(const char* text, const char* caption) = 0;
  virtual bool ChooseSaveFile(platform::FileDialog& dialog) = 0;
  virtual bool ChooseOpenFile(platform::FileDialog& dialog) = 0;
  virtual std::optional<platform::FileInformation> ReadFileInformation(const char* path) = 0;
  // Null when the file cannot be opened.
  virtual std::unique_ptr<StreamFile> OpenForReading(const char* path) = 0;
  // A new file for writing; null when the path exists already or the file
  // cannot be created, and then `problem` (when given) says why. Never opens
  // an existing file.
  virtual std::unique_ptr<StreamFile> CreateNewFile(const char* path,
                                                    platform::FileProblem* problem = nullptr) = 0;
  // An existing file for reading and writing from its start; null when it
  // cannot be opened. Never creates one.
  virtual std::unique_ptr<StreamFile> OpenForUpdate(const char* path) = 0;
  // Puts the closed file `from` in the place of `to` in one step, replacing
  // a file there. False when it failed.
  virtual bool MoveFileOver(const char* from, const char* to) = 0;
  // Gives the closed file `from` the name `to` in one step unless something
  // is there: then false, with `problem` Exists, and both as they were.
  virtual bool MoveFileNew(const char* from, const char* to, platform::FileProblem* problem) = 0;
  virtual void RemoveFile(const char* path) = 0;
  // Whether anything (a file, a folder) has the name `path`.
  virtual bool PathTaken(const char* path) = 0;
  // Makes the folder `path` (not its parents); false when it failed, one
  // that is there already included.
  virtual bool MakeFolder(const char* path) = 0;
  // Which file or folder `path` names, however it is spelt.
  virtual std::optional<platform::FileIdentity> IdentityOf(const char* path) = 0;
  // The bytes free for this user on the volume of the folder `folder`;
  // nothing when that cannot be told (then nothing is refused for room).
  virtual std::optional<uint64_t> FreeSpace(const char* /*folder*/) { return std::nullopt; }
  // Where the parts of cut transfers are listed; null when none are kept
  // (then every part that does not take its target's place is removed).
  virtual KeptParts* Kept() = 0;
};

}  // namespace kvel::transfers
