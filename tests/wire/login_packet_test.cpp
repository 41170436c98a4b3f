#include <gtest/gtest.h>

#include "gg/test_packets.h"
#include "wire/login_packet.h"

namespace kvel::wire {
namespace {
using namespace gg::testing;

TEST(LoginPacket, UnpacksTheFieldsAndMasksTheNumber) {
  Bytes packet = Login(0xAB012345, Ip(10, 1, 2, 3), 1550);
  std::optional<LoginFields> fields = DecodeLogin(packet);
  ASSERT_TRUE(fields);
  EXPECT_EQ(fields->uin, 0x012345u);
  EXPECT_EQ(fields->localAddress, Ip(10, 1, 2, 3));
  EXPECT_EQ(fields->localPort, 1550);
  EXPECT_EQ(fields->externAddress, Ip(9, 9, 9, 9));
  EXPECT_EQ(fields->externPort, 0x7777);
  EXPECT_EQ(DecodeLoginUin(packet), 0x012345u);

  fields->localAddress = Ip(83, 1, 2, 3);
  fields->externPort = 0xFFFF;
  ASSERT_TRUE(EncodeLoginAddresses(packet, *fields));
  EXPECT_EQ(DecodeLogin(packet)->localAddress, Ip(83, 1, 2, 3));
  EXPECT_EQ(DecodeLogin(packet)->externPort, 0xFFFF);
  EXPECT_FALSE(DecodeLogin(Bytes(packet.begin(), packet.begin() + 36)));
  EXPECT_FALSE(DecodeLoginUin(Bytes(packet.begin(), packet.begin() + 11)));
}

}  // namespace
}  // namespace kvel::wire
