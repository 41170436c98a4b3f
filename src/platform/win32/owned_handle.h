// Owned Win32 handles: each closed exactly once, by the call of its kind,
// when its owner ends.
#pragma once

#include <windows.h>

namespace kvel::platform {

template <class Closer>
class UniqueHandle {
 public:
  // Takes `handle` over; null and INVALID_HANDLE_VALUE hold nothing.
  explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
  ~UniqueHandle() {
    if (Valid()) Closer{}(handle_);
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  HANDLE Get() const { return handle_; }
  bool Valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }

 private:
  const HANDLE handle_;
};

struct CloseKernelHandle {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
struct CloseFindHandle {
  void operator()(HANDLE handle) const { FindClose(handle); }
};

// A file, process or thread handle (CloseHandle).
using OwnedHandle = UniqueHandle<CloseKernelHandle>;
// A search of FindFirstFileA (FindClose).
using FindHandle = UniqueHandle<CloseFindHandle>;

}  // namespace kvel::platform
