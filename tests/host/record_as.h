// A record the host was handed, read as the plug-in wrote it: the tests of
// the host services and of the entry points both read them.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace kvel::testing {

template <typename Record>
Record As(const std::vector<uint8_t>& bytes) {
  Record record{};
  EXPECT_EQ(bytes.size(), sizeof record);
  std::memcpy(&record, bytes.data(), std::min(bytes.size(), sizeof record));
  return record;
}

}  // namespace kvel::testing
