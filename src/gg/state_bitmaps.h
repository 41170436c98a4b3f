// The four contact-list state pictures (bitmap resources 9981 to 9984), one
// per PeerState. Loaded on first use, once; their handles delete them with the
// object.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>

#include "platform/bitmap_handle.h"
#include "wire/peer_state.h"

namespace kvel::gg {

inline constexpr int kFirstStateBitmap = 9981;
inline constexpr int kStateBitmapCount = wire::kDirect + 1;
// The pictures' background, (255, 0, 255) as 0x00BBGGRR: the host shows it
// as transparent.
inline constexpr uint32_t kStateBitmapBackground = 0x00FF00FF;

// The platform's bitmap functions; tests count or fake them.
struct BitmapFunctions {
  // Bitmap resource `id` of the plug-in module; UserDB binds it to the
  // host's module when left empty.
  std::function<platform::Bitmap(int id)> load;
  std::function<bool(platform::Bitmap, int32_t* width, int32_t* height)> size =
      &platform::BitmapSize;
  std::function<void(platform::Bitmap)> remove = &platform::DeleteBitmap;
};

class StateBitmaps {
 public:
  explicit StateBitmaps(BitmapFunctions functions = {});
  StateBitmaps(const StateBitmaps&) = delete;
  StateBitmaps& operator=(const StateBitmaps&) = delete;

  // Loads the four bitmaps unless that was done before; a failed load leaves
  // its handle null and is not retried.
  void LoadOnce();
  // The handle for `state` (a PeerState); null before loading or when it
  // failed.
  platform::Bitmap Get(int state);
  // The platform's width and height of a loaded handle; false when unknown.
  bool Measure(platform::Bitmap bitmap, int32_t* width, int32_t* height);

 private:
  std::mutex mutex_;
  BitmapFunctions functions_;
  bool loaded_ = false;
  platform::BitmapHandle bitmaps_[kStateBitmapCount];
};

}  // namespace kvel::gg
