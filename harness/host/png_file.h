// Screenshots as PNG files (uncompressed deflate: simple and exact).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace standin {

// Pixels row by row from the top, each 0x00RRGGBB.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;

  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

inline constexpr uint32_t Rgb(uint8_t red, uint8_t green, uint8_t blue) {
  return static_cast<uint32_t>(red) << 16 | static_cast<uint32_t>(green) << 8 | blue;
}

// Writes `image` as a 24-bit PNG; false when the file cannot be written.
bool WritePng(const std::string& path, const Image& image);

}  // namespace standin
