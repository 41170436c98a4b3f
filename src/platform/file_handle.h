// An owned open file, read and written in binary: closed exactly once, when
// its owner closes it or ends. files.h opens one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace kvel::platform {

class FileHandle {
 public:
  FileHandle() = default;
  // Takes `file` (null: none) over.
  explicit FileHandle(std::FILE* file) : file_(file) {}
  ~FileHandle() { Close(); }
  FileHandle(FileHandle&& other) noexcept;
  FileHandle& operator=(FileHandle&& other) noexcept;
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;

  bool Valid() const { return file_ != nullptr; }
  explicit operator bool() const { return Valid(); }

  // Up to `count` bytes; fewer only at the end of the file or after an error.
  size_t Read(void* buffer, size_t count);
  // False unless all `count` bytes were written and no write failed before.
  bool Write(const void* data, size_t count);
  // Moves to `offset` bytes from the start, with a 64-bit offset in every
  // build; false when it failed.
  bool Seek(uint64_t offset);
  // True once a read, write or close has failed.
  bool Failed() const { return failed_; }
  // Flushes and closes the file, if it is open; false when that or an
  // earlier read or write failed.
  bool Close();

 private:
  std::FILE* file_ = nullptr;
  bool failed_ = false;
};

}  // namespace kvel::platform
