// The folders a transfer's file goes into: the one files are taken into
// without asking, the names free in it, and the room on its volume.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/files.h"

namespace kvel::transfers {

class TransferFolders {
 public:
  virtual ~TransferFolders() = default;
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
};

}  // namespace kvel::transfers
