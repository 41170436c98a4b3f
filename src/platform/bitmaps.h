// Bitmap resources of a module (the plug-in's contact-list state pictures).
#pragma once

#include <cstdint>

namespace kvel::platform {

using Bitmap = void*;  // HBITMAP; null when absent
using Module = void*;  // HINSTANCE of the module that holds the resources

// LoadImageA of bitmap resource `id` from `module`, own size, default
// colours; null on failure.
Bitmap LoadBitmapResource(Module module, int id);
// GetObjectA into a bitmap description; false when it fails.
bool BitmapSize(Bitmap bitmap, int32_t* width, int32_t* height);
void DeleteBitmap(Bitmap bitmap);

}  // namespace kvel::platform
