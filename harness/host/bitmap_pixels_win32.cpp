#include <windows.h>

#include "contact_list_icons.h"

namespace standin {

std::vector<uint8_t> BitmapPixels(Param bitmap, int32_t* width, int32_t* height) {
  *width = 0;
  *height = 0;
  auto handle = reinterpret_cast<HBITMAP>(bitmap);
  BITMAP description{};
  if (handle == nullptr || GetObjectA(handle, sizeof description, &description) == 0) return {};
  if (description.bmWidth <= 0 || description.bmHeight <= 0) return {};

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = description.bmWidth;
  info.bmiHeader.biHeight = -description.bmHeight;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  const size_t stride = (static_cast<size_t>(description.bmWidth) * 3 + 3) & ~size_t{3};
  std::vector<uint8_t> bgr(stride * static_cast<size_t>(description.bmHeight));
  HDC dc = CreateCompatibleDC(nullptr);
  if (dc == nullptr) return {};
  const int rows = GetDIBits(dc, handle, 0, static_cast<UINT>(description.bmHeight), bgr.data(),
                             &info, DIB_RGB_COLORS);
  DeleteDC(dc);
  if (rows != description.bmHeight) return {};

  std::vector<uint8_t> rgb;
  rgb.reserve(static_cast<size_t>(description.bmWidth) * description.bmHeight * 3);
  for (int y = 0; y < description.bmHeight; ++y) {
    const uint8_t* row = bgr.data() + stride * static_cast<size_t>(y);
    for (int x = 0; x < description.bmWidth; ++x) {
      rgb.push_back(row[x * 3 + 2]);
      rgb.push_back(row[x * 3 + 1]);
      rgb.push_back(row[x * 3]);
    }
  }
  *width = description.bmWidth;
  *height = description.bmHeight;
  return rgb;
}

}  // namespace standin
