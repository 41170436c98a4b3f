#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "wire/le_bytes.h"
#include "wire/word.h"

namespace kvel::wire {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(LeBytes, FieldsAreLowByteFirstAtTheirOffset) {
  struct Case {
    const char* name;
    size_t width;
    uint64_t value;
    Bytes bytes;  // the field at offset 1 of a 10-byte buffer, the rest stays 0xEE
  } cases[] = {
      {"16-bit", 2, 0xBEEF, {0xEE, 0xEF, 0xBE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE}},
      {"32-bit", 4, 0x80000001, {0xEE, 0x01, 0, 0, 0x80, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE}},
      {"64-bit", 8, 0x0102030405060708, {0xEE, 8, 7, 6, 5, 4, 3, 2, 1, 0xEE}},
      {"64-bit high word set",
       8,
       0xFFFFFFFF00000000,
       {0xEE, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xEE}},
  };
  for (const Case& c : cases) {
    Bytes buffer(10, 0xEE);
    if (c.width == 2) WriteLe16(buffer, 1, static_cast<uint16_t>(c.value));
    if (c.width == 4) WriteLe32(buffer, 1, static_cast<uint32_t>(c.value));
    if (c.width == 8) WriteLe64(buffer, 1, c.value);
    EXPECT_EQ(buffer, c.bytes) << c.name;
    const uint64_t back = c.width == 2   ? ReadLe16(buffer, 1)
                          : c.width == 4 ? ReadLe32(buffer, 1)
                                         : ReadLe64(buffer, 1);
    EXPECT_EQ(back, c.value) << c.name;
  }
}

TEST(LeBytes, AddressesKeepTheirMemoryOrder) {
  const Bytes bytes = {0, 83, 1, 2, 3};
  const uint32_t address = ReadAddress(bytes, 1);
  EXPECT_EQ(reinterpret_cast<const uint8_t*>(&address)[0], 83);
  Bytes out(5, 0);
  WriteAddress(out, 1, address);
  EXPECT_EQ(out, bytes);
}

TEST(Word, LeadingWordNeedsFourBytes) {
  EXPECT_EQ(DecodeWord(EncodeWord(0xA1B2C3D4)), 0xA1B2C3D4u);
  EXPECT_EQ(EncodeWord(2), (Word{2, 0, 0, 0}));
  EXPECT_EQ(DecodeLeadingWord(Bytes{7, 0, 0, 0, 9}), 7u);
  EXPECT_FALSE(DecodeLeadingWord(Bytes{7, 0, 0}));
  EXPECT_FALSE(DecodeLeadingWord(Bytes{}));
}

}  // namespace
}  // namespace kvel::wire
