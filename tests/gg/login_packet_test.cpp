#include <gtest/gtest.h>

#include "gg/local_address.h"
#include "wire/login_packet.h"
#include "gg/test_packets.h"

namespace kvel::gg {
namespace {
using namespace testing;

TEST(LoginPacket, UnpacksTheFieldsAndMasksTheNumber) {
  Bytes packet = Login(0xAB012345, Ip(10, 1, 2, 3), 1550);
  std::optional<LoginFields> fields = UnpackLogin(packet);
  ASSERT_TRUE(fields);
  EXPECT_EQ(fields->uin, 0x012345u);
  EXPECT_EQ(fields->localAddress, Ip(10, 1, 2, 3));
  EXPECT_EQ(fields->localPort, 1550);
  EXPECT_EQ(fields->externAddress, Ip(9, 9, 9, 9));
  EXPECT_EQ(fields->externPort, 0x7777);
  EXPECT_EQ(UnpackLoginUin(packet), 0x012345u);

  fields->localAddress = Ip(83, 1, 2, 3);
  fields->externPort = 0xFFFF;
  ASSERT_TRUE(PackLoginAddresses(packet, *fields));
  EXPECT_EQ(UnpackLogin(packet)->localAddress, Ip(83, 1, 2, 3));
  EXPECT_EQ(UnpackLogin(packet)->externPort, 0xFFFF);
  EXPECT_FALSE(UnpackLogin(Bytes(packet.begin(), packet.begin() + 36)));
  EXPECT_FALSE(UnpackLoginUin(Bytes(packet.begin(), packet.begin() + 11)));
}

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
