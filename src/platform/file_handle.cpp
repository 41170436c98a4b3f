#include "platform/file_handle.h"

#include <utility>

namespace kvel::platform {

FileHandle::FileHandle(FileHandle&& other) noexcept
    : file_(std::exchange(other.file_, nullptr)), failed_(std::exchange(other.failed_, false)) {}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
  if (this != &other) {
    Close();
    file_ = std::exchange(other.file_, nullptr);
    failed_ = std::exchange(other.failed_, false);
  }
  return *this;
}

size_t FileHandle::Read(void* buffer, size_t count) {
  if (file_ == nullptr || count == 0) return 0;
  const size_t got = std::fread(buffer, 1, count, file_);
  if (got < count && std::ferror(file_)) failed_ = true;
  return got;
}

bool FileHandle::Write(const void* data, size_t count) {
  if (file_ != nullptr && count == 0) return !failed_;  // an empty span may have no data pointer
  if (file_ == nullptr || std::fwrite(data, 1, count, file_) != count) failed_ = true;
  return !failed_;
}

bool FileHandle::Close() {
  if (file_ == nullptr) return !failed_;
  if (std::fclose(std::exchange(file_, nullptr)) != 0) failed_ = true;
  return !failed_;
}

}  // namespace kvel::platform
