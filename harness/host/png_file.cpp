#include "png_file.h"

#include <algorithm>
#include <array>
#include <fstream>

namespace standin {
namespace {

uint32_t Crc32(const uint8_t* data, size_t length, uint32_t crc = 0) {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  crc = ~crc;
  for (size_t i = 0; i < length; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

void PutBig32(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

void Chunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
  PutBig32(out, static_cast<uint32_t>(data.size()));
  std::vector<uint8_t> body(type, type + 4);
  body.insert(body.end(), data.begin(), data.end());
  out.insert(out.end(), body.begin(), body.end());
  PutBig32(out, Crc32(body.data(), body.size()));
}

// A zlib stream of stored (uncompressed) deflate blocks.
std::vector<uint8_t> Stored(const std::vector<uint8_t>& raw) {
  std::vector<uint8_t> out = {0x78, 0x01};
  size_t offset = 0;
  do {
    const size_t length = std::min<size_t>(raw.size() - offset, 65535);
    const bool last = offset + length == raw.size();
    out.push_back(last ? 1 : 0);
    out.push_back(static_cast<uint8_t>(length));
    out.push_back(static_cast<uint8_t>(length >> 8));
    out.push_back(static_cast<uint8_t>(~length));
    out.push_back(static_cast<uint8_t>(~length >> 8));
    out.insert(out.end(), raw.begin() + offset, raw.begin() + offset + length);
    offset += length;
  } while (offset < raw.size());
  uint32_t a = 1, b = 0;
  for (uint8_t byte : raw) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  PutBig32(out, b << 16 | a);
  return out;
}

}  // namespace

bool WritePng(const std::string& path, const Image& image) {
  std::vector<uint8_t> raw;
  raw.reserve(static_cast<size_t>(image.height) * (image.width * 3 + 1));
  for (int y = 0; y < image.height; ++y) {
    raw.push_back(0);  // no filter
    for (int x = 0; x < image.width; ++x) {
      uint32_t pixel = image.At(x, y);
      raw.push_back(static_cast<uint8_t>(pixel >> 16));
      raw.push_back(static_cast<uint8_t>(pixel >> 8));
      raw.push_back(static_cast<uint8_t>(pixel));
    }
  }
  std::vector<uint8_t> header;
  PutBig32(header, static_cast<uint32_t>(image.width));
  PutBig32(header, static_cast<uint32_t>(image.height));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB
  std::vector<uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Chunk(file, "IHDR", header);
  Chunk(file, "IDAT", Stored(raw));
  Chunk(file, "IEND", {});
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  return static_cast<bool>(out);
}

}  // namespace standin
