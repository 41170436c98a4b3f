#include "gg/state_bitmaps.h"

namespace kvel::gg {

StateBitmaps::StateBitmaps(BitmapFunctions functions) : functions_(std::move(functions)) {}

void StateBitmaps::LoadOnce() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (loaded_) return;
  for (int i = 0; i < kStateBitmapCount; ++i) {
    bitmaps_[i] = platform::BitmapHandle(functions_.load(kFirstStateBitmap + i), functions_.remove);
  }
  loaded_ = true;
}

platform::Bitmap StateBitmaps::Get(int state) {
  std::lock_guard<std::mutex> lock(mutex_);
  return state >= 0 && state < kStateBitmapCount ? bitmaps_[state].Get() : nullptr;
}

bool StateBitmaps::Measure(platform::Bitmap bitmap, int32_t* width, int32_t* height) {
  return functions_.size(bitmap, width, height);
}

}  // namespace kvel::gg
