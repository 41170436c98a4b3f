#include <windows.h>

#include "platform/bitmaps.h"

namespace kvel::platform {

Bitmap LoadBitmapResource(Module module, int id) {
  return LoadImageA(static_cast<HINSTANCE>(module), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0,
                    LR_DEFAULTCOLOR);
}

bool BitmapSize(Bitmap bitmap, int32_t* width, int32_t* height) {
  BITMAP description{};
  if (GetObjectA(static_cast<HBITMAP>(bitmap), sizeof description, &description) == 0) return false;
  *width = description.bmWidth;
  *height = description.bmHeight;
  return true;
}

void DeleteBitmap(Bitmap bitmap) {
  DeleteObject(static_cast<HBITMAP>(bitmap));
}

}  // namespace kvel::platform
