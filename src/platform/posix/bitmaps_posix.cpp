// Natively there are no resources: a loaded "bitmap" is a small record of its
// resource id, and every one has the 16 x 16 size the real pictures have, so
// the icon logic runs the same way in native tests.
#include "platform/bitmaps.h"

namespace kvel::platform {
namespace {
struct NativeBitmap {
  int id;
};
}  // namespace

Bitmap LoadBitmapResource(Module, int id) {
  return new NativeBitmap{id};
}

bool BitmapSize(Bitmap bitmap, int32_t* width, int32_t* height) {
  if (bitmap == nullptr) return false;
  *width = 16;
  *height = 16;
  return true;
}

void DeleteBitmap(Bitmap bitmap) {
  delete static_cast<NativeBitmap*>(bitmap);
}

}  // namespace kvel::platform
