#include <gtest/gtest.h>

#include "gg/local_address.h"
#include "gg/login_packet.h"
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
}

TEST(LoginPacket, PackWritesOnlyPayloadOffsets17To28) {
  Bytes packet = Login(1234, 0);
  const Bytes original = packet;
  LoginFields fields = *UnpackLogin(packet);
  fields.localAddress = Ip(83, 1, 2, 3);
  fields.localPort = 40000;
  fields.externAddress = Ip(127, 0, 0, 1);
  fields.externPort = 0xFFFF;
  ASSERT_TRUE(PackLoginAddresses(packet, fields));
  for (size_t i = 0; i < packet.size(); ++i) {
    if (i < 8 + 17 || i > 8 + 28) {
      EXPECT_EQ(packet[i], original[i]) << "offset " << i;
    }
  }
  const Bytes expected = {83, 1, 2, 3, 0x40, 0x9C, 127, 0, 0, 1, 0xFF, 0xFF};
  EXPECT_EQ(Bytes(packet.begin() + 25, packet.begin() + 37), expected);
  std::optional<LoginFields> again = UnpackLogin(packet);
  ASSERT_TRUE(again);
  EXPECT_EQ(again->localAddress, fields.localAddress);
  EXPECT_EQ(again->localPort, 40000);
  EXPECT_EQ(again->externAddress, fields.externAddress);
  EXPECT_EQ(again->externPort, 0xFFFF);
}

TEST(LoginPacket, ShorterThan37BytesIsNotALogin) {
  Bytes packet = Login(1234, 0);
  for (size_t length = 0; length < 37; ++length) {
    Bytes prefix(packet.begin(), packet.begin() + static_cast<std::ptrdiff_t>(length));
    EXPECT_FALSE(UnpackLogin(prefix)) << length;
    EXPECT_FALSE(PackLoginAddresses(prefix, LoginFields{}));
    EXPECT_EQ(UnpackLoginUin(prefix).has_value(), length >= 12) << length;
  }
  EXPECT_TRUE(UnpackLogin(Bytes(packet.begin(), packet.begin() + 37)));
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
