#include <gtest/gtest.h>

#include <string>

#include "images/image_checksum.h"
#include "support/test_paths.h"
#include "wire/image_crc.h"

namespace kvel::images {
namespace {

std::span<const uint8_t> Bytes(const std::string& text) {
  return std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

TEST(ImageChecksum, ReadsTheWholeFileAcrossBlocks) {
  testing::ScratchDir scratch;
  // Empty, and around the 16384-byte block: one short of it, exactly it, two blocks and a bit.
  for (size_t length : {size_t{0}, size_t{3}, size_t{16383}, size_t{16384}, size_t{40000}}) {
    std::string content(length, '\0');
    for (size_t i = 0; i < length; ++i) content[i] = static_cast<char>(i * 31 + i / 97);
    const std::string path = scratch.File(std::to_string(length) + ".bin");
    testing::WriteFile(path, content);
    EXPECT_EQ(ImageChecksum(path.c_str()), wire::UpdateCrcRegister(wire::kCrcStart, Bytes(content)))
        << length;
  }
  // (The values themselves: ImageCrc.)
  EXPECT_EQ(ImageChecksum(scratch.File("missing").c_str()), 0xFFFFFFFFu);
  EXPECT_EQ(ImageChecksum(nullptr), 0xFFFFFFFFu);
}

}  // namespace
}  // namespace kvel::images
