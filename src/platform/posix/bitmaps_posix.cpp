// Natively there are no resources: a loaded "bitmap" is a small record of its
// resource id and the 16 x 16 size the real pictures have, so the icon logic
// runs the same way in native tests.
#include "platform/bitmaps.h"

namespace kvel::platform {
namespace {
struct NativeBitmap {
  int id;
  int32_t width;
  int32_t height;
};
}  // namespace

Bitmap LoadBitmapResource(Module, int id) {
  return new NativeBitmap{id, 16, 16};
}

bool BitmapSize(Bitmap bitmap, int32_t* width, int32_t* height) {
  if (bitmap == nullptr) return false;
  const auto* native = static_cast<const NativeBitmap*>(bitmap);
  *width = native->width;
  *height = native->height;
  return true;
}

void DeleteBitmap(Bitmap bitmap) {
  delete static_cast<NativeBitmap*>(bitmap);
}

}  // namespace kvel::platform
