// Owned Win32 handles: each closed exactly once, by the call of its kind,
// when its owner ends or resets it, unless it was released first.
#pragma once

#include <windows.h>

#include <utility>

namespace kvel::platform {

template <class Closer>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  // Takes `handle` over; null and INVALID_HANDLE_VALUE hold nothing.
  explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
  ~UniqueHandle() { Reset(); }
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) {
      Reset();
      handle_ = other.Release();
    }
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  HANDLE Get() const { return handle_; }
  bool Valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  // Hands the handle over without closing it; empty after.
  HANDLE Release() { return std::exchange(handle_, nullptr); }
  // Closes the handle now, if there is one.
  void Reset() {
    if (Valid()) Closer{}(handle_);
    handle_ = nullptr;
  }

 private:
  HANDLE handle_ = nullptr;
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
