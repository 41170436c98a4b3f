// Native builds have no bitmap objects to read: icons keep no pixels.
#include "contact_list_icons.h"

namespace standin {

std::vector<uint8_t> BitmapPixels(Param, int32_t* width, int32_t* height) {
  *width = 0;
  *height = 0;
  return {};
}

}  // namespace standin
