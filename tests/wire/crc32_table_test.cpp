#include <gtest/gtest.h>

#include "wire/crc32_table.h"

namespace kvel::wire {
namespace {

TEST(Crc32Table, HoldsTheReflectedStandardTable) {
  const uint32_t* table = Crc32Table();
  EXPECT_EQ(table[0], 0x00000000u);
  EXPECT_EQ(table[1], 0x77073096u);
  EXPECT_EQ(table[2], 0xEE0E612Cu);
  EXPECT_EQ(table[128], 0xEDB88320u);
  EXPECT_EQ(table[255], 0x2D02EF8Du);
}

}  // namespace
}  // namespace kvel::wire
