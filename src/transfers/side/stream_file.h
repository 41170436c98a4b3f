// A file opened for one pass of reading or writing by a transfer.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kvel::transfers {

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

}  // namespace kvel::transfers
