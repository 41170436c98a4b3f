// Bitmap resources of the plug-in module (the contact-list state pictures).
#pragma once

#include <cstdint>

namespace kvel::platform {

using Bitmap = void*;  // HBITMAP; null when absent

// LoadImageA of bitmap resource `id` from the plug-in module, own size,
// default colours; null on failure.
Bitmap LoadBitmapResource(int id);
// GetObjectA into a bitmap description; false when it fails.
bool BitmapSize(Bitmap bitmap, int32_t* width, int32_t* height);
void DeleteBitmap(Bitmap bitmap);

}  // namespace kvel::platform
