// An owned bitmap: deleted exactly once, when its owner ends or resets it.
#pragma once

#include <functional>
#include <utility>

#include "platform/bitmaps.h"

namespace kvel::platform {

class BitmapHandle {
 public:
  // DeleteBitmap unless the owner deletes its bitmaps another way.
  using Deleter = std::function<void(Bitmap)>;

  BitmapHandle() = default;
  explicit BitmapHandle(Bitmap bitmap, Deleter remove = &DeleteBitmap)
      : bitmap_(bitmap), remove_(std::move(remove)) {}
  ~BitmapHandle() { Reset(); }
  BitmapHandle(BitmapHandle&& other) noexcept
      : bitmap_(other.Release()), remove_(std::move(other.remove_)) {}
  BitmapHandle& operator=(BitmapHandle&& other) noexcept {
    if (this != &other) {
      Reset();
      bitmap_ = other.Release();
      remove_ = std::move(other.remove_);
    }
    return *this;
  }
  BitmapHandle(const BitmapHandle&) = delete;
  BitmapHandle& operator=(const BitmapHandle&) = delete;

  Bitmap Get() const { return bitmap_; }
  // Hands the bitmap over without deleting it; the handle is empty after.
  Bitmap Release() { return std::exchange(bitmap_, nullptr); }
  // Deletes the bitmap now, if there is one.
  void Reset() {
    if (Bitmap bitmap = Release(); bitmap != nullptr && remove_) remove_(bitmap);
  }

 private:
  Bitmap bitmap_ = nullptr;
  Deleter remove_;
};

}  // namespace kvel::platform
