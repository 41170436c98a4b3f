#include <gtest/gtest.h>

#include <vector>

#include "gg/local_address.h"
#include "gg/test_packets.h"

namespace kvel::gg {
namespace {
using namespace testing;

struct AddressChoice {
  std::vector<uint32_t> addresses;
  uint32_t chosen;
};

TEST(LocalAddress, FirstLaterAddressWithAnOddFirstOctetElseTheFirst) {
  const AddressChoice cases[] = {
      {{Ip(192, 168, 1, 5), Ip(83, 1, 2, 3)}, Ip(83, 1, 2, 3)},
      {{Ip(10, 0, 0, 1), Ip(192, 168, 1, 5)}, Ip(10, 0, 0, 1)},
      // The first address is never tested for oddness.
      {{Ip(83, 1, 2, 3), Ip(10, 0, 0, 1)}, Ip(83, 1, 2, 3)},
      {{Ip(10, 0, 0, 1), Ip(192, 168, 1, 5), Ip(11, 0, 0, 1), Ip(13, 0, 0, 1)}, Ip(11, 0, 0, 1)},
      {{Ip(172, 16, 0, 1)}, Ip(172, 16, 0, 1)},
      {{}, 0},
  };
  for (const AddressChoice& c : cases) {
    EXPECT_EQ(ChooseLocalAddress(c.addresses), c.chosen) << c.addresses.size();
  }
}

}  // namespace
}  // namespace kvel::gg
