// The files a transfer reads and writes: the file sent, the part received
// and its record, and the list of kept parts.
#pragma once

#include <memory>
#include <optional>

#include "platform/error.h"
#include "platform/files.h"
#include "transfers/side/stream_file.h"

namespace kvel::transfers {

class TransferFiles {
 public:
  virtual ~TransferFiles() = default;
  virtual std::optional<platform::FileInformation> ReadFileInformation(const char* path) = 0;
  // Null when the file cannot be opened.
  virtual std::unique_ptr<StreamFile> OpenForReading(const char* path) = 0;
  // A new file for writing; null when the path exists already or the file
  // cannot be created, and then `error` (when given) says why. Never opens
  // an existing file.
  virtual std::unique_ptr<StreamFile> CreateNewFile(const char* path,
                                                    platform::Error* error = nullptr) = 0;
  // An existing file for reading and writing from its start; null when it
  // cannot be opened. Never creates one.
  virtual std::unique_ptr<StreamFile> OpenForUpdate(const char* path) = 0;
  // Puts the closed file `from` in the place of `to` in one step, replacing
  // a file there. False when it failed.
  virtual bool MoveFileOver(const char* from, const char* to) = 0;
  // Gives the closed file `from` the name `to` in one step unless something
  // is there: then false, with `error` of kind Exists, and both as they were.
  virtual bool MoveFileNew(const char* from, const char* to, platform::Error* error) = 0;
  virtual void RemoveFile(const char* path) = 0;
};

}  // namespace kvel::transfers
